// The case table, grid addressing, and the surfaces the polygoniser extracts.
#include "tests/geometry/geometry_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace {

std::vector<std::vector<int>> CaseTriangles(int caseNumber)
{
    const uint8_t* entry = EngineTables.IsoCaseTable + ISO_CASE_BYTES * caseNumber;
    std::vector<std::vector<int>> triangles;
    for (int t = 0; t < entry[0]; ++t)
        triangles.push_back({ entry[1 + 3 * t], entry[2 + 3 * t], entry[3 + 3 * t] });
    return triangles;
}

using Triangles = std::vector<std::vector<int>>;

// Counts, for every undirected edge of the slot's triangles, how often it is used in
// each direction. A closed, consistently wound surface uses each edge once each way.
bool IsClosedAndConsistent(const MeshSlot& slot, std::string* why)
{
    std::map<std::pair<uint32_t, uint32_t>, int> directed;
    for (int i = 0; i < slot.indexCount; i += 3) {
        for (int c = 0; c < 3; ++c) {
            const uint32_t a = slot.indices[i + c], b = slot.indices[i + (c + 1) % 3];
            ++directed[{ a, b }];
        }
    }
    for (const auto& [edge, count] : directed) {
        const auto back = directed.find({ edge.second, edge.first });
        if (count != 1 || back == directed.end() || back->second != 1) {
            *why = "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) +
                   " used " + std::to_string(count) + " times forwards";
            return false;
        }
    }
    return true;
}

class MarchingCubesTest : public ::testing::Test {
protected:
    void SetUp() override { BuildMeshesHeadless(); }

    // A scratch slot in the vertex space of mesh 20 (16,384 vertices).
    MeshSlot ScratchSlot(int32_t vertexBudget, int32_t indexCapacity)
    {
        MeshSlot slot = EngineTables.MeshTable[20];
        slot.vertexCount = vertexBudget;
        slot.indexCapacity = indexCapacity;
        storage.assign(static_cast<size_t>(indexCapacity), 0);
        slot.indices = storage.data();
        return slot;
    }

    std::vector<uint32_t> storage;
};

TEST_F(MarchingCubesTest, CaseTableExamples)
{
    EXPECT_EQ(CaseTriangles(0), Triangles{});
    EXPECT_EQ(CaseTriangles(255), Triangles{});
    EXPECT_EQ(CaseTriangles(1), (Triangles{ { 0, 8, 2 } }));
    EXPECT_EQ(CaseTriangles(3), (Triangles{ { 1, 8, 2 }, { 1, 9, 8 } }));
    EXPECT_EQ(CaseTriangles(6), (Triangles{ { 1, 10, 3 }, { 1, 2, 10 }, { 1, 0, 2 }, { 1, 9, 0 } }));
    EXPECT_EQ(CaseTriangles(105), (Triangles{ { 0, 9, 1 }, { 3, 10, 2 }, { 4, 8, 6 }, { 7, 11, 5 } }));
    EXPECT_EQ(CaseTriangles(128), (Triangles{ { 5, 11, 7 } }));
    EXPECT_EQ(CaseTriangles(254), (Triangles{ { 2, 8, 0 } }));
}

TEST_F(MarchingCubesTest, TriangleCountDistribution)
{
    int histogram[6] = {};
    for (int c = 0; c < 256; ++c) {
        const int count = EngineTables.IsoCaseTable[ISO_CASE_BYTES * c];
        ASSERT_LE(count, 5);
        ++histogram[count];
    }
    EXPECT_EQ(histogram[0], 2);
    EXPECT_EQ(histogram[1], 16);
    EXPECT_EQ(histogram[2], 50);
    EXPECT_EQ(histogram[3], 80);
    EXPECT_EQ(histogram[4], 76);
    EXPECT_EQ(histogram[5], 32);
}

TEST_F(MarchingCubesTest, GridsAddressTheirEdgeFields)
{
    const int sizes[ISO_GRID_COUNT] = { 4, 8, 16, 32, 28 };
    for (int g = 0; g < ISO_GRID_COUNT; ++g) {
        const SampleGrid* grid = EngineTables.IsoGrids[g];
        ASSERT_EQ(grid->nx, sizes[g]);
        ASSERT_EQ(grid->nz, sizes[g]);
        const int n1 = sizes[g] + 1;
        // Case 128 (only corner 7 below): edge 5 is the y edge of corner 5 = (1, 0, 1),
        // edge 11 the z edge of corner 3 = (1, 1, 0), edge 7 the x edge of corner 6.
        const GridCase& c = grid->cases[128];
        ASSERT_EQ(c.triangleCount, 1);
        const auto offset = [&](int point, size_t field) {
            return static_cast<int32_t>(point * sizeof(GridPoint) + field);
        };
        EXPECT_EQ(c.edgeFieldOffset[0], offset(1 + n1 * n1, offsetof(GridPoint, yEdgeVertex)));
        EXPECT_EQ(c.edgeFieldOffset[1], offset(1 + n1, offsetof(GridPoint, zEdgeVertex)));
        EXPECT_EQ(c.edgeFieldOffset[2], offset(n1 + n1 * n1, offsetof(GridPoint, xEdgeVertex)));
    }
    float coordinates[MAX_GRID_CELLS + 1];
    ComputeGridCoordinates(32, coordinates);
    EXPECT_EQ(coordinates[0], -1.0f);
    EXPECT_NEAR(coordinates[16], 0.0f, 1e-6f);
    EXPECT_NEAR(coordinates[32], 1.0f, 1e-5f);
    // The walks keep a grid's coordinates in GridAxes: no grid is made larger.
    EXPECT_EQ(MakeGrid(MAX_GRID_CELLS + 1, 4, 4), nullptr);
    EXPECT_EQ(MakeGrid(4, 4, 0), nullptr);
    EXPECT_NE(MakeGrid(MAX_GRID_CELLS, 1, 1), nullptr);
}

TEST_F(MarchingCubesTest, ThreeCentresAtTheOriginIsASphere)
{
    MeshSlot slot = ScratchSlot(4096, 3 * 4096);
    PolygoniseShape(EngineTables.IsoGrids[IMPLICIT_GRID], &slot, ThreeCentres, 251.0f / 255.0f,
                    0, 0, 0, 2.0f);
    ASSERT_GT(slot.indexCount, 0);
    const float radius = std::pow(4.0f / 255.0f, 1.0f / 12.0f);
    EXPECT_NEAR(radius, 0.707f, 0.001f);
    for (int i = 0; i < slot.indexCount; ++i) {
        const Vertex& v = EngineTables.VertexArray[slot.indices[i]];
        const float r = std::sqrt(v.position[0] * v.position[0] + v.position[1] * v.position[1] +
                                  v.position[2] * v.position[2]) / 2.0f;
        ASSERT_NEAR(r, radius, 0.03f);
        // Normals have length 0.5 and point outwards, towards lower values.
        const float dot = v.normal[0] * v.position[0] + v.normal[1] * v.position[1] + v.normal[2] * v.position[2];
        ASSERT_GT(dot, 0.0f);
        const float n = std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]);
        ASSERT_NEAR(n, 0.5f, 1e-4f);
        ASSERT_FLOAT_EQ(v.texCoord[0], v.position[0] / 2.0f);
    }
    std::string why;
    EXPECT_TRUE(IsClosedAndConsistent(slot, &why)) << why;
}

TEST_F(MarchingCubesTest, TrianglesFaceTheOutside)
{
    // Counter-clockwise seen from below the threshold, the outside of a ball.
    MeshSlot slot = ScratchSlot(4096, 3 * 4096);
    PolygoniseShape(EngineTables.IsoGrids[1], &slot, ThreeCentres, 0.5f, 0, 0, 0, 1.0f);
    ASSERT_GT(slot.indexCount, 0);
    for (int i = 0; i < slot.indexCount; i += 3) {
        const float* a = EngineTables.VertexArray[slot.indices[i]].position;
        const float* b = EngineTables.VertexArray[slot.indices[i + 1]].position;
        const float* c = EngineTables.VertexArray[slot.indices[i + 2]].position;
        const float u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
        const float v[3] = { c[0] - a[0], c[1] - a[1], c[2] - a[2] };
        const float n[3] = { u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0] };
        ASSERT_GT(n[0] * a[0] + n[1] * a[1] + n[2] * a[2], 0.0f) << "triangle " << i / 3;
    }
}

TEST_F(MarchingCubesTest, EverythingOrNothingBelowGivesNoSurface)
{
    MeshSlot slot = ScratchSlot(4096, 3 * 4096);
    slot.indexCount = 99;
    PolygoniseShape(EngineTables.IsoGrids[0], &slot, ThreeCentres, 5.0f, 0, 0, 0, 1.0f);
    EXPECT_EQ(slot.indexCount, 0);
    slot.indexCount = 99;
    PolygoniseShape(EngineTables.IsoGrids[0], &slot, ThreeCentres, -1e30f, 0, 0, 0, 1.0f);
    EXPECT_EQ(slot.indexCount, 0);
}

TEST_F(MarchingCubesTest, SurfacesOverBudgetDrawNothing)
{
    SampleGrid* grid = EngineTables.IsoGrids[IMPLICIT_GRID];
    MeshSlot slot = ScratchSlot(4096, 3 * 4096);
    PolygoniseShape(grid, &slot, ThreeCentres, 251.0f / 255.0f, 0, 0, 0, 1.0f);
    const int32_t indices = slot.indexCount;
    int32_t vertices = 0;
    for (int i = 0; i < indices; ++i)
        vertices = std::max<int32_t>(vertices, static_cast<int32_t>(slot.indices[i]) - slot.firstVertex + 1);
    ASSERT_GT(indices, 0);

    // Exactly enough: vertexCount - 1 vertices are made, and a triangle is written
    // only while fewer than indexCapacity - 3 indices are.
    slot = ScratchSlot(vertices + 1, indices + 1);
    PolygoniseShape(grid, &slot, ThreeCentres, 251.0f / 255.0f, 0, 0, 0, 1.0f);
    EXPECT_EQ(slot.indexCount, indices);

    slot = ScratchSlot(vertices, indices + 1);
    PolygoniseShape(grid, &slot, ThreeCentres, 251.0f / 255.0f, 0, 0, 0, 1.0f);
    EXPECT_EQ(slot.indexCount, 0);

    slot = ScratchSlot(vertices + 1, indices);
    PolygoniseShape(grid, &slot, ThreeCentres, 251.0f / 255.0f, 0, 0, 0, 1.0f);
    EXPECT_EQ(slot.indexCount, 0);
}

TEST_F(MarchingCubesTest, ShippedSurfacesAreClosed)
{
    for (int mesh = 18; mesh <= 26; ++mesh) {
        const MeshSlot& slot = EngineTables.MeshTable[mesh];
        EXPECT_GT(slot.indexCount, 0) << "mesh " << mesh;
        std::string why;
        EXPECT_TRUE(IsClosedAndConsistent(slot, &why)) << "mesh " << mesh << ": " << why;
    }
}

// The animated surfaces' shapes on the 28-cell grid, at several times: every edge is
// shared by two triangles, except where the surface is cut by the side of the cube.
TEST_F(MarchingCubesTest, AnimatedShapesAreClosedInsideTheCube)
{
    struct Animated {
        ShapeFunction shape;
        float w1, a1, b1, w2, a2, b2, threshold;
    };
    const Animated shapes[] = {
        { RippledColumn, 0.003f, 2.0f, 2.0f, 0.006f, 0.5f, 0.0f, 0.25f },
        { CosineLattice, 0.005f, 2.0f, 2.0f, 0.006f, 1.0f, 1.0f, 1.15f },
        { ThreeRings, 0.005f, 1.0f, 0.0f, 0.01f, 0.35f, 0.35f, 0.65f },
        { CosineBall, 0.0f, 0.0f, 0.0f, 0.01f, 0.25f, 0.0f, 0.5f },
    };
    for (const Animated& a : shapes) {
        for (float t : { 0.0f, 1234.0f, 5000.0f }) {
            MeshSlot slot = ScratchSlot(16384, 3 * 16384);
            PolygoniseShape(EngineTables.IsoGrids[4], &slot, a.shape, a.threshold,
                            a.b1 + a.a1 * std::sin(a.w1 * t), a.b1 + a.a1 * std::cos(a.w1 * t),
                            a.a2 * std::sin(a.w2 * t) + a.b2, 1.0f);
            ASSERT_GT(slot.indexCount, 0);
            std::map<std::pair<uint32_t, uint32_t>, int> directed;
            for (int i = 0; i < slot.indexCount; i += 3)
                for (int c = 0; c < 3; ++c)
                    ++directed[{ slot.indices[i + c], slot.indices[i + (c + 1) % 3] }];
            for (const auto& [edge, count] : directed) {
                ASSERT_EQ(count, 1);
                if (directed.count({ edge.second, edge.first }))
                    continue;
                const float* p = EngineTables.VertexArray[edge.first].position;
                const float* q = EngineTables.VertexArray[edge.second].position;
                bool onSide = false;
                for (int axis = 0; axis < 3; ++axis)
                    onSide = onSide || (std::fabs(p[axis]) > 0.999f && std::fabs(q[axis]) > 0.999f);
                ASSERT_TRUE(onSide) << "open edge inside the cube at t = " << t;
            }
        }
    }
}

// A plane across the 4-cell grid, where every crossing and normal is known exactly:
// one vertex per x edge from 0 to 0.5, made in storage order.
TEST_F(MarchingCubesTest, CrossingsAndNormalsOfAPlane)
{
    SampleGrid* grid = EngineTables.IsoGrids[0];
    const ShapeFunction plane = [](float x, float, float) { return 1.0f + x; };
    MeshSlot slot = ScratchSlot(64, 3 * 64);
    PolygoniseShape(grid, &slot, plane, 1.3f, 0, 0, 0, -2.0f);
    ASSERT_EQ(slot.indexCount, 4 * 4 * 2 * 3);   // two triangles per cell of the plane
    // Sampled values carry +0.00001, so the plane is met just before x = 0.3.
    const float crossing = (1.3f - (1.0f + 0.00001f)) * 0.5f / 0.5f;
    for (int n = 0; n < 25; ++n) {
        const Vertex& v = EngineTables.VertexArray[slot.firstVertex + n];
        const float y = -1.0f + 0.5f * static_cast<float>(n % 5), z = -1.0f + 0.5f * static_cast<float>(n / 5);
        ASSERT_NEAR(v.position[0], -2.0f * crossing, 1e-5f) << n;
        ASSERT_NEAR(v.position[1], -2.0f * y, 1e-6f) << n;
        ASSERT_NEAR(v.position[2], -2.0f * z, 1e-6f) << n;
        ASSERT_NEAR(v.texCoord[0], crossing, 1e-5f);
        ASSERT_NEAR(v.texCoord[1], y, 1e-6f);
        ASSERT_NEAR(v.normal[0], -0.5f, 1e-5f);   // towards lower values
        ASSERT_NEAR(v.normal[1], 0.0f, 1e-6f);
        ASSERT_NEAR(v.normal[2], 0.0f, 1e-6f);
    }

    // The same plane as stored values: normals from the neighbours by point number, so
    // on the last sampled layer the unsampled zero layer above stands in for +z, and
    // for the last row of that layer also for +y.
    const int row = grid->nx + 1, layer = row * (grid->ny + 1);
    for (int k = 0; k <= grid->nz; ++k)
        for (int j = 0; j <= grid->ny; ++j)
            for (int i = 0; i <= grid->nx; ++i)
                grid->points[i + j * row + k * layer].value = 1.0f + (-1.0f + 0.5f * static_cast<float>(i));
    PolygoniseField(grid, &slot, 1.3f, 1.0f);
    ASSERT_EQ(slot.indexCount, 4 * 4 * 2 * 3);
    for (int n = 0; n < 25; ++n) {
        const Vertex& v = EngineTables.VertexArray[slot.firstVertex + n];
        ASSERT_NEAR(v.position[0], 0.3f, 1e-6f);
        // The crossing starts at x = 0, value 1; its +x neighbour holds 1.5.
        const bool top = n / 5 == grid->nz, lastRow = n % 5 == grid->ny;
        const float g[3] = { 1.0f - 1.5f, top && lastRow ? 1.0f : 0.0f, top ? 1.0f : 0.0f };
        const float factor = 0.5f / std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        for (int axis = 0; axis < 3; ++axis)
            ASSERT_NEAR(v.normal[axis], g[axis] * factor, 1e-6f) << n << " axis " << axis;
    }
}

TEST_F(MarchingCubesTest, FieldSurfaceMatchesItsShape)
{
    // The same ball from stored values: the same triangles, normals from neighbours.
    SampleGrid* grid = EngineTables.IsoGrids[TRAIL_GRID];
    MeshSlot fromShape = ScratchSlot(16384, 3 * 16384);
    PolygoniseShape(grid, &fromShape, ThreeCentres, 0.5f, 0, 0, 0, 1.0f);
    const std::vector<uint32_t> expected(storage.begin(), storage.begin() + fromShape.indexCount);
    MeshSlot fromField = ScratchSlot(16384, 3 * 16384);
    PolygoniseField(grid, &fromField, 0.5f, 1.0f);
    ASSERT_EQ(fromField.indexCount, static_cast<int32_t>(expected.size()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), storage.begin()));
    std::string why;
    EXPECT_TRUE(IsClosedAndConsistent(fromField, &why)) << why;
}

} // namespace
