// The shape functions of the implicit surfaces and the table lookups they use.
// Every shape is large inside its body and small or negative outside; the shapes
// read only their arguments, EngineTables.ShapeParams and the lookup tables.
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "geometry/geometry.h"

#include <cmath>
#include <cstring>
#include <iterator>

namespace {

constexpr float TwoPi = 6.28318530717959f;

const float* Params()
{
    return EngineTables.ShapeParams;
}

// Linear interpolation between entries (n AND 4095) and (n + 1 AND 4095), n = k
// truncated toward zero; the fraction is negative for negative k.
float LookUpPeriodic(const float* table, float k)
{
    const int32_t n = static_cast<int32_t>(k);
    const float f = k - static_cast<float>(n);
    const float s0 = table[n & (SINE_PERIOD - 1)];
    const float s1 = table[(n + 1) & (SINE_PERIOD - 1)];
    return s0 + (s1 - s0) * f;
}

float Square(float v)
{
    return v * v;
}

} // namespace

float TableSin(float k)
{
    return LookUpPeriodic(EngineTables.SineTable, k);
}

float TableCos(float k)
{
    return LookUpPeriodic(EngineTables.CosineTable, k);
}

float Falloff(float s)
{
    const float* table = EngineTables.FalloffTable;
    float a = 511.0f * s;
    if (!(a > 0.0f))   // also catches NaN, which would otherwise index anywhere
        a = 0.0f;
    if (a >= 511.0f)
        return table[FALLOFF_TABLE_SIZE - 1];
    const int n = static_cast<int>(a);
    return table[n] + (a - static_cast<float>(n)) * (table[n + 1] - table[n]);
}

// A ball of radius 1 modulated by a cosine pattern of period 1 on each axis,
// shifted by pz.
float CosineBall(float x, float y, float z)
{
    const float k = TableCos(4096.0f * x) * TableCos(4096.0f * y) * TableCos(4096.0f * z);
    return (k + 1.0f) * (1.0f - (x * x + y * y + z * z)) + Params()[SHAPE_PZ];
}

// An ellipsoid with half-axes 0.5, 1, 1 carrying cosine ridges in y and z.
float RidgedEllipsoid(float x, float y, float z)
{
    const float ridges = PortableCos(TwoPi * y) * PortableCos(TwoPi * z) + 1.0f;
    return ridges * (1.0f - (4.0f * x * x + y * y + z * z));
}

// 1 minus the squared product of the squared distances to three points:
// -(px, py, pz), (pz, -px, -py) and (py, -pz, -px).
float ThreeCentres(float x, float y, float z)
{
    const float* p = Params();
    const float px = p[SHAPE_PX], py = p[SHAPE_PY], pz = p[SHAPE_PZ];
    const float a = Square(x + px) + Square(y + py) + Square(z + pz);
    const float b = Square(x - pz) + Square(y + px) + Square(z + py);
    const float q = Square(x - py) + Square(y + pz) + Square(z + px);
    return 1.0f - a * a * b * b * q * q;
}

// A tube along y whose axis winds on a circle of radius 0.35; pz narrows it with |y|.
// The lookups take half the angle: 325.9493 is 2048 / (2 pi).
float TwistedTube(float x, float y, float z)
{
    const float* p = Params();
    const float k = (p[SHAPE_PY] * y + p[SHAPE_PX]) * 325.9493f;
    const float bigX = x + 0.35f * TableCos(k);
    const float bigZ = z + 0.35f * TableSin(k);
    return 1.0f - (bigX * bigX + bigZ * bigZ + p[SHAPE_PZ] * y * y);
}

float TwistedSheet(float x, float y, float z)
{
    const float* p = Params();
    const float theta = p[SHAPE_PY] * y + p[SHAPE_PX];
    const float bigX = x + 0.3f * PortableCos(theta);
    const float bigZ = z + 0.3f * PortableSin(theta);
    return bigX * bigX + bigZ * bigZ - (x * x + z * z) + p[SHAPE_PZ] * y * y;
}

// Two great circles of the sphere of squared radius 0.55 and the circle
// x^2 + z^2 = pz in the plane y = 0, each the falloff of a squared distance.
float ThreeRings(float x, float y, float z)
{
    const float* p = Params();
    const float px = p[SHAPE_PX], py = p[SHAPE_PY], pz = p[SHAPE_PZ];
    const float r = x * x + y * y + z * z - 0.55f;
    const float r2 = r * r;
    return Falloff(8.0f * (Square(px * x + py * y) + r2)) +
           Falloff(8.0f * (Square(px * z - py * y) + r2)) +
           Falloff(8.0f * (Square(x * x + z * z - pz) + y * y));
}

// Two blobs, at (px, py, pz) and at that point plus (ox, oy, oz).
float TwinBlobs(float x, float y, float z)
{
    const float* p = Params();
    const float dx = x - p[SHAPE_PX], dy = y - p[SHAPE_PY], dz = z - p[SHAPE_PZ];
    const float ex = dx - p[SHAPE_OX], ey = dy - p[SHAPE_OY], ez = dz - p[SHAPE_OZ];
    return Falloff(10.0f * (dx * dx + dy * dy + dz * dz)) +
           Falloff(10.0f * (ex * ex + ey * ey + ez * ez));
}

// One ring: the sphere of squared radius 0.45 + pz around (0, -pz, 0), cut by the
// plane px U + py m = 0, with (U, V) the point's (x, z) turned by the pair (ox, oy).
float TumblingRing(float x, float y, float z)
{
    const float* p = Params();
    const float u = p[SHAPE_OY] * x - p[SHAPE_OX] * z;
    const float v = p[SHAPE_OX] * x + p[SHAPE_OY] * z;
    const float m = y + p[SHAPE_PZ];
    const float l = u * u + v * v + m * m - p[SHAPE_PZ] - 0.45f;
    const float h = p[SHAPE_PX] * u + p[SHAPE_PY] * m;
    return Falloff(16.0f * (l * l + h * h));
}

const ShapeFunction ShapeTable[SHAPE_TABLE_SIZE] = {
    CosineBall, RidgedEllipsoid, ThreeCentres, TwistedTube,
    TwistedSheet, ThreeRings, RippledColumn,
};
static_assert(std::size(ShapeTable) == SHAPE_TABLE_SIZE);
