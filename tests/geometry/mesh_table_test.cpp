// The counting and building passes over the shipped definitions, and what each
// builder writes.
#include "content/content.h"
#include "tests/geometry/geometry_fixture.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class MeshTableTest : public ::testing::Test {
protected:
    void SetUp() override { BuildMeshesHeadless(); }
};

int32_t ReservedBetween(int firstMesh, int lastMesh)
{
    int32_t total = 0;
    for (int m = firstMesh; m <= lastMesh; ++m)
        total += EngineTables.MeshTable[m].vertexCount;
    return total;
}

TEST_F(MeshTableTest, CountingPassReservesEveryGroup)
{
    EXPECT_EQ(ReservedBetween(0, 17), 704);
    EXPECT_EQ(ReservedBetween(18, 26), 86016);
    EXPECT_EQ(ReservedBetween(27, 30), 744);
    EXPECT_EQ(ReservedBetween(31, 72), 2184);
    EXPECT_EQ(ReservedBetween(73, 114), 168);
    int32_t next = 0;
    for (int m = 0; m < MESH_TABLE_SIZE; ++m) {
        EXPECT_EQ(EngineTables.MeshTable[m].firstVertex, next) << "mesh " << m;
        next += EngineTables.MeshTable[m].vertexCount;
    }
    EXPECT_EQ(next, 89816);
    EXPECT_EQ(EngineTables.VertexArray[89815].colour[3], 255);
}

TEST_F(MeshTableTest, BuildingPassFillsEverySlotWithinItsVertices)
{
    EXPECT_EQ(EngineTables.MeshCursor, EngineTables.MeshTable + MESH_TABLE_SIZE);
    EXPECT_EQ(EngineTables.GlyphBoxCursor, EngineTables.GlyphBoxes + GLYPH_COUNT);
    for (int m = 0; m < MESH_TABLE_SIZE; ++m) {
        const MeshSlot& slot = EngineTables.MeshTable[m];
        ASSERT_NE(slot.indices, nullptr) << "mesh " << m;
        EXPECT_EQ(slot.indexCount % 3, 0) << "mesh " << m;
        EXPECT_LE(slot.indexCount, slot.indexCapacity) << "mesh " << m;
        for (int i = 0; i < slot.indexCount; ++i) {
            ASSERT_GE(slot.indices[i], static_cast<uint32_t>(slot.firstVertex)) << "mesh " << m;
            ASSERT_LT(slot.indices[i], static_cast<uint32_t>(slot.firstVertex + slot.vertexCount)) << "mesh " << m;
        }
    }
    // Without a bank every material stays null; no display lists without GL.
    EXPECT_EQ(EngineTables.MeshTable[1].material, nullptr);
    EXPECT_EQ(EngineTables.MeshTable[1].displayList, 0u);
}

TEST_F(MeshTableTest, GridsLayOutRowsOfVertices)
{
    const MeshSlot& square = EngineTables.MeshTable[0];
    ASSERT_EQ(square.indexCount, 6);
    const uint32_t f = static_cast<uint32_t>(square.firstVertex);
    const uint32_t expected[6] = { f + 2, f, f + 3, f + 3, f, f + 1 };
    EXPECT_TRUE(std::equal(expected, expected + 6, square.indices));
    const Vertex& corner = EngineTables.VertexArray[f + 3];
    EXPECT_FLOAT_EQ(corner.position[0], 0.5f);
    EXPECT_FLOAT_EQ(corner.position[1], 0.5f);
    EXPECT_FLOAT_EQ(corner.texCoord[0], 0.5f);

    const MeshSlot& warped = EngineTables.MeshTable[4];
    EXPECT_EQ(warped.vertexCount, 99);
    EXPECT_EQ(warped.indexCount, 480);
    const Vertex& last = EngineTables.VertexArray[warped.firstVertex + 98];
    EXPECT_NEAR(last.position[0], 0.5f, 1e-6f);
    EXPECT_NEAR(last.position[1], 0.5f, 1e-6f);
    EXPECT_NEAR(last.texCoord[1], 0.5f + 128.0f / 255.0f, 1e-6f);
    const MeshSlot& particle = EngineTables.MeshTable[1];
    EXPECT_FLOAT_EQ(EngineTables.VertexArray[particle.firstVertex].position[0], -0.75f);
}

TEST_F(MeshTableTest, GlyphsGiveBoxesAndAtlasQuads)
{
    const GlyphBox& dash = EngineTables.GlyphBoxes[0];
    EXPECT_FLOAT_EQ(dash.left, 10.0f / 255.0f - 0.03f);
    EXPECT_FLOAT_EQ(dash.bottom, 58.0f / 255.0f - 0.03f);
    EXPECT_FLOAT_EQ(dash.right, 50.0f / 255.0f + 0.03f);
    EXPECT_FLOAT_EQ(dash.top, 64.0f / 255.0f + 0.03f);
    const MeshSlot& dashSolid = EngineTables.MeshTable[FIRST_GLYPH_SOLID_MESH];
    EXPECT_EQ(dashSolid.indexCount, 6);
    const Vertex& v0 = EngineTables.VertexArray[dashSolid.firstVertex];
    EXPECT_FLOAT_EQ(v0.normal[2], 0.5f);
    EXPECT_FLOAT_EQ(v0.normal[0], 10.0f / 255.0f);

    // Glyph 9, the letter i: column 1, row 1 of the atlas, turned by 180 degrees.
    const MeshSlot& quad = EngineTables.MeshTable[FIRST_GLYPH_QUAD_MESH + 9];
    const Vertex* q = EngineTables.VertexArray + quad.firstVertex;
    const GlyphBox& box = EngineTables.GlyphBoxes[9];
    EXPECT_FLOAT_EQ(q[0].position[0], box.left);
    EXPECT_FLOAT_EQ(q[0].position[1], box.bottom);
    EXPECT_FLOAT_EQ(q[0].texCoord[0], 0.25f);
    EXPECT_FLOAT_EQ(q[0].texCoord[1], 0.25f);
    EXPECT_FLOAT_EQ(q[3].position[0], box.right);
    EXPECT_FLOAT_EQ(q[3].position[1], box.top);
    EXPECT_FLOAT_EQ(q[3].texCoord[0], 0.125f);
    EXPECT_FLOAT_EQ(q[3].texCoord[1], 0.125f);
    const uint32_t f = static_cast<uint32_t>(quad.firstVertex);
    const uint32_t expected[6] = { f, f + 1, f + 3, f, f + 3, f + 2 };
    EXPECT_TRUE(std::equal(expected, expected + 6, quad.indices));
}

TEST_F(MeshTableTest, GlyphStreamStaysWithinItsRanges)
{
    const int8_t* record = GlyphStream;
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        const int v = record[0], t = record[1];
        ASSERT_GE(v, 3) << FontCharacters[g];
        ASSERT_LE(v, 48) << FontCharacters[g];
        for (int i = 0; i < 2 * v; ++i) {
            EXPECT_GE(record[2 + i], -22) << FontCharacters[g];
            EXPECT_LE(record[2 + i], 113) << FontCharacters[g];
        }
        for (int i = 0; i < 3 * t; ++i) {
            ASSERT_GE(record[2 + 2 * v + i], 0) << FontCharacters[g];
            ASSERT_LT(record[2 + 2 * v + i], v) << FontCharacters[g];
        }
        EXPECT_EQ(EngineTables.MeshTable[FIRST_GLYPH_SOLID_MESH + g].indexCount, 3 * t);
        const GlyphBox& box = EngineTables.GlyphBoxes[g];
        EXPECT_LT(box.left, box.right);
        EXPECT_LT(box.bottom, box.top);
        record += 2 + 2 * v + 3 * t;
    }
    EXPECT_EQ(record - GlyphStream, GlyphStreamBytes);
    // Lower-case bodies sit on the baseline; descenders reach below it.
    EXPECT_NEAR(EngineTables.GlyphBoxes[1 + ('o' - 'a')].bottom, 23.0f / 255.0f - 0.03f, 2.0f / 255.0f);
    EXPECT_LT(EngineTables.GlyphBoxes[1 + ('g' - 'a')].bottom, 10.0f / 255.0f);
}

TEST_F(MeshTableTest, OversizedGlyphRecordStaysInItsBudget)
{
    // 60 vertices, one triangle inside the budget and one reaching past it.
    std::vector<int8_t> record = { 60, 2 };
    for (int i = 0; i < 60; ++i) {
        record.push_back(static_cast<int8_t>(i));
        record.push_back(10);
    }
    for (int8_t n : { 0, 1, 2, 0, 1, 55 })
        record.push_back(n);
    std::vector<Vertex> vertices(200);
    const EngineTablesRecord saved = EngineTables;
    const GeometryStateRecord savedState = GeometryState;
    MeshSlot slot;
    slot.firstVertex = 10;
    slot.vertexCount = GLYPH_SOLID_BUDGET;
    GlyphBox box = {};
    EngineTables.VertexArray = vertices.data();
    EngineTables.MeshCursor = &slot;
    EngineTables.GlyphBoxCursor = &box;
    GeometryState.glyphStreamCursor = record.data();
    BuildGlyphSolid(&GlyphSolidHeader, MESH_BUILD);
    const bool cursorPastRecord = GeometryState.glyphStreamCursor == record.data() + record.size();
    EngineTables = saved;
    GeometryState = savedState;

    EXPECT_TRUE(cursorPastRecord);
    EXPECT_EQ(slot.indexCount, 3);
    EXPECT_EQ(vertices[10 + GLYPH_SOLID_BUDGET].position[0], 0.0f);
    EXPECT_FLOAT_EQ(vertices[10 + GLYPH_SOLID_BUDGET - 1].position[0], 51.0f / 255.0f);
    EXPECT_FLOAT_EQ(box.right, 51.0f / 255.0f + 0.03f);
}

TEST_F(MeshTableTest, PicturePointsCoarsenToOnePoint)
{
    const uint8_t points[4] = { 255, 0, 37, 200 };
    Vertex v[2] = {};
    PlacePicturePoints(v, points, 2, 0.0f);
    EXPECT_FLOAT_EQ(v[0].position[0], -0.5f);
    EXPECT_FLOAT_EQ(v[0].position[1], -0.5f);
    EXPECT_FLOAT_EQ(v[0].texCoord[0], -1.0f);
    EXPECT_FLOAT_EQ(v[0].texCoord[1], 0.0f);
    EXPECT_FLOAT_EQ(v[1].position[0], 0.5f - 37.0f / 255.0f);
    EXPECT_FLOAT_EQ(v[1].position[1], 200.0f / 255.0f - 0.5f);
    for (float k : { 1.0f, 1.5f }) {
        PlacePicturePoints(v, points, 2, k);
        for (const Vertex& vertex : v) {
            EXPECT_FLOAT_EQ(vertex.position[0], 0.5f - 128.0f / 255.0f);
            EXPECT_FLOAT_EQ(vertex.position[1], 128.0f / 255.0f - 0.5f);
        }
    }
    // Just below k = 1/4 every coordinate sits on the centre of a 4-wide cell.
    PlacePicturePoints(v, points, 2, 511.0f / 2048.0f);
    EXPECT_FLOAT_EQ(v[1].texCoord[0], -38.0f / 255.0f);
    EXPECT_FLOAT_EQ(v[1].texCoord[1], 202.0f / 255.0f);
    EXPECT_EQ(v[0].normal[0], 0.0f);
}

TEST_F(MeshTableTest, PictureLayersShareOnePointSet)
{
    const int triangleCounts[PICTURE_LAYER_COUNT] = { 21, 68, 65, 141 };
    EXPECT_EQ(PicturePoints[0], 186);
    for (int layer = 0; layer < PICTURE_LAYER_COUNT; ++layer) {
        const MeshSlot& slot = EngineTables.MeshTable[FIRST_PICTURE_MESH + layer];
        EXPECT_EQ(slot.vertexCount, 186);
        EXPECT_EQ(slot.indexCount, 3 * triangleCounts[layer]);
        EXPECT_EQ(PictureDefinitions[layer].triangles[0], triangleCounts[layer]);
    }
    // Every layer faces +z, like the grids: counter-clockwise where it is drawn.
    for (int layer = 0; layer < PICTURE_LAYER_COUNT; ++layer) {
        const MeshSlot& slot = EngineTables.MeshTable[FIRST_PICTURE_MESH + layer];
        for (int i = 0; i < slot.indexCount; i += 3) {
            const float* a = EngineTables.VertexArray[slot.indices[i]].position;
            const float* b = EngineTables.VertexArray[slot.indices[i + 1]].position;
            const float* c = EngineTables.VertexArray[slot.indices[i + 2]].position;
            ASSERT_GT((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]), 0.0f)
                << "layer " << layer << " triangle " << i / 3;
        }
    }
    const MeshSlot& first = EngineTables.MeshTable[FIRST_PICTURE_MESH];
    const Vertex& v = EngineTables.VertexArray[first.firstVertex + 5];
    EXPECT_FLOAT_EQ(v.position[0], 0.5f - PicturePoints[1 + 10] / 255.0f);
    EXPECT_FLOAT_EQ(v.position[1], PicturePoints[1 + 11] / 255.0f - 0.5f);
}

TEST_F(MeshTableTest, MaterialNumbersSelectTheEntryBefore)
{
    // A building pass with a bank present, run on a second table.
    const EngineTablesRecord saved = EngineTables;
    const GeometryStateRecord savedState = GeometryState;
    std::vector<TextureBankEntry> bank(TEXTURE_COUNT);
    EngineTables.TextureBank = bank.data();
    EngineTables.GlyphBoxes = EngineTables.GlyphBoxCursor =
        static_cast<GlyphBox*>(AllocateForever(GLYPH_COUNT * sizeof(GlyphBox)));
    GeometryState = {};
    GeometryState.useGl = false;
    StartMeshTable();
    BuildMeshTable();
    const MeshSlot* table = EngineTables.MeshTable;
    EXPECT_EQ(table[0].material, nullptr);
    EXPECT_EQ(table[1].material, &bank[7]);
    EXPECT_EQ(table[FIRST_GLYPH_QUAD_MESH].material, &bank[29]);
    EXPECT_EQ(table[FIRST_GLYPH_SOLID_MESH].material, nullptr);
    EXPECT_EQ(table[FIRST_PICTURE_MESH + 3].material, &bank[24]);
    EngineTables = saved;
    GeometryState = savedState;
}

} // namespace
