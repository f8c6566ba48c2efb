// The two shapes of the animated surfaces that call sine and cosine at every point:
// the rippled column and the cosine lattice. Their terms depend on one or two of the
// three coordinates only, so on the points of the 28-cell grid, where every frame
// samples them, they are read from tables over the grid's coordinates and pairs of
// them, refilled when the parameters move. Off the grid (a vertex on an edge, and the
// three steps beside it for its normal) the last few are remembered: the evaluations
// around one vertex share most of them. Every term is computed by the same
// expression wherever it is used, so each value has exactly its formula's bits.
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "geometry/geometry.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr float Pi = 3.14159265358979f;

// The bits of a float, so that -0 and +0, and any NaN, are told apart.
uint32_t Bits(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
constexpr int POINTS = 29;   // per axis of the 28-cell grid

struct GridCoordinates {
    float value[POINTS] = {};
    bool ready = false;
};
GridCoordinates Grid;

// The index of the 28-cell grid's coordinate that u is exactly, or -1; without a
// branch on whether u is on the grid, which changes unpredictably between the grid's
// points and the vertices between them (u is almost never outside it).
inline int GridIndex(float u)
{
    const float t = (u + 1.0f) * 14.0f + 0.5f;
    if (!(t >= 0.0f && t < static_cast<float>(POINTS))) [[unlikely]]   // outside the grid, or NaN
        return -1;
    const int i = static_cast<int>(t);
    const int on = Grid.value[i] == u;
    return i | (on - 1);
}

struct PointIndices {
    int i, j, k;
};

// The last grid point asked for: the grid is sampled in order, x fastest, so the
// point after it is tried first.
struct GridCursor {
    PointIndices at = { -1, -1, -1 };
    uint32_t yBits = 0, zBits = 0;
};
GridCursor Cursor;

// Inlined, so that the indices stay in registers: returned by value they were
// packed through the stack, and the wide load waited on the narrow stores.
[[gnu::always_inline]] inline PointIndices GridIndices(float x, float y, float z)
{
    if (!Grid.ready) [[unlikely]] {
        ComputeGridCoordinates(POINTS - 1, Grid.value);
        Grid.ready = true;
    }
    GridCursor& c = Cursor;
    const int next = c.at.i + 1;
    if (c.at.i >= 0 && next < POINTS && Grid.value[next] == x && Bits(y) == c.yBits && Bits(z) == c.zBits) {
        // Built from the parts, not read back whole after the store to one of them:
        // a load wider than the store before it would wait for the store.
        const PointIndices at = { next, c.at.j, c.at.k };
        c.at.i = next;
        return at;
    }
    const PointIndices at = { GridIndex(x), GridIndex(y), GridIndex(z) };
    if (at.i >= 0 && at.j >= 0 && at.k >= 0)
        c = { at, Bits(y), Bits(z) };
    else
        c.at.i = -1;
    return at;
}

// The last few values of a term of up to two coordinates, by the coordinates' bits.
template <int VALUES>
struct TermMemo {
    static constexpr int SIZE = 4;
    uint64_t keys[SIZE] = {};
    float values[SIZE][VALUES] = {};
    int used = 0;   // entries filled, up to SIZE
    int next = 0;   // the entry the next miss overwrites

    template <typename Compute>
    const float* Get(float u, float v, Compute compute)
    {
        const uint64_t key = uint64_t{ Bits(u) } << 32 | Bits(v);
        // The entry that holds the key, found without a branch per entry.
        int hit = -1;
        for (int n = 0; n < SIZE; ++n)
            hit = n < used && keys[n] == key ? n : hit;
        if (hit >= 0)
            return values[hit];
        float* slot = values[next];
        keys[next] = key;
        used = used < SIZE ? used + 1 : SIZE;
        next = (next + 1) % SIZE;
        compute(slot);
        return slot;
    }
};

// A parameter that terms depend on: true, once, when it has a new value.
struct Parameter {
    float value = 0.0f;
    bool ready = false;

    bool Changed(float now)
    {
        if (ready && value == now)
            return false;
        value = now;
        ready = true;
        return true;
    }
};

// What both shapes start from: the two parameters their terms depend on and the
// point's grid indices.
struct ShapePoint {
    float px, py;
    int i, j, k;
};

[[gnu::always_inline]] inline ShapePoint StartAt(float x, float y, float z)
{
    const float* p = EngineTables.ShapeParams;
    const PointIndices at = GridIndices(x, y, z);
    return { p[SHAPE_PX], p[SHAPE_PY], at.i, at.j, at.k };
}

// ---- The rippled column ---------------------------------------------------------------
// ((sin(4 (e + px)) cos(8 (y + py)) - 1.25)(z + 1) + 2e)(1 - y^2), e = Falloff(x^2 + z^2).

struct RippleTerms {
    Parameter px, py;
    float xz[POINTS][POINTS][2] = {};   // e and sin(4 (e + px))
    float y[POINTS][1] = {};            // cos(8 (y + py))
    TermMemo<2> offGridXZ;
    TermMemo<1> offGridY;
};
RippleTerms Ripple;

void RippleXZ(float x, float z, float px, float* out)
{
    const float e = Falloff(x * x + z * z);
    out[0] = e;
    out[1] = PortableSin(4.0f * (e + px));
}

void RippleY(float y, float py, float* out)
{
    out[0] = PortableCos(8.0f * (y + py));
}

// ---- The cosine lattice ---------------------------------------------------------------
// (1/8 (1 + cos a)(1 + cos b)(1 + cos c) + 1/8 cos(pi a) cos(pi b))(2 - x^2 - y^2 - z^2)
// with a = x + sin(pi (y + py)), b = z + sin(pi (x + px)), c = y + sin(pi z).

struct LatticeTerms {
    Parameter px, py;
    bool zReady = false;
    // For grid coordinates u: sin(pi (u + px)), sin(pi (u + py)), sin(pi u).
    float sinX[POINTS] = {};
    float sinY[POINTS] = {};
    float sinZ[POINTS] = {};
    // [x][y]: 1 + cos a and cos(pi a); [x][z]: 1 + cos b and cos(pi b); [y][z]: 1 + cos c.
    float xy[POINTS][POINTS][2] = {};
    float xz[POINTS][POINTS][2] = {};
    float yz[POINTS][POINTS][1] = {};
    TermMemo<2> offGridXY;
    TermMemo<2> offGridXZ;
    TermMemo<1> offGridYZ;
    TermMemo<1> offGridX, offGridY, offGridZ;
};
LatticeTerms Lattice;

// 1 + cos v and cos(pi v) for v = u + s: a's terms (u = x, s = sin(pi (y + py))) and
// b's (u = z, s = sin(pi (x + px))).
void LatticePair(float u, float s, float* out)
{
    const float v = u + s;
    out[0] = 1.0f + PortableCos(v);
    out[1] = PortableCos(Pi * v);
}

// For a new px or py: the grid's sines sin(pi (u + p)) and, for each, the pair of terms
// it makes with every grid coordinate, stored where `at(sine, coordinate)` says.
template <typename At>
void ShiftLattice(float p, float* sines, At at)
{
    const float* g = Grid.value;
    for (int c = 0; c < POINTS; ++c) {
        sines[c] = PortableSin(Pi * (g[c] + p));
        for (int d = 0; d < POINTS; ++d)
            LatticePair(g[d], sines[c], at(c, d));
    }
}

void LatticeC(float y, float sinZ, float* out)
{
    out[0] = 1.0f + PortableCos(y + sinZ);
}

} // namespace

float RippledColumn(float x, float y, float z)
{
    RippleTerms& r = Ripple;
    const ShapePoint at = StartAt(x, y, z);
    const float px = at.px, py = at.py;
    const int i = at.i, j = at.j, k = at.k;
    const float* g = Grid.value;
    if (r.px.Changed(px)) {
        for (int c = 0; c < POINTS; ++c)
            for (int l = 0; l < POINTS; ++l)
                RippleXZ(g[c], g[l], px, r.xz[c][l]);
        r.offGridXZ = {};
    }
    if (r.py.Changed(py)) {
        for (int c = 0; c < POINTS; ++c)
            RippleY(g[c], py, r.y[c]);
        r.offGridY = {};
    }
    const float* xz = i >= 0 && k >= 0 ? r.xz[i][k] : r.offGridXZ.Get(x, z, [&](float* out) { RippleXZ(x, z, px, out); });
    const float* q = j >= 0 ? r.y[j] : r.offGridY.Get(y, 0.0f, [&](float* out) { RippleY(y, py, out); });
    const float ripple = xz[1] * q[0];
    return ((ripple - 1.25f) * (z + 1.0f) + 2.0f * xz[0]) * (1.0f - y * y);
}

float CosineLattice(float x, float y, float z)
{
    LatticeTerms& l = Lattice;
    const ShapePoint at = StartAt(x, y, z);
    const float px = at.px, py = at.py;
    const int i = at.i, j = at.j, k = at.k;
    const float* g = Grid.value;
    if (!l.zReady) {
        for (int c = 0; c < POINTS; ++c)
            l.sinZ[c] = PortableSin(Pi * g[c]);
        for (int c = 0; c < POINTS; ++c)
            for (int d = 0; d < POINTS; ++d)
                LatticeC(g[c], l.sinZ[d], l.yz[c][d]);
        l.zReady = true;
    }
    if (l.py.Changed(py)) {
        ShiftLattice(py, l.sinY, [&](int c, int d) { return l.xy[d][c]; });
        l.offGridXY = {};
        l.offGridY = {};
    }
    if (l.px.Changed(px)) {
        ShiftLattice(px, l.sinX, [&](int c, int d) { return l.xz[c][d]; });
        l.offGridXZ = {};
        l.offGridX = {};
    }
    auto sinX = [&] {
        return i >= 0 ? l.sinX[i] : *l.offGridX.Get(x, 0.0f, [&](float* out) { *out = PortableSin(Pi * (x + px)); });
    };
    auto sinY = [&] {
        return j >= 0 ? l.sinY[j] : *l.offGridY.Get(y, 0.0f, [&](float* out) { *out = PortableSin(Pi * (y + py)); });
    };
    auto sinZ = [&] { return k >= 0 ? l.sinZ[k] : *l.offGridZ.Get(z, 0.0f, [&](float* out) { *out = PortableSin(Pi * z); }); };
    const float* a = i >= 0 && j >= 0 ? l.xy[i][j] : l.offGridXY.Get(x, y, [&](float* out) { LatticePair(x, sinY(), out); });
    const float* b = i >= 0 && k >= 0 ? l.xz[i][k] : l.offGridXZ.Get(x, z, [&](float* out) { LatticePair(z, sinX(), out); });
    const float* c = j >= 0 && k >= 0 ? l.yz[j][k] : l.offGridYZ.Get(y, z, [&](float* out) { LatticeC(y, sinZ(), out); });
    const float waves = 0.125f * a[0] * b[0] * c[0] + 0.125f * a[1] * b[1];
    return waves * (2.0f - (x * x + y * y + z * z));
}
