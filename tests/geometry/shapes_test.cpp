// Table lookups at their ends and shape values at known points.
#include "tests/geometry/geometry_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ShapesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildMeshesHeadless();
        for (float& p : EngineTables.ShapeParams)
            p = 0.0f;
    }
};

TEST_F(ShapesTest, FalloffAtItsEnds)
{
    EXPECT_EQ(Falloff(0.0f), 1.0f);
    EXPECT_EQ(Falloff(-3.0f), 1.0f);
    const float last = (2.0f / 512.0f) * (2.0f / 512.0f);
    EXPECT_FLOAT_EQ(Falloff(1.0f), last);
    EXPECT_FLOAT_EQ(Falloff(1e9f), last);
    EXPECT_FLOAT_EQ(Falloff(std::nanf("")), 1.0f);
    // Halfway between entries 255 and 256.
    const float* f = EngineTables.FalloffTable;
    EXPECT_FLOAT_EQ(Falloff(255.5f / 511.0f), 0.5f * (f[255] + f[256]));
    EXPECT_NEAR(Falloff(0.5f), 0.25f, 0.01f);
}

TEST_F(ShapesTest, PeriodicLookupsWrapBothWays)
{
    EXPECT_FLOAT_EQ(TableSin(1024.0f), 1.0f);
    EXPECT_FLOAT_EQ(TableCos(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(TableSin(-1024.0f), -1.0f);
    EXPECT_FLOAT_EQ(TableCos(4096.0f * 7.0f), 1.0f);
    EXPECT_NEAR(TableSin(-0.5f), -0.5f * EngineTables.SineTable[1], 1e-7f);
    for (float k = -9000.0f; k < 9000.0f; k += 97.31f) {
        EXPECT_NEAR(TableSin(k), std::sin(k * 6.2831853f / 4096.0f), 5e-5f) << k;
        EXPECT_NEAR(TableCos(k), std::cos(k * 6.2831853f / 4096.0f), 5e-5f) << k;
    }
}

TEST_F(ShapesTest, ValuesAtKnownPoints)
{
    EXPECT_FLOAT_EQ(RidgedEllipsoid(0, 0, 0), 2.0f);
    EXPECT_NEAR(RidgedEllipsoid(0.5f, 0, 0), 0.0f, 1e-6f);
    const float r2 = 0.3f * 0.3f + 0.2f * 0.2f + 0.1f * 0.1f;
    EXPECT_NEAR(ThreeCentres(0.3f, 0.2f, 0.1f), 1.0f - std::pow(r2, 6.0f), 1e-6f);
    EXPECT_FLOAT_EQ(CosineBall(0, 0, 0), 2.0f);
    EngineTables.ShapeParams[SHAPE_PX] = 1.3f;
    EngineTables.ShapeParams[SHAPE_PY] = -0.7f;
    EngineTables.ShapeParams[SHAPE_PZ] = 2.1f;
    EXPECT_NEAR(TwistedSheet(0, 0, 0), 0.09f, 1e-6f);
    EXPECT_FLOAT_EQ(CosineBall(0, 0, 0), 2.0f + 2.1f);
}

TEST_F(ShapesTest, TwistedTubeFollowsItsWindingAxis)
{
    // px = 0, py = 0: the axis sits at x = -0.35, z = 0 for every y.
    EngineTables.ShapeParams[SHAPE_PZ] = 0.0f;
    EXPECT_NEAR(TwistedTube(-0.35f, 0.4f, 0.0f), 1.0f, 1e-6f);
    // Half a turn of the lookups' half angle: k = pi * 325.9493 is index 1024.
    EngineTables.ShapeParams[SHAPE_PX] = 3.14159265f;
    EXPECT_NEAR(TwistedTube(0.0f, 0.0f, -0.35f), 1.0f, 1e-4f);
}

TEST_F(ShapesTest, RingsAndBlobsPeakOnTheirCurves)
{
    EngineTables.ShapeParams[SHAPE_PX] = 1.0f;
    EngineTables.ShapeParams[SHAPE_PY] = 0.0f;
    EngineTables.ShapeParams[SHAPE_PZ] = 0.55f;
    // On the circle x^2 + z^2 = 0.55 in y = 0 every ring's falloff is 1 or more.
    const float r = std::sqrt(0.55f);
    EXPECT_GE(ThreeRings(0.0f, 0.0f, r), 1.0f);
    EXPECT_LT(ThreeRings(0.0f, 0.0f, 0.0f), 0.01f);

    EngineTables.ShapeParams[SHAPE_PX] = 0.2f;
    EngineTables.ShapeParams[SHAPE_PY] = 0.1f;
    EngineTables.ShapeParams[SHAPE_PZ] = -0.3f;
    EngineTables.ShapeParams[SHAPE_OX] = 0.5f;
    EXPECT_NEAR(TwinBlobs(0.2f, 0.1f, -0.3f), 1.0f + Falloff(10.0f * 0.25f), 1e-6f);
    EXPECT_NEAR(TwinBlobs(0.7f, 0.1f, -0.3f), 1.0f + Falloff(10.0f * 0.25f), 1e-6f);
}

// Every parameter reaches the term it belongs to: each shape against its formula,
// written out here with the library's sin and cos, at a point where no term vanishes.
TEST_F(ShapesTest, ShapesFollowTheirFormulasWithEveryParameterSet)
{
    float* p = EngineTables.ShapeParams;
    p[SHAPE_PX] = 0.3f;
    p[SHAPE_PY] = -0.4f;
    p[SHAPE_PZ] = 0.25f;
    p[SHAPE_OX] = 0.6f;
    p[SHAPE_OY] = 0.8f;
    p[SHAPE_OZ] = -0.2f;
    const float px = 0.3f, py = -0.4f, pz = 0.25f, ox = 0.6f, oy = 0.8f;
    const float x = 0.21f, y = -0.33f, z = 0.47f, r2 = x * x + y * y + z * z;
    const float twoPi = 6.28318531f;
    // The table's own interpolation, not the shape code's.
    const float* f = EngineTables.FalloffTable;
    auto falloff = [f](float s) {
        const float a = std::fmin(std::fmax(511.0f * s, 0.0f), 511.0f);
        const int n = static_cast<int>(a);
        return n == 511 ? f[511] : f[n] + (a - static_cast<float>(n)) * (f[n + 1] - f[n]);
    };

    const float k = std::cos(twoPi * x) * std::cos(twoPi * y) * std::cos(twoPi * z);
    EXPECT_NEAR(CosineBall(x, y, z), (k + 1.0f) * (1.0f - r2) + pz, 1e-5f);
    const float half = (py * y + px) / 2.0f;   // the tube's lookups take half the angle
    const float tx = x + 0.35f * std::cos(half), tz = z + 0.35f * std::sin(half);
    EXPECT_NEAR(TwistedTube(x, y, z), 1.0f - (tx * tx + tz * tz + pz * y * y), 1e-5f);
    const float r = r2 - 0.55f;
    const float rings = falloff(8.0f * ((px * x + py * y) * (px * x + py * y) + r * r)) +
                        falloff(8.0f * ((px * z - py * y) * (px * z - py * y) + r * r)) +
                        falloff(8.0f * ((x * x + z * z - pz) * (x * x + z * z - pz) + y * y));
    EXPECT_NEAR(ThreeRings(x, y, z), rings, 1e-5f);
    const float e = falloff(x * x + z * z);
    EXPECT_NEAR(RippledColumn(x, y, z),
                ((std::sin(4.0f * (e + px)) * std::cos(8.0f * (y + py)) - 1.25f) * (z + 1.0f) + 2.0f * e) *
                    (1.0f - y * y),
                1e-5f);
    // The falloff shapes near their bodies, where the curve is not at its floor.
    {
        const float rx = 0.7f, ry = 0.035f, rz = 0.3f;
        const float u = oy * rx - ox * rz, v = ox * rx + oy * rz, m = ry + pz;
        const float l = u * u + v * v + m * m - pz - 0.45f, h = px * u + py * m;
        ASSERT_LT(16.0f * (l * l + h * h), 0.5f);
        EXPECT_NEAR(TumblingRing(rx, ry, rz), falloff(16.0f * (l * l + h * h)), 1e-5f);
    }
    {
        const float bx = 1.0f, by = 0.35f, bz = 0.1f;   // near the second blob
        const float dx = bx - px, dy = by - py, dz = bz - pz;
        const float ex = dx - ox, ey = dy - oy, ez = dz + 0.2f;
        ASSERT_LT(10.0f * (ex * ex + ey * ey + ez * ez), 0.5f);
        EXPECT_NEAR(TwinBlobs(bx, by, bz),
                    falloff(10.0f * (dx * dx + dy * dy + dz * dz)) + falloff(10.0f * (ex * ex + ey * ey + ez * ez)),
                    1e-5f);
    }
}

// The lattice keeps terms between calls; they must follow every argument and
// parameter they depend on.
TEST_F(ShapesTest, CosineLatticeMatchesItsFormulaAcrossParameterChanges)
{
    const float pi = 3.14159265f;
    auto direct = [&](float x, float y, float z) {
        const float px = EngineTables.ShapeParams[SHAPE_PX], py = EngineTables.ShapeParams[SHAPE_PY];
        const float a = x + std::sin(pi * (y + py)), b = z + std::sin(pi * (x + px));
        return (0.125f * (1 + std::cos(a)) * (1 + std::cos(b)) * (1 + std::cos(y + std::sin(pi * z))) +
                0.125f * std::cos(pi * a) * std::cos(pi * b)) * (2 - (x * x + y * y + z * z));
    };
    // On the 28-cell grid's points, where it is sampled by rows, and off them.
    float grid[29];
    ComputeGridCoordinates(28, grid);
    const float params[3][2] = { { 0.0f, 0.0f }, { 1.5f, 0.0f }, { 1.5f, -0.75f } };
    for (const auto& pair : params) {
        EngineTables.ShapeParams[SHAPE_PX] = pair[0];
        EngineTables.ShapeParams[SHAPE_PY] = pair[1];
        for (int k : { 0, 9, 28 })
            for (int j : { 3, 14, 27 })
                for (int i = 0; i <= 28; ++i) {
                    const float x = grid[i], y = grid[j], z = grid[k];
                    ASSERT_NEAR(CosineLattice(x, y, z), direct(x, y, z), 2e-6f) << x << " " << y << " " << z;
                    ASSERT_NEAR(CosineLattice(x + 0.001f, y, z), direct(x + 0.001f, y, z), 2e-6f);
                    ASSERT_NEAR(CosineLattice(x, y, z + 0.01f), direct(x, y, z + 0.01f), 2e-6f);
                }
    }
}

} // namespace
