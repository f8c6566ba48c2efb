// The item callbacks' arithmetic without a GL context: the rope on the demo's own
// scene items, the tunnel's layers, the flower grid's cells and the warp of the
// texture coordinates.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "geometry/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int ROPE_SCENE = 9;
constexpr int ROPE_LENGTH = 24;
constexpr int ROPE_GROUPS = 4;

// Scene 9's items: four fans, then four ropes of 24 links, parameters 0 to 3.
SceneItem* RopeGroup(int parameter)
{
    static bool built = false;
    if (!built) {
        built = true;
        BuildSceneItems();
    }
    return SceneItemLists[ROPE_SCENE - 1].first + 4 + ROPE_LENGTH * parameter;
}

// One frame of every rope, in item order, as the scene renderer runs them.
void RunRopes(float t)
{
    for (int p = 0; p < ROPE_GROUPS; ++p) {
        SceneItem* group = RopeGroup(p);
        for (int i = 0; i < ROPE_LENGTH; ++i)
            RopeCallback(group + i, group[i].flags >> 8, t);
    }
}

TEST(Rope, EndsFollowTheDriveEnvelopeAndTheWaveTravelsOneLinkPerFrame)
{
    RopeGroup(0);
    ASSERT_EQ(SceneItemLists[ROPE_SCENE - 1].count, 4 + ROPE_LENGTH * ROPE_GROUPS);
    for (int p = 0; p < ROPE_GROUPS; ++p) {
        ASSERT_EQ(RopeGroup(p)->callback, &RopeCallback);
        ASSERT_EQ(RopeGroup(p)->flags >> 8, p);
    }

    // Frame 1 from rest: only the link after the first moves, pulled by the first
    // link's new pitch; the link before the last sees the last one not yet updated.
    const float t1 = 40.0f;
    RunRopes(t1);
    for (int p = 0; p < ROPE_GROUPS; ++p) {
        const SceneItem* g = RopeGroup(p);
        const float first = EvaluateEnvelope(RopeEnvelope, t1 + 100.0f * p);
        const float last = EvaluateEnvelope(RopeEnvelope, t1 + 50.0f * p + 360.0f);
        EXPECT_EQ(g[0].rotation[1], first);
        EXPECT_EQ(g[ROPE_LENGTH - 1].rotation[1], last);
        EXPECT_EQ(g[0].position[0], -16.0f);
        EXPECT_EQ(g[ROPE_LENGTH - 1].position[0], 16.0f);
        EXPECT_EQ(g[5].position[2], 2.5f * p);
        EXPECT_FLOAT_EQ(g[0].position[1], 0.05f * first);
        const int v = static_cast<int>(127.0f * std::sin(0.05f * last) + 127.0f);
        EXPECT_EQ(g[ROPE_LENGTH - 1].colour[0], v);
        EXPECT_EQ(g[ROPE_LENGTH - 1].colour[1], v >> 1);
        EXPECT_EQ(g[ROPE_LENGTH - 1].colour[2], 128);

        EXPECT_FLOAT_EQ(g[1].rotation[1], 0.5f * first * 0.125f * 0.25f * 0.99f);
        for (int i = 2; i < ROPE_LENGTH - 1; ++i)
            EXPECT_EQ(g[i].rotation[1], 0.0f) << p << " " << i;
    }

    // Frame 2: the wave has reached one more link from each end.
    RunRopes(t1 + 2.0f);
    for (int p = 0; p < ROPE_GROUPS; ++p) {
        const SceneItem* g = RopeGroup(p);
        EXPECT_NE(g[2].rotation[1], 0.0f);
        EXPECT_NE(g[ROPE_LENGTH - 2].rotation[1], 0.0f);
        for (int i = 3; i < ROPE_LENGTH - 2; ++i)
            EXPECT_EQ(g[i].rotation[1], 0.0f) << p << " " << i;
    }

    // Many frames later every link swings, and the damping keeps the wave bounded.
    for (int f = 0; f < 2000; ++f)
        RunRopes(t1 + 4.0f + 2.0f * f);
    for (int p = 0; p < ROPE_GROUPS; ++p) {
        const SceneItem* g = RopeGroup(p);
        for (int i = 0; i < ROPE_LENGTH; ++i) {
            EXPECT_TRUE(std::isfinite(g[i].rotation[1]));
            EXPECT_LT(std::fabs(g[i].rotation[1]), 100.0f) << p << " " << i;
        }
        EXPECT_NE(g[ROPE_LENGTH / 2].rotation[1], 0.0f);
    }
}

TEST(Rope, ASingleLinkIsTheFirst)
{
    SceneItem link = {};
    link.instance = 0;
    link.fraction = 0.0f;
    RopeCallback(&link, 2, 300.0f);
    EXPECT_EQ(link.rotation[1], EvaluateEnvelope(RopeEnvelope, 500.0f));
    EXPECT_EQ(link.work[3], link.rotation[1]);
    EXPECT_EQ(link.position[2], 5.0f);
}

TEST(Tunnel, LayerAlphasScalesAndTheSequenceMoveSeamlessly)
{
    const TunnelLayer start0 = ComputeTunnelLayer(0.0f, 0);
    const TunnelLayer start3 = ComputeTunnelLayer(0.0f, 3);
    EXPECT_EQ(start0.alpha, 0.0f);
    EXPECT_FLOAT_EQ(start0.textureScale, 2.5001f);
    EXPECT_FLOAT_EQ(start3.alpha, 0.4f);
    EXPECT_NEAR(start3.textureScale, 1.0001f, 1e-6f);
    EXPECT_FLOAT_EQ(ComputeTunnelLayer(0.0f, 1).alpha, 0.4f);
    EXPECT_FLOAT_EQ(ComputeTunnelLayer(0.0f, 2).alpha, 0.4f);
    EXPECT_NEAR(ComputeTunnelLayer(127.0f, 0).alpha, 0.4f, 1e-6f);
    EXPECT_NEAR(ComputeTunnelLayer(127.0f, 3).alpha, 0.0f, 1e-6f);
    EXPECT_EQ(ComputeTunnelLayer(128.0f, 0).alpha, 0.0f);
    EXPECT_EQ(ComputeTunnelLayer(127.9f, 0).alpha, ComputeTunnelLayer(127.0f, 0).alpha);

    // Across every step boundary of the 16-step cycle and beyond, each layer ends
    // where the next one starts: same texture, nearly the same scale and alpha.
    const int sequence[] = { 1, 2, 3, 4, 5, 6, 1, 3, 5, 4, 3, 2, 1, 6, 5, 4 };
    for (int step = 0; step < 20; ++step) {
        const float end = 128.0f * step + 127.0f, next = 128.0f * (step + 1);
        for (int i = 0; i < 3; ++i) {
            const TunnelLayer a = ComputeTunnelLayer(end, i), b = ComputeTunnelLayer(next, i + 1);
            EXPECT_EQ(a.textureEntry, b.textureEntry) << step << " " << i;
            EXPECT_NEAR(a.textureScale, b.textureScale, 0.004f);
        }
        EXPECT_NEAR(ComputeTunnelLayer(end, 0).alpha, ComputeTunnelLayer(next, 1).alpha, 1e-6f);
        EXPECT_EQ(ComputeTunnelLayer(next, 0).textureEntry, sequence[(1 - (step + 1)) & 15]);
    }
    EXPECT_EQ(ComputeTunnelLayer(2048.0f, 2).textureEntry, ComputeTunnelLayer(0.0f, 2).textureEntry);
}

TEST(FlowerGrid, CellsFadeFromTheCentreAndVanishAtItsEdge)
{
    const FlowerCell centre = ComputeFlowerCell(0.0f, -0.5f);
    EXPECT_EQ(centre.alpha, 255);
    EXPECT_FLOAT_EQ(centre.scale, 0.85f);
    // 192 rho reaches 255 at rho = 1.328125: that cell and all beyond are skipped.
    EXPECT_EQ(ComputeFlowerCell(1.328125f, -0.5f).alpha, 0);
    EXPECT_EQ(ComputeFlowerCell(-1.328125f, -0.5f).alpha, 0);
    EXPECT_GT(ComputeFlowerCell(1.32f, -0.5f).alpha, 0);
    EXPECT_LT(ComputeFlowerCell(1.0f, 1.0f).alpha, 0);   // the far corner, rho 1.80
    EXPECT_EQ(ComputeFlowerCell(-1.0f, -1.0f).alpha, 255 - static_cast<int>(192.0f * std::sqrt(1.25f)));

    // At t = 0 the grid starts one cell before the centre: of the 25 cells, those
    // at distance 1.328125 or more from (0, -0.5) are skipped.
    int drawn = 0;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            drawn += ComputeFlowerCell(-1.0f + 0.5f * r, -1.0f + 0.5f * c).alpha > 0;
    EXPECT_EQ(drawn, 18);
}

// A mesh of four vertices in a table of its own, with neighbours that must not change.
class WarpTexCoordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedTable = EngineTables.MeshTable;
        savedVertices = EngineTables.VertexArray;
        table.assign(MESH_TABLE_SIZE, MeshSlot{});
        table[5].firstVertex = 1;
        table[5].vertexCount = 4;
        vertices.assign(6, Vertex{});
        const float positions[6][2] = { { 9, 9 }, { 0, 0 }, { 1, 0 }, { 0, 2 }, { -3, -4 }, { 9, 9 } };
        for (int n = 0; n < 6; ++n) {
            vertices[n].position[0] = positions[n][0];
            vertices[n].position[1] = positions[n][1];
            vertices[n].texCoord[0] = -7.0f;
            vertices[n].texCoord[1] = -7.0f;
        }
        EngineTables.MeshTable = table.data();
        EngineTables.VertexArray = vertices.data();
    }
    void TearDown() override
    {
        EngineTables.MeshTable = savedTable;
        EngineTables.VertexArray = savedVertices;
    }
    MeshSlot* savedTable = nullptr;
    Vertex* savedVertices = nullptr;
    std::vector<MeshSlot> table;
    std::vector<Vertex> vertices;
};

TEST_F(WarpTexCoordsTest, PlainWarpIsTheRadiusAndAngleAndTheCentreUsesAngleZero)
{
    WarpTexCoords(5, 0.25f, 0.5f, 0.0f, 0.35f, 0.0f, 0.0f, 0.2f, 0.0f);
    EXPECT_FLOAT_EQ(vertices[1].texCoord[0], 0.25f);
    EXPECT_FLOAT_EQ(vertices[1].texCoord[1], 0.5f);
    EXPECT_FLOAT_EQ(vertices[2].texCoord[0], 1.25f);
    EXPECT_FLOAT_EQ(vertices[2].texCoord[1], 0.5f);
    EXPECT_NEAR(vertices[3].texCoord[0], 0.25f, 1e-6f);
    EXPECT_FLOAT_EQ(vertices[3].texCoord[1], 2.5f);
    EXPECT_FLOAT_EQ(vertices[4].texCoord[0], -2.75f);
    EXPECT_FLOAT_EQ(vertices[4].texCoord[1], -3.5f);
    // Outside the mesh's range nothing changes.
    EXPECT_EQ(vertices[0].texCoord[0], -7.0f);
    EXPECT_EQ(vertices[5].texCoord[1], -7.0f);

    // At the centre r = 0 and atan2(0, 0) = 0: the twist alone turns the ripple.
    WarpTexCoords(5, 0.0f, 0.0f, 1.5f, 0.35f, 4.0f, 2.0f, 0.2f, 3.0f);
    const float theta = 4.0f * std::sin(0.35f * 1.5f);
    const float l = 3.0f * std::sin(0.2f * 2.0f);
    EXPECT_FLOAT_EQ(vertices[1].texCoord[0], l * std::cos(theta));
    EXPECT_FLOAT_EQ(vertices[1].texCoord[1], l * std::sin(theta));
}

} // namespace
