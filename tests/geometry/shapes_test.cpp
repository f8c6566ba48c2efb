// Table lookups at their ends and shape values at known points.
#include "tests/geometry/geometry_fixture.h"

#include "core/trigonometry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

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
// parameter they depend on, and give exactly the formula's bits on and off the
// 28-cell grid, whatever the order of the calls.
TEST_F(ShapesTest, CosineLatticeHasItsFormulasBitsAcrossParameterChanges)
{
    const float pi = 3.14159265358979f;
    auto direct = [&](float x, float y, float z) {
        const float px = EngineTables.ShapeParams[SHAPE_PX], py = EngineTables.ShapeParams[SHAPE_PY];
        const float a = x + PortableSin(pi * (y + py)), b = z + PortableSin(pi * (x + px));
        return (0.125f * (1 + PortableCos(a)) * (1 + PortableCos(b)) * (1 + PortableCos(y + PortableSin(pi * z))) +
                0.125f * PortableCos(pi * a) * PortableCos(pi * b)) * (2 - (x * x + y * y + z * z));
    };
    auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    float grid[29];
    ComputeGridCoordinates(28, grid);
    // The animation's parameters at several times (px = 2 + 2 sin 0.005t,
    // py = 2 + 2 cos 0.005t), then px alone and py alone changed.
    std::vector<std::pair<float, float>> params;
    for (float t : { 0.0f, 700.0f, 2345.0f, 9000.0f, 17311.0f })
        params.emplace_back(2.0f + 2.0f * PortableSin(0.005f * t), 2.0f + 2.0f * PortableCos(0.005f * t));
    params.insert(params.end(), { { 1.5f, 0.0f }, { 1.5f, -0.75f }, { -0.25f, -0.75f } });
    for (const auto& [px, py] : params) {
        EngineTables.ShapeParams[SHAPE_PX] = px;
        EngineTables.ShapeParams[SHAPE_PY] = py;
        for (int k = 0; k <= 28; ++k)
            for (int j = 0; j <= 28; ++j)
                for (int i = 0; i <= 28; ++i) {
                    const float x = grid[i], y = grid[j], z = grid[k];
                    ASSERT_EQ(bits(CosineLattice(x, y, z)), bits(direct(x, y, z))) << x << " " << y << " " << z;
                }
        for (int i = 0; i <= 28; i += 7) {
            const float x = grid[i], y = grid[28 - i], z = grid[i / 2];
            ASSERT_EQ(bits(CosineLattice(x + 0.001f, y, z)), bits(direct(x + 0.001f, y, z)));
            ASSERT_EQ(bits(CosineLattice(x, y, z + 0.01f)), bits(direct(x, y, z + 0.01f)));
        }
    }
    EXPECT_TRUE(std::isnan(CosineLattice(std::nanf(""), 0.0f, 0.0f)));
}

} // namespace
