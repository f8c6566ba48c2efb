"""Shared helpers of the content generators: flat shapes made of triangles, a tiny
rasteriser for previews and a PNG writer, all in the standard library."""

import math
import struct
import zlib


def signed_area(points):
    area = 0.0
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        area += x0 * y1 - x1 * y0
    return area / 2.0


def _inside_triangle(p, a, b, c):
    def cross(o, u, v):
        return (u[0] - o[0]) * (v[1] - o[1]) - (u[1] - o[1]) * (v[0] - o[0])
    d1, d2, d3 = cross(a, b, p), cross(b, c, p), cross(c, a, p)
    return d1 >= 0 and d2 >= 0 and d3 >= 0


def ear_clip(points):
    """Triangles (index triples, counter-clockwise) of a simple polygon."""
    order = list(range(len(points)))
    if signed_area(points) < 0:
        order.reverse()
    triangles = []
    guard = 0
    while len(order) > 3 and guard < 10000:
        guard += 1
        for k in range(len(order)):
            i0, i1, i2 = order[k - 1], order[k], order[(k + 1) % len(order)]
            a, b, c = points[i0], points[i1], points[i2]
            convex = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
            if convex <= 0:
                continue
            if any(_inside_triangle(points[j], a, b, c) for j in order
                   if j not in (i0, i1, i2) and points[j] not in (a, b, c)):
                continue
            triangles.append((i0, i1, i2))
            del order[k]
            break
        else:
            raise ValueError("polygon cannot be triangulated: %r" % (points,))
    triangles.append(tuple(order))
    return triangles


def rasterise(width, height, triangles, colour, pixels, transform):
    """Fills triangles ((x, y) * 3 in model units) into an RGB bytearray, with 4x4
    supersampling per pixel; transform maps model (x, y) to pixel (x, y)."""
    sub = 4
    cover = {}
    for tri in triangles:
        pts = [transform(p) for p in tri]
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        x0, x1 = max(0, int(math.floor(min(xs)))), min(width - 1, int(math.ceil(max(xs))))
        y0, y1 = max(0, int(math.floor(min(ys)))), min(height - 1, int(math.ceil(max(ys))))
        (ax, ay), (bx, by), (cx, cy) = pts
        area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax)
        if area == 0:
            continue
        for py in range(y0, y1 + 1):
            for px in range(x0, x1 + 1):
                mask = cover.get((px, py), 0)
                for s in range(sub * sub):
                    if mask >> s & 1:
                        continue
                    sx = px + (s % sub + 0.5) / sub
                    sy = py + (s // sub + 0.5) / sub
                    w0 = (bx - ax) * (sy - ay) - (by - ay) * (sx - ax)
                    w1 = (cx - bx) * (sy - by) - (cy - by) * (sx - bx)
                    w2 = (ax - cx) * (sy - cy) - (ay - cy) * (sx - cx)
                    if area > 0 and w0 >= 0 and w1 >= 0 and w2 >= 0:
                        mask |= 1 << s
                    elif area < 0 and w0 <= 0 and w1 <= 0 and w2 <= 0:
                        mask |= 1 << s
                cover[(px, py)] = mask
    for (px, py), mask in cover.items():
        k = bin(mask).count("1") / float(sub * sub)
        o = 3 * (py * width + px)
        for c in range(3):
            pixels[o + c] = int(round(pixels[o + c] * (1 - k) + colour[c] * k))


def write_png(path, width, height, rgb):
    raw = b"".join(b"\x00" + bytes(rgb[3 * width * y:3 * width * (y + 1)]) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def format_bytes(values, per_line=16, indent="    "):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ", ".join("%d" % v for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)


def _orient(a, b, c):
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])


def _in_circle(a, b, c, d):
    """True when d lies inside the circumcircle of the counter-clockwise a, b, c."""
    ax, ay = a[0] - d[0], a[1] - d[1]
    bx, by = b[0] - d[0], b[1] - d[1]
    cx, cy = c[0] - d[0], c[1] - d[1]
    return ((ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
            (cx * cx + cy * cy) * (ax * by - bx * ay)) > 1e-9


def _insert_point(points, triangles, p):
    """Splits the triangle holding point p in three, or the two triangles on whose
    shared edge it lies in two each."""
    q = points[p]
    for t in triangles:
        sides = [_orient(points[t[k]], points[t[(k + 1) % 3]], q) for k in range(3)]
        if min(sides) < 0:
            continue
        if min(sides) > 0:
            i0, i1, i2 = t
            triangles.remove(t)
            triangles += [[i0, i1, p], [i1, i2, p], [i2, i0, p]]
            return
        k = sides.index(0)
        a, b, c = t[k], t[(k + 1) % 3], t[(k + 2) % 3]
        other = next((u for u in triangles if u is not t and a in u and b in u), None)
        if other is None or sides.count(0) > 1:
            break
        d = next(v for v in other if v not in (a, b))
        triangles.remove(t)
        triangles.remove(other)
        triangles += [[a, p, c], [p, b, c], [b, p, d], [p, a, d]]
        return
    raise ValueError("inner point %r is not inside the outline" % (q,))


def triangulate_region(outline, inner):
    """Triangles (index triples into outline + inner, counter-clockwise) covering the
    simple polygon `outline` with the points `inner` strictly inside it. There are
    always len(outline) - 2 + 2 * len(inner) of them; edges are flipped towards a
    Delaunay triangulation that keeps the outline."""
    points = list(outline) + list(inner)
    n = len(outline)
    triangles = [list(t) for t in ear_clip(list(outline))]
    for p in range(n, len(points)):
        _insert_point(points, triangles, p)
    constrained = {frozenset((i, (i + 1) % n)) for i in range(n)}
    for _ in range(200):
        flipped = False
        edges = {}
        for ti, t in enumerate(triangles):
            for k in range(3):
                edges.setdefault(frozenset((t[k], t[(k + 1) % 3])), []).append(ti)
        for edge, owners in edges.items():
            if len(owners) != 2 or edge in constrained:
                continue
            t0, t1 = triangles[owners[0]], triangles[owners[1]]
            a, b = tuple(edge)
            c = next(v for v in t0 if v not in edge)
            d = next(v for v in t1 if v not in edge)
            # t0 as (a, b, c) counter-clockwise
            if _orient(points[a], points[b], points[c]) < 0:
                a, b = b, a
            if not _in_circle(points[a], points[b], points[c], points[d]):
                continue
            # The flipped pair (c, a, d) and (c, d, b) must both stay counter-clockwise.
            if _orient(points[c], points[a], points[d]) <= 0 or _orient(points[c], points[d], points[b]) <= 0:
                continue
            triangles[owners[0]] = [c, a, d]
            triangles[owners[1]] = [c, d, b]
            flipped = True
            break
        if not flipped:
            break
    return [tuple(t) for t in triangles]
