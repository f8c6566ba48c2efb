#!/usr/bin/env python3
"""Generates the picture of the opening scene (content/picture.cpp): a globe rising
behind mountains, and three people on a hill in front of it with their arms raised.

    python3 tools/picture/make_picture.py            rewrite content/picture.cpp
    python3 tools/picture/make_picture.py --check    exit 1 when the committed file differs
    python3 tools/picture/make_picture.py --preview OUT.png

The picture is drawn in four layers, one over the other: the sky, the globe's ocean,
its continents with the mountains, and the hill with the people. All layers share one
set of 186 points. Shapes are written below in display units: x 0..255 from left to
right, y 0..357 from bottom to top (the scene stretches the picture by 1.4 upwards).
Each shape is an outline, counter-clockwise, with points strictly inside it; it
becomes outline - 2 + 2 * inside triangles.
"""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import meshgen  # noqa: E402
from content_file import write_or_check  # noqa: E402

POINT_COUNT = 186
LAYER_TRIANGLES = (21, 68, 65, 141)
STRETCH = 1.4          # display y = 1.4 * stored y
TOP = 357              # 255 * 1.4

# ---- The sky: a fan from the globe's centre to the frame ---------------------------

GLOBE_CENTRE = (128, 224)
GLOBE_RADIUS = 96

SKY_BORDER = (
    [(x, 0) for x in (0, 64, 128, 191, 255)] +                 # bottom, left to right
    [(255, y) for y in (60, 120, 180, 240, 300)] +            # right side, upwards
    [(x, TOP) for x in (255, 204, 153, 102, 51, 0)] +         # top, right to left
    [(0, y) for y in (300, 240, 180, 120, 60)]                # left side, downwards
)

# ---- The globe: a disc of 24 rim points, and the continents on it ------------------


def globe_point(dx, dy):
    """A point of the globe, in units of its radius from the centre."""
    return (GLOBE_CENTRE[0] + dx * GLOBE_RADIUS, GLOBE_CENTRE[1] + dy * GLOBE_RADIUS)


def rim(step):
    """Rim point `step` of 24, counter-clockwise from the east."""
    a = math.radians(15 * step)
    return globe_point(math.cos(a), math.sin(a))


GLOBE_RIM = [rim(s) for s in range(24)]

# The Americas, on the western half, reaching the rim at the north.
CONTINENT_WEST = [
    rim(7), rim(8), globe_point(-0.78, 0.38), globe_point(-0.62, 0.12), globe_point(-0.38, 0.02),
    globe_point(-0.36, -0.22), globe_point(-0.22, -0.40), globe_point(-0.24, -0.66),
    globe_point(-0.10, -0.44), globe_point(-0.02, -0.18), globe_point(-0.18, 0.18),
    globe_point(-0.06, 0.52), globe_point(-0.30, 0.62),
]
# Europe and Africa, on the eastern half.
CONTINENT_EAST = [
    globe_point(0.24, 0.70), globe_point(0.12, 0.46), globe_point(0.18, 0.22),
    globe_point(0.14, -0.02), globe_point(0.34, -0.26), globe_point(0.42, -0.56),
    globe_point(0.62, -0.34), globe_point(0.66, 0.06), globe_point(0.80, 0.30),
    globe_point(0.60, 0.58),
]
# Ocean points, so that the sea is cut into facets too.
OCEAN = [globe_point(0.42, 0.40)]

# ---- Mountains behind the hill -------------------------------------------------------

MOUNTAINS = [
    (0, 0), (255, 0), (255, 120), (224, 148), (182, 158), (152, 126), (124, 138),
    (68, 152), (36, 128), (0, 120),
]
MOUNTAIN_INSIDE = 18

# ---- The hill with three people ---------------------------------------------------


def person(foot_x, ground, height, flip=False):
    """Outline of one person with raised arms, right to left along the top."""
    s = height / 100.0
    shape = [
        (9, 0), (12, 60), (30, 100), (10, 72), (4, 75),          # right side, arm, neck
        (7, 79), (9, 87), (6, 96), (-6, 96), (-9, 87), (-7, 79),  # head
        (-4, 75), (-10, 72), (-30, 100), (-12, 60), (-9, 0),      # neck, arm, left side
    ]
    return [(foot_x + (-x if flip else x) * s, ground + y * s) for x, y in shape]


HILL = (
    [(0, 0), (255, 0), (255, 60)] +
    person(200, 84, 112) +
    person(128, 94, 96) +
    person(56, 84, 118) +
    [(30, 80), (0, 60)]
)
HILL_INSIDE = 45

SHAPES = (
    # layer, outline, points inside
    (1, "sky", None, None),
    (2, "ocean", GLOBE_RIM, "globe"),
    (3, "west", CONTINENT_WEST, "globe"),
    (3, "east", CONTINENT_EAST, "globe"),
    (3, "mountains", MOUNTAINS, MOUNTAIN_INSIDE),
    (4, "hill", HILL, HILL_INSIDE),
)

# ---- Generation ---------------------------------------------------------------------


def stored(p):
    """Display point to the stored (column, row) pair before mirroring."""
    return (int(round(p[0])), int(round(p[1] / STRETCH)))


def _inside(polygon, p):
    inside = False
    for i, a in enumerate(polygon):
        b = polygon[i - 1]
        if (a[1] > p[1]) != (b[1] > p[1]):
            x = a[0] + (p[1] - a[1]) * (b[0] - a[0]) / (b[1] - a[1])
            if p[0] < x:
                inside = not inside
    return inside


def _distance_to_outline(polygon, p):
    best = 1e9
    for i, a in enumerate(polygon):
        b = polygon[i - 1]
        dx, dy = b[0] - a[0], b[1] - a[1]
        t = max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / float(dx * dx + dy * dy)))
        best = min(best, math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy))
    return best


def fill_points(outline, count):
    """`count` points spread inside the outline: a golden-ratio sequence over its
    bounding box, keeping points away from the outline and from each other."""
    xs = [p[0] for p in outline]
    ys = [p[1] for p in outline]
    chosen = []
    spacing = 40.0
    while len(chosen) < count:
        chosen = []
        i = 0
        while len(chosen) < count and i < 20000:
            i += 1
            u, v = (i * 0.6180339887) % 1.0, (i * 0.7548776662) % 1.0
            p = stored((min(xs) + u * (max(xs) - min(xs)), min(ys) + v * (max(ys) - min(ys))))
            if not _inside(outline, p) or _distance_to_outline(outline, p) < spacing * 0.35:
                continue
            if any(math.hypot(p[0] - q[0], p[1] - q[1]) < spacing for q in chosen):
                continue
            chosen.append(p)
        spacing *= 0.95
    return chosen


def build():
    globe_inside = [stored(p) for p in [GLOBE_CENTRE] + CONTINENT_WEST + CONTINENT_EAST + OCEAN
                    if stored(p) not in [stored(r) for r in GLOBE_RIM]]
    points, lookup = [], {}

    def number(p):
        if p not in lookup:
            lookup[p] = len(points)
            points.append(p)
        return lookup[p]

    layers = [[] for _ in LAYER_TRIANGLES]
    shapes = []
    for layer, name, outline, inside in SHAPES:
        if name == "sky":
            centre = stored(GLOBE_CENTRE)
            border = [stored(p) for p in SKY_BORDER]
            for i, b in enumerate(border):
                layers[0].append((number(centre), number(b), number(border[(i + 1) % len(border)])))
            continue
        outline = [stored(p) for p in outline]
        if len(set(outline)) != len(outline):
            raise SystemExit("shape %s has two outline points in one place" % name)
        if inside == "globe":
            inner = [p for p in globe_inside if p not in outline and _inside(outline, p)]
        else:
            inner = fill_points(outline, inside)
        triangles = meshgen.triangulate_region(outline, inner)
        local = outline + inner
        for t in triangles:
            layers[layer - 1].append(tuple(number(local[i]) for i in t))
        shapes.append((name, len(outline), len(inner), len(triangles)))
    return points, layers, shapes


def report(points, layers, shapes):
    lines = ["%-10s outline %3d inside %3d triangles %3d" % s for s in shapes]
    lines.append("points %d (want %d), layers %s (want %s)" %
                 (len(points), POINT_COUNT, [len(l) for l in layers], list(LAYER_TRIANGLES)))
    return "\n".join(lines)


def render_source(points, layers):
    stored_points = [len(points)]
    for x, y in points:
        stored_points += [255 - x, y]   # the picture's x runs right to left when stored
    parts = ["""// The picture of the opening scene: one point set shared by four layers of
// triangles. Generated by tools/picture/make_picture.py from the shapes written
// there; rerun it after changing them:
//     python3 tools/picture/make_picture.py
#include "content/content.h"

// A count, then (X, Y) pairs; a vertex lands at (0.5 - X/255, Y/255 - 0.5).
const uint8_t PicturePoints[] = {
%s
};
""" % meshgen.format_bytes(stored_points)]
    names = ("the sky", "the ocean", "the continents and the mountains", "the hill and the people")
    for n, (layer, name) in enumerate(zip(layers, names)):
        values = [len(layer)] + [i for t in layer for i in t]
        parts.append("\n// Layer %d, %s: a count, then three point numbers per triangle.\n"
                     "const uint8_t PictureLayer%d[] = {\n%s\n};\n" % (n + 1, name, n + 1, meshgen.format_bytes(values)))
    return "".join(parts)


def coarsen(points, k):
    e = int(k * 2048)
    level = (e >> 8) + 1
    o = 1 << level
    h, q, w = o // 2, o // 4, 255 - (e & 255)
    out = []
    for p in points:
        c = []
        for v in p:
            a = (v & -o) + h
            c.append(a + ((((v & -h) + q - a) * w) >> 8))
        out.append(tuple(c))
    return out


def preview(points, layers, path):
    colours = ((40, 60, 140), (30, 110, 200), (90, 170, 70), (230, 150, 60))
    size, gap = 256, 8
    stages = (0.0, 0.2, 0.45, 0.7)
    width = len(stages) * (size + gap)
    height = int(size * STRETCH) + 2
    pixels = bytearray([0, 0, 0] * (width * height))
    for s, k in enumerate(stages):
        placed = coarsen(points, k)

        def transform(p, s=s):
            return s * (size + gap) + p[0], height - 1 - p[1] * STRETCH
        for layer, colour in zip(layers, colours):
            meshgen.rasterise(width, height, [[placed[i] for i in t] for t in layer], colour, pixels, transform)
    meshgen.write_png(path, width, height, pixels)


def main(argv):
    points, layers, shapes = build()
    if "--report" in argv or len(points) != POINT_COUNT or tuple(len(l) for l in layers) != LAYER_TRIANGLES:
        print(report(points, layers, shapes))
    if "--preview" in argv:
        preview(points, layers, argv[argv.index("--preview") + 1])
        return 0
    if len(points) != POINT_COUNT or tuple(len(l) for l in layers) != LAYER_TRIANGLES:
        print("the picture does not have the counts the demo reserves")
        return 1
    source = render_source(points, layers)
    return write_or_check("content/picture.cpp", source, "tools/picture/make_picture.py", "--check" in argv)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
