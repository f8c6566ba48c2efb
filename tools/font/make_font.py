#!/usr/bin/env python3
"""Generates the font's glyph stream (content/glyph_stream.cpp) from the stroke
outlines below.

    python3 tools/font/make_font.py            rewrite content/glyph_stream.cpp
    python3 tools/font/make_font.py --check    exit 1 when the committed file differs
    python3 tools/font/make_font.py --preview OUT.png

Every glyph is drawn with strokes of one width, W units (1 unit = 1/255), with
chamfered corners instead of curves. Strokes are centre lines; a stroke's ends are
cut square to its last segment ('b'), or horizontally ('h') or vertically ('v').
Vertical metrics (outer edges): baseline 23, x-height 89, ascender 111, figures
107, descender 0. Letters start at x = 0.
"""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import meshgen  # noqa: E402
from content_file import write_or_check  # noqa: E402

CHARACTERS = "-abcdefghijklmnopqrstuvwxyz!/@:.0123456789"
MAX_VERTICES = 48

W = 8                   # stroke width
H = W / 2
B, X, A, D, T = 27, 85, 107, 4, 103   # centre lines: base, x-height, ascender, descender, figures
L, R = 4, 40            # centre lines of the left and right stems
C = 11                  # chamfer of a bowl's corners, on the centre line
M = 56                  # centre line of the middle bar of e


class Glyph:
    def __init__(self):
        self.vertices = []
        self.triangles = []

    def add(self, points, triangles):
        base = len(self.vertices)
        self.vertices.extend(points)
        self.triangles.extend(tuple(base + i for i in t) for t in triangles)


def _unit(dx, dy):
    n = math.hypot(dx, dy)
    return dx / n, dy / n


def _cap(p, d, n, side, cap):
    qx, qy = p[0] + side * n[0] * H, p[1] + side * n[1] * H
    if cap == "h" and abs(d[1]) > 1e-9:
        t = (p[1] - qy) / d[1]
        return qx + t * d[0], p[1]
    if cap == "v" and abs(d[0]) > 1e-9:
        t = (p[0] - qx) / d[0]
        return p[0], qy + t * d[1]
    return qx, qy


def _axis_aligned(a, b):
    return a[0] == b[0] or a[1] == b[1]


def round_corners(points, closed):
    """Bends every chamfer (a 45-degree segment between two straight ones) into two
    segments through the middle of the quarter circle it cuts off."""
    count = len(points)
    out = []
    for i in range(count):
        out.append(points[i])
        if not closed and i == count - 1:
            break
        a, b = points[i], points[(i + 1) % count]
        dx, dy = b[0] - a[0], b[1] - a[1]
        if dx == 0 or abs(abs(dx) - abs(dy)) > 1e-9:
            continue
        if not closed and (i == 0 or i + 2 >= count):
            continue
        before, after = points[i - 1], points[(i + 2) % count]
        if not (_axis_aligned(before, a) and _axis_aligned(b, after)):
            continue
        # The corner the chamfer cuts off lies where the straight neighbours meet;
        # the arc's centre is the opposite corner of the chamfer's square.
        if before[0] == a[0]:
            corner, centre = (a[0], b[1]), (b[0], a[1])
        else:
            corner, centre = (b[0], a[1]), (a[0], b[1])
        k = math.sqrt(0.5)
        out.append((centre[0] + (corner[0] - centre[0]) * k, centre[1] + (corner[1] - centre[1]) * k))
    return out


def stroke(glyph, points, closed=False, caps="bb", rounded=True):
    """A stroke of width W along the centre line through points; its chamfered
    corners are rounded unless told otherwise."""
    if rounded:
        points = round_corners(points, closed)
    count = len(points)
    dirs = []
    for i in range(count if closed else count - 1):
        a, b = points[i], points[(i + 1) % count]
        dirs.append(_unit(b[0] - a[0], b[1] - a[1]))
    left, right = [], []
    for i, p in enumerate(points):
        if not closed and i == 0:
            d = dirs[0]
            n = (-d[1], d[0])
            left.append(_cap(p, d, n, 1, caps[0]))
            right.append(_cap(p, d, n, -1, caps[0]))
            continue
        if not closed and i == count - 1:
            d = dirs[-1]
            n = (-d[1], d[0])
            left.append(_cap(p, d, n, 1, caps[1]))
            right.append(_cap(p, d, n, -1, caps[1]))
            continue
        d0, d1 = dirs[i - 1], dirs[i % len(dirs)]
        n0, n1 = (-d0[1], d0[0]), (-d1[1], d1[0])
        mx, my = _unit(n0[0] + n1[0], n0[1] + n1[1])
        length = H / max(mx * n0[0] + my * n0[1], 0.45)
        left.append((p[0] + mx * length, p[1] + my * length))
        right.append((p[0] - mx * length, p[1] - my * length))
    segments = count if closed else count - 1
    triangles = []
    for i in range(segments):
        j = (i + 1) % count
        li, ri, lj, rj = 2 * i, 2 * i + 1, 2 * j, 2 * j + 1
        triangles += [(li, ri, rj), (li, rj, lj)]
    glyph.add([v for pair in zip(left, right) for v in pair], triangles)


def polygon(glyph, points):
    glyph.add(list(points), meshgen.ear_clip(list(points)))


def octagon(x0, y0, x1, y1, c=C):
    """Centre line of a chamfered box, counter-clockwise from the bottom edge."""
    return [(x0 + c, y0), (x1 - c, y0), (x1, y0 + c), (x1, y1 - c),
            (x1 - c, y1), (x0 + c, y1), (x0, y1 - c), (x0, y0 + c)]


def bowl(glyph, x0=L, y0=B, x1=R, y1=X, c=C, rounded=True):
    stroke(glyph, octagon(x0, y0, x1, y1, c), closed=True, rounded=rounded)


def stem(glyph, x, y0, y1):
    """A vertical stroke centred on x, from outer edge y0 to outer edge y1."""
    stroke(glyph, [(x, y0), (x, y1)])


def dot(glyph, x, y):
    """A square dot with its lower left corner at (x, y)."""
    polygon(glyph, [(x, y), (x + W + 1, y), (x + W + 1, y + W + 1), (x, y + W + 1)])


def arch(glyph, x0, x1, top=X, foot=B - H):
    """The arch of n, h and m: from the left stem over the top and down to the foot."""
    stroke(glyph, [(x0, top - C - 6), (x0 + C, top), (x1 - C, top), (x1, top - C), (x1, foot)])


def cup(glyph, x0, x1, bottom=B, head=X + H):
    stroke(glyph, [(x0, head), (x0, bottom + C), (x0 + C, bottom), (x1 - C, bottom), (x1, bottom + C + 6)])


def glyph_dash(g):
    g.vertices = [(10, 64), (50, 64), (50, 58), (10, 58)]
    g.triangles = [(0, 1, 2), (0, 2, 3)]


def glyph_a(g):
    bowl(g)
    stem(g, R, B - H, X + H)


def glyph_b(g):
    bowl(g)
    stem(g, L, B - H, A + H)


def glyph_c(g):
    stroke(g, [(R, X - 8), (R - C + 3, X), (L + C, X), (L, X - C), (L, B + C), (L + C, B),
               (R - C + 3, B), (R, B + 8)])


def glyph_d(g):
    bowl(g)
    stem(g, R, B - H, A + H)


def glyph_e(g):
    stroke(g, [(R, B + 6), (R - C + 3, B), (L + C, B), (L, B + C), (L, X - C), (L + C, X),
               (R - C, X), (R, X - C), (R, M), (L, M)])


def glyph_f(g):
    stroke(g, [(14, B - H), (14, A - C), (14 + C, A), (34, A)], caps="bv")
    stroke(g, [(0, X), (32, X)], caps="vv")


def glyph_g(g):
    bowl(g)
    stroke(g, [(R, X + H), (R, D + C), (R - C, D), (L + 2, D)], caps="hv")


def glyph_h(g):
    stem(g, L, B - H, A + H)
    arch(g, L, R)


def glyph_i(g):
    stem(g, L, B - H, X + H)
    dot(g, 0, 98)


def glyph_j(g):
    stroke(g, [(16, X + H), (16, D + C), (16 - C, D), (-8, D)], caps="hv")
    dot(g, 12, 98)


def glyph_k(g):
    stem(g, L, B - H, A + H)
    stroke(g, [(L + 2, 50), (38, X + H)], caps="vh")
    stroke(g, [(17, 58), (40, B - H)], caps="bh")


def glyph_l(g):
    stem(g, L, B - H, A + H)


def glyph_m(g):
    stem(g, L, B - H, X + H)
    stroke(g, [(L, X - 14), (L + 8, X), (22, X), (28, X - 8), (28, B - H)])
    stroke(g, [(28, X - 8), (34, X), (44, X), (52, X - 10), (52, B - H)])


def glyph_n(g):
    stem(g, L, B - H, X + H)
    arch(g, L, R)


def glyph_o(g):
    bowl(g)


def glyph_p(g):
    bowl(g)
    stem(g, L, D - H, X + H)


def glyph_q(g):
    bowl(g)
    stem(g, R, D - H, X + H)


def glyph_r(g):
    stem(g, L, B - H, X + H)
    stroke(g, [(L, X - C - 6), (L + C, X), (34, X)], caps="bv")


def glyph_s(g):
    stroke(g, [(R + 1, X - 6), (R - 8, X), (L + 8, X), (L, X - 8), (L, 64), (L + 8, M),
               (R - 8, M), (R, 48), (R, B + 8), (R - 8, B), (L + 8, B), (L - 1, B + 6)])


def glyph_t(g):
    stroke(g, [(14, 100), (14, B + C), (14 + C, B), (34, B)], caps="bv")
    stroke(g, [(0, X), (32, X)], caps="vv")


def glyph_u(g):
    cup(g, L, R)
    stem(g, R, B - H, X + H)


def glyph_v(g):
    stroke(g, [(L, X + H), (22, B - H)], caps="hh")
    stroke(g, [(R, X + H), (22, B - H)], caps="hh")


def glyph_w(g):
    stroke(g, [(L, X + H), (16, B - H)], caps="hh")
    stroke(g, [(29, X + H), (16, B - H)], caps="hh")
    stroke(g, [(29, X + H), (42, B - H)], caps="hh")
    stroke(g, [(54, X + H), (42, B - H)], caps="hh")


def glyph_x(g):
    stroke(g, [(L, X + H), (R, B - H)], caps="hh")
    stroke(g, [(R, X + H), (L, B - H)], caps="hh")


def glyph_y(g):
    stroke(g, [(L, X + H), (23, 34)], caps="hb")
    stroke(g, [(R, X + H), (10, D - H)], caps="hh")


def glyph_z(g):
    stroke(g, [(0, X), (R, X), (L, B), (44, B)], caps="vv")


def glyph_exclamation(g):
    stroke(g, [(L, A + H), (L, 44)], caps="hh")
    dot(g, 0, B - H)


def glyph_slash(g):
    stroke(g, [(2, 12), (38, A + H)], caps="hh")


def glyph_at(g):
    bowl(g, 18, 38, 44, 70, 7, rounded=False)
    stroke(g, [(44, 74), (44, 46), (48, 38), (54, 38), (58, 46), (58, 80), (48, 90), (14, 90),
               (L, 80), (L, 32), (14, 22), (50, 22)], caps="hv")


def glyph_colon(g):
    dot(g, 0, B - H)
    dot(g, 0, 66)


def glyph_period(g):
    dot(g, 0, B - H)


def glyph_0(g):
    bowl(g, L, B, R, T, 13)
    stroke(g, [(14, 44), (30, 86)], caps="bb")


def glyph_1(g):
    stem(g, 24, B - H, T + H)
    stroke(g, [(24, T), (8, T - 14)], caps="bb")


def glyph_2(g):
    stroke(g, [(L, T - 8), (L + 10, T), (R - 10, T), (R, T - 10), (R, 78), (L, 40), (L, B), (44, B)],
           caps="bv")


def glyph_3(g):
    stroke(g, [(L - 1, T - 6), (L + 8, T), (R - 10, T), (R, T - 10), (R, 76), (R - 8, 68), (14, 68)],
           caps="bv")
    stroke(g, [(R - 8, 68), (R, 60), (R, B + 10), (R - 10, B), (L + 8, B), (L - 1, B + 6)])


def glyph_4(g):
    stroke(g, [(30, T + H), (L, 52), (44, 52)], caps="hv")
    stem(g, 32, B - H, 74)


def glyph_5(g):
    stroke(g, [(42, T), (L, T), (L, 70), (R - 10, 70), (R, 60), (R, B + 10), (R - 10, B), (L + 8, B),
               (L - 1, B + 6)], caps="vb")


def glyph_6(g):
    bowl(g, L, B, R, 70, 11)
    stroke(g, [(L, 46), (L, T - 10), (L + 10, T), (38, T)], caps="bv")


def glyph_7(g):
    stroke(g, [(0, T), (R, T), (14, B - H)], caps="vh")


def glyph_8(g):
    bowl(g, L + 3, 64, R - 3, T, 10)
    bowl(g, L, B, R, 68, 11)


def glyph_9(g):
    bowl(g, L, 60, R, T, 11)
    stroke(g, [(R, 84), (R, B + 10), (R - 10, B), (6, B)], caps="bv")


GLYPH_BUILDERS = {
    "-": glyph_dash, "!": glyph_exclamation, "/": glyph_slash, "@": glyph_at,
    ":": glyph_colon, ".": glyph_period,
}
for _c in "abcdefghijklmnopqrstuvwxyz0123456789":
    GLYPH_BUILDERS[_c] = globals()["glyph_" + _c]


def build_glyph(character):
    """Rounded, de-duplicated vertices and clockwise triangles of one glyph."""
    g = Glyph()
    GLYPH_BUILDERS[character](g)
    if character == "-":
        return g.vertices, g.triangles
    vertices, remap = [], {}
    for i, (x, y) in enumerate(g.vertices):
        key = (int(round(x)), int(round(y)))
        if key not in remap:
            remap[key] = len(vertices)
            vertices.append(key)
        g.vertices[i] = remap[key]
    triangles = []
    for t in g.triangles:
        a, b, c = (g.vertices[i] for i in t)
        if len({a, b, c}) < 3:
            continue
        area = meshgen.signed_area([vertices[a], vertices[b], vertices[c]])
        if area == 0:
            continue
        # Clockwise, like the dash.
        triangles.append((a, b, c) if area < 0 else (a, c, b))
    return vertices, triangles


def build_stream():
    stream, glyphs = [], []
    for character in CHARACTERS:
        vertices, triangles = build_glyph(character)
        if len(vertices) > MAX_VERTICES:
            raise SystemExit("glyph %r has %d vertices, more than %d" % (character, len(vertices), MAX_VERTICES))
        for x, y in vertices:
            if not (-22 <= x <= 113 and -22 <= y <= 113):
                raise SystemExit("glyph %r has a vertex outside -22..113: %r" % (character, (x, y)))
        stream += [len(vertices), len(triangles)]
        for x, y in vertices:
            stream += [x, y]
        for t in triangles:
            stream += list(t)
        glyphs.append((character, vertices, triangles))
    return stream, glyphs


def render_source(stream):
    return """// The font's glyph stream: 42 glyph records in the order of FontCharacters.
// Generated by tools/font/make_font.py; rerun it after changing the outlines there:
//     python3 tools/font/make_font.py
#include "content/content.h"

const int8_t GlyphStream[] = {
%s
};
const int GlyphStreamBytes = %d;
""" % (meshgen.format_bytes(stream), len(stream))


def preview(glyphs, path):
    cell, scale, columns = 136, 1.0, 8
    rows = (len(glyphs) + columns - 1) // columns
    width, height = columns * cell, rows * cell
    pixels = bytearray([24, 24, 40] * (width * height))
    for n, (character, vertices, triangles) in enumerate(glyphs):
        ox, oy = (n % columns) * cell + 8, (n // columns) * cell + cell - 4

        def transform(p, ox=ox, oy=oy):
            return ox + p[0] * scale, oy - p[1] * scale
        for y in (23, 89):
            for x in range(cell - 8):
                o = 3 * (int(oy - y * scale) * width + ox - 4 + x)
                pixels[o:o + 3] = bytes([60, 60, 90])
        meshgen.rasterise(width, height, [[vertices[i] for i in t] for t in triangles],
                          (250, 250, 250), pixels, transform)
    meshgen.write_png(path, width, height, pixels)


def main(argv):
    stream, glyphs = build_stream()
    source = render_source(stream)
    if "--preview" in argv:
        preview(glyphs, argv[argv.index("--preview") + 1])
        return 0
    check = "--check" in argv
    written = write_or_check("content/glyph_stream.cpp", source, "tools/font/make_font.py", check)
    if check or written:
        return written
    print("%d bytes of glyph stream, at most %d vertices per glyph" %
          (len(stream), max(len(v) for _, v, _ in glyphs)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
