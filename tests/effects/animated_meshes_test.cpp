// Meshes rebuilt every frame, without a GL context: what a transition's outgoing
// scene may not touch, how the trail field fades, the shading bands and the picture.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

TextureBankEntry FakeBank[TEXTURE_COUNT];

class AnimatedMeshes : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool built = false;
        if (built)
            return;
        built = true;
        BuildGeometryWithoutGl();
        EngineTables.TextureBank = FakeBank;
    }
    void SetUp() override { OutgoingScene = false; }
    void TearDown() override { OutgoingScene = false; }
};

SceneItem ItemOfMesh(int mesh)
{
    SceneItem item = {};
    item.mesh = static_cast<uint16_t>(mesh);
    return item;
}

SampleGrid* TrailGrid()
{
    return EngineTables.IsoGrids[TRAIL_GRID];
}

int SampledPoints(const SampleGrid* grid)
{
    return (grid->nx + 1) * (grid->ny + 1) * (grid->nz + 1);
}

std::vector<float> GridValues(const SampleGrid* grid, int count)
{
    std::vector<float> values(count);
    for (int n = 0; n < count; ++n)
        values[n] = grid->points[n].value;
    return values;
}

void ClearTrail()
{
    SampleGrid* grid = TrailGrid();
    const int all = (grid->nx + 1) * (grid->ny + 1) * (grid->nz + 2);
    for (int n = 0; n < all; ++n)
        grid->points[n].value = 0.0f;
}

// Everything a rebuilding callback could change about one mesh.
struct MeshSnapshot {
    int32_t indexCount;
    const TextureBankEntry* material;
    std::vector<uint8_t> vertices;
    std::vector<uint32_t> indices;
};

MeshSnapshot Snapshot(int mesh)
{
    const MeshSlot& slot = EngineTables.MeshTable[mesh];
    MeshSnapshot s{ slot.indexCount, slot.material, {}, {} };
    const auto* first = reinterpret_cast<const uint8_t*>(EngineTables.VertexArray + slot.firstVertex);
    s.vertices.assign(first, first + sizeof(Vertex) * slot.vertexCount);
    s.indices.assign(slot.indices, slot.indices + slot.indexCapacity);
    return s;
}

bool SameMesh(const MeshSnapshot& a, const MeshSnapshot& b)
{
    return a.indexCount == b.indexCount && a.material == b.material && a.vertices == b.vertices &&
           a.indices == b.indices;
}

TEST_F(AnimatedMeshes, OutgoingSceneLeavesMeshesMaterialsAndTrailAlone)
{
    SceneItem surface = ItemOfMesh(20);
    SceneItem shaded = ItemOfMesh(21);
    SceneItem trail = ItemOfMesh(21);
    AnimateSurface(&surface, 1, 500.0f);
    AnimateShadedSurface(&shaded, 3, 500.0f);
    AnimateTrail(&trail, 0, 500.0f);
    const MeshSnapshot before20 = Snapshot(20), before21 = Snapshot(21);
    const std::vector<float> trailBefore = GridValues(TrailGrid(), SampledPoints(TrailGrid()));

    OutgoingScene = true;
    for (float t : { 0.0f, 777.0f, 3000.0f }) {
        AnimateSurface(&surface, 2, t);
        AnimateShadedSurface(&surface, 4, t);
        AnimateShadedSurface(&shaded, 3, t);
        AnimateTrail(&trail, 1, t);
    }
    EXPECT_TRUE(SameMesh(before20, Snapshot(20)));
    EXPECT_TRUE(SameMesh(before21, Snapshot(21)));
    EXPECT_EQ(trailBefore, GridValues(TrailGrid(), SampledPoints(TrailGrid())));

    // The same calls with the flag clear do rebuild, so the comparison above can fail.
    OutgoingScene = false;
    AnimateSurface(&surface, 2, 777.0f);
    AnimateTrail(&trail, 1, 777.0f);
    EXPECT_FALSE(SameMesh(before20, Snapshot(20)));
    EXPECT_EQ(EngineTables.MeshTable[20].material, &FakeBank[18]);
    EXPECT_EQ(EngineTables.MeshTable[21].material, &FakeBank[18]);
    EXPECT_NE(trailBefore, GridValues(TrailGrid(), SampledPoints(TrailGrid())));
}

TEST_F(AnimatedMeshes, TrailFadesByItsDecayOncePerCallAndStampsAfterFading)
{
    SampleGrid* grid = TrailGrid();
    const int sampled = SampledPoints(grid);
    SceneItem trail = ItemOfMesh(21);

    // Record 0 (twin blobs, 0.97): two calls at one time hold 0.97 S + S.
    ClearTrail();
    AnimateTrail(&trail, 0, 1234.0f);
    const std::vector<float> stamp = GridValues(grid, sampled);
    EXPECT_GT(EngineTables.MeshTable[21].indexCount, 0);
    AnimateTrail(&trail, 0, 1234.0f);
    int checked = 0;
    for (int n = 0; n < sampled; ++n) {
        if (stamp[n] > 0.01f) {
            EXPECT_NEAR(grid->points[n].value, 1.97f * stamp[n], 1e-5f * stamp[n] + 1e-6f) << n;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);

    // Record 1 (tumbling ring, 0.9) on the same field; then n calls without a new
    // stamp leave a value times decay^n.
    ClearTrail();
    AnimateTrail(&trail, 1, 400.0f);
    const std::vector<float> ring = GridValues(grid, sampled);
    for (int k = 0; k < 20; ++k)
        ScaleGridValues(grid, 0.9f);
    const float factor = std::pow(0.9f, 20.0f);
    for (int n = 0; n < sampled; ++n)
        ASSERT_NEAR(grid->points[n].value, ring[n] * factor, 1e-5f * ring[n] + 1e-7f) << n;

    // The layer above the sampled points stays zero: it is the +z neighbour of the
    // top sampled layer when the field is polygonised.
    const int layer = (grid->nx + 1) * (grid->ny + 1);
    AddShapeToGrid(grid, TwinBlobs, 0.0f, 0.0f, 0.9f);
    ScaleGridValues(grid, 2.0f);
    for (int n = sampled; n < sampled + layer; ++n)
        ASSERT_EQ(grid->points[n].value, 0.0f) << n;
}

TEST_F(AnimatedMeshes, AddShapeToGridSamplesAtTheGridCoordinates)
{
    SampleGrid* grid = TrailGrid();
    ClearTrail();
    EngineTables.ShapeParams[SHAPE_OX] = 0.3f;
    EngineTables.ShapeParams[SHAPE_OY] = 0.0f;
    EngineTables.ShapeParams[SHAPE_OZ] = 0.0f;
    AddShapeToGrid(grid, TwinBlobs, -0.25f, 0.5f, 0.125f);
    EXPECT_EQ(EngineTables.ShapeParams[SHAPE_PX], -0.25f);
    EXPECT_EQ(EngineTables.ShapeParams[SHAPE_PY], 0.5f);
    EXPECT_EQ(EngineTables.ShapeParams[SHAPE_PZ], 0.125f);
    float axis[MAX_GRID_CELLS + 1];
    ComputeGridCoordinates(grid->nx, axis);
    const int row = grid->nx + 1, layer = row * (grid->ny + 1);
    for (const int i : { 0, 12, 32 })
        for (const int j : { 3, 24 })
            for (const int k : { 0, 20, 32 })
                EXPECT_EQ(grid->points[i + j * row + k * layer].value, TwinBlobs(axis[i], axis[j], axis[k]));
}

TEST_F(AnimatedMeshes, ShadedSurfaceGreysEveryReservedVertexInBands)
{
    SceneItem shaded = ItemOfMesh(21);
    AnimateShadedSurface(&shaded, 3, 0.0f);
    const MeshSlot& slot = EngineTables.MeshTable[21];
    EXPECT_EQ(slot.material, &FakeBank[11]);
    int onAxis = 0;
    for (int n = 0; n < slot.vertexCount; ++n) {
        const Vertex& v = EngineTables.VertexArray[slot.firstVertex + n];
        ASSERT_GE(v.colour[0], 96);
        ASSERT_LE(v.colour[0], 254);
        ASSERT_EQ(v.colour[1], v.colour[0]);
        ASSERT_EQ(v.colour[2], v.colour[0]);
        ASSERT_EQ(v.colour[3], 255);
        // At t = 0 the phase is 8: 96 + trunc(79 (sin 8 + 1)) = 253.
        if (n < slot.indexCount && v.position[0] == 0.0f) {
            EXPECT_EQ(v.colour[0], 253);
            ++onAxis;
        }
    }
    EXPECT_GT(onAxis, 0);
}

TEST_F(AnimatedMeshes, PictureCoarsensWithItsEnvelopeAndComesBackExactly)
{
    const int first = EngineTables.MeshTable[FIRST_PICTURE_MESH].firstVertex;
    const int count = PicturePoints[0];
    std::vector<Vertex> built(EngineTables.VertexArray + first, EngineTables.VertexArray + first + count);

    SceneItem picture = ItemOfMesh(FIRST_PICTURE_MESH);
    // Key (237, 128): 0.5 at 948 centiseconds.
    AnimatePicture(&picture, 0, 948.0f);
    int moved = 0;
    for (int m = FIRST_PICTURE_MESH; m < FIRST_PICTURE_MESH + PICTURE_LAYER_COUNT; ++m) {
        const Vertex* v = EngineTables.VertexArray + EngineTables.MeshTable[m].firstVertex;
        for (int n = 0; n < count; ++n)
            moved += v[n].position[0] != built[n].position[0] || v[n].position[1] != built[n].position[1];
    }
    EXPECT_GT(moved, count);

    AnimatePicture(&picture, 0, 0.0f);
    for (int m = FIRST_PICTURE_MESH; m < FIRST_PICTURE_MESH + PICTURE_LAYER_COUNT; ++m) {
        const Vertex* v = EngineTables.VertexArray + EngineTables.MeshTable[m].firstVertex;
        for (int n = 0; n < count; ++n) {
            ASSERT_EQ(v[n].position[0], built[n].position[0]) << m << " " << n;
            ASSERT_EQ(v[n].position[1], built[n].position[1]) << m << " " << n;
        }
    }
}

// Each surface record against its row: shape, grid, material, scale, the three moving
// shape parameters and the threshold, by rebuilding the same mesh directly from the row.
TEST_F(AnimatedMeshes, EverySurfaceRecordBuildsWhatItsRowSays)
{
    struct Row {
        ShapeFunction shape;
        int grid, material, scale;
        float w1, a1, b1, w2, a2, b2, threshold;
    };
    const Row rows[ANIMATED_SURFACE_RECORD_COUNT] = {
        { RippledColumn, 4, 12, 512, 0.003f, 2.0f, 2.0f, 0.006f, 0.5f, 0.0f, 0.25f },
        { CosineLattice, 4, 20, 256, 0.005f, 2.0f, 2.0f, 0.006f, 1.0f, 1.0f, 1.15f },
        { ThreeRings, 4, 18, 256, 0.005f, 1.0f, 0.0f, 0.01f, 0.35f, 0.35f, 0.65f },
        { CosineBall, 2, 11, -3584, 0.0f, 0.0f, 0.0f, 0.01f, 0.25f, 0.0f, 0.5f },
        { CosineBall, 2, 12, -4608, 0.0f, 0.0f, 0.0f, 0.01f, 0.25f, 0.0f, 0.5f },
    };
    SceneItem surface = ItemOfMesh(20);
    MeshSlot* slot = &EngineTables.MeshTable[20];
    for (int r = 0; r < ANIMATED_SURFACE_RECORD_COUNT; ++r) {
        const Row& row = rows[r];
        for (const float t : { 0.0f, 137.0f, 2345.0f }) {
            slot->material = nullptr;
            AnimateSurface(&surface, r, t);
            EXPECT_EQ(slot->material, &FakeBank[row.material]) << r;
            const float* params = EngineTables.ShapeParams;
            EXPECT_FLOAT_EQ(params[SHAPE_PX], row.b1 + row.a1 * std::sin(row.w1 * t)) << r << " " << t;
            EXPECT_FLOAT_EQ(params[SHAPE_PY], row.b1 + row.a1 * std::cos(row.w1 * t)) << r << " " << t;
            EXPECT_FLOAT_EQ(params[SHAPE_PZ], row.a2 * std::sin(row.w2 * t) + row.b2) << r << " " << t;
            EXPECT_EQ(params[SHAPE_SCALE], static_cast<float>(row.scale) / 256.0f) << r;
            const MeshSnapshot animated = Snapshot(20);
            EXPECT_GT(animated.indexCount, 0) << r << " " << t;

            PolygoniseShape(EngineTables.IsoGrids[row.grid], slot, row.shape, row.threshold,
                            params[SHAPE_PX], params[SHAPE_PY], params[SHAPE_PZ],
                            static_cast<float>(row.scale) / 256.0f);
            EXPECT_TRUE(SameMesh(animated, Snapshot(20))) << r << " " << t;
        }
    }
}

TEST_F(AnimatedMeshes, RecordsBeyondTheTablesDoNothing)
{
    SceneItem surface = ItemOfMesh(20);
    AnimateSurface(&surface, 1, 100.0f);
    const MeshSnapshot before = Snapshot(20);
    AnimateSurface(&surface, ANIMATED_SURFACE_RECORD_COUNT, 100.0f);
    AnimateShadedSurface(&surface, 255, 100.0f);
    AnimateTrail(&surface, TRAIL_RECORD_COUNT, 100.0f);
    EXPECT_TRUE(SameMesh(before, Snapshot(20)));
}

} // namespace
