// The five mesh builders: flat grids, implicit surfaces, picture layers, solid
// glyphs and glyph quads. Each counts its vertices in MESH_COUNT and fills the
// slot under MeshCursor in MESH_BUILD.
#include "content/content.h"
#include "core/engine_tables.h"
#include "geometry/geometry.h"

#include <algorithm>

namespace {

// Allocates the slot's zero-filled index array, moves MeshCursor past the slot and
// returns the slot.
MeshSlot* TakeSlot(int32_t indexCount)
{
    MeshSlot* slot = EngineTables.MeshCursor;
    slot->indices = static_cast<uint32_t*>(AllocateForever(static_cast<size_t>(indexCount) * sizeof(uint32_t)));
    slot->indexCount = indexCount;
    slot->indexCapacity = indexCount;
    EngineTables.MeshCursor = slot + 1;
    return slot;
}

} // namespace

// A rectangle of columns x rows vertices in the plane z = 0, centred on the origin,
// texture coordinates running over one unit from the stored offsets.
int32_t BuildGrid(const MeshHeader* header, int mode)
{
    const GridDefinition& grid = *reinterpret_cast<const GridDefinition*>(header);
    const int columns = grid.columns, rows = grid.rows;
    if (mode == MESH_COUNT)
        return columns * rows;

    MeshSlot* slot = TakeSlot((columns - 1) * (rows - 1) * 6);
    Vertex* vertex = EngineTables.VertexArray + slot->firstVertex;
    const float sOffset = grid.sOffset / 255.0f, tOffset = grid.tOffset / 255.0f;
    const float width = grid.width / 128.0f, height = grid.height / 128.0f;
    const float du = 1.0f / static_cast<float>(columns - 1);
    const float dv = 1.0f / static_cast<float>(rows - 1);
    float v = -0.5f;
    for (int row = 0; row < rows; ++row, v += dv) {
        float u = -0.5f;
        for (int column = 0; column < columns; ++column, u += du, ++vertex) {
            vertex->texCoord[0] = u + sOffset;
            vertex->texCoord[1] = v + tOffset;
            vertex->position[0] = u * width;
            vertex->position[1] = v * height;
            vertex->position[2] = 0.0f;
        }
    }

    // Two counter-clockwise triangles per cell, seen from +z.
    uint32_t* index = slot->indices;
    const uint32_t first = static_cast<uint32_t>(slot->firstVertex);
    const uint32_t m = static_cast<uint32_t>(columns);
    for (int row = 0; row < rows - 1; ++row) {
        for (int column = 0; column < columns - 1; ++column) {
            const uint32_t a = first + static_cast<uint32_t>(row * columns + column);
            *index++ = a + m;
            *index++ = a;
            *index++ = a + m + 1;
            *index++ = a + m + 1;
            *index++ = a;
            *index++ = a + 1;
        }
    }
    return 0;
}

// A closed surface of a ShapeTable entry on the 16-cell grid, within a budget of
// 2^b vertices and 3 * 2^b indices.
int32_t BuildImplicit(const MeshHeader* header, int mode)
{
    const ImplicitDefinition& surface = *reinterpret_cast<const ImplicitDefinition*>(header);
    const int32_t budget = int32_t{1} << surface.budgetExponent;
    if (mode == MESH_COUNT)
        return budget;

    MeshSlot* slot = TakeSlot(3 * budget);
    PolygoniseShape(EngineTables.IsoGrids[IMPLICIT_GRID], slot, ShapeTable[surface.shape],
                    surface.threshold / 255.0f, surface.px, surface.py, surface.pz, surface.scale);
    return 0;
}

void PlacePicturePoints(Vertex* first, const uint8_t* points, int count, float k)
{
    k = std::clamp(k, 0.0f, 1.0f);
    const int e = static_cast<int>(k * 2048.0f);
    const int level = (e >> 8) + 1;
    const int o = 1 << level;   // cell size of the coarser grid
    const int h = o / 2;        // cell size of the finer grid
    const int q = o / 4;
    const int w = 255 - (e & 255);   // weight of the finer grid, of 256
    for (int i = 0; i < count; ++i) {
        float coordinate[2];
        for (int c = 0; c < 2; ++c) {
            const int p = points[2 * i + c];
            const int a = (p & -o) + h;
            // >> of a negative value is an arithmetic shift in C++20: floor division.
            const int v = a + ((((p & -h) + q - a) * w) >> 8);
            coordinate[c] = static_cast<float>(v) / 255.0f;
        }
        Vertex& vertex = first[i];
        vertex.texCoord[0] = -coordinate[0];
        vertex.texCoord[1] = coordinate[1];
        vertex.position[0] = 0.5f - coordinate[0];
        vertex.position[1] = coordinate[1] - 0.5f;
    }
}

// One layer of the picture: every point of the shared set, and this layer's triangles.
int32_t BuildPicture(const MeshHeader* header, int mode)
{
    const PictureDefinition& layer = *reinterpret_cast<const PictureDefinition*>(header);
    const int pointCount = layer.points[0];
    if (mode == MESH_COUNT)
        return pointCount;

    const int triangleCount = layer.triangles[0];
    MeshSlot* slot = TakeSlot(3 * triangleCount);
    PlacePicturePoints(EngineTables.VertexArray + slot->firstVertex, layer.points + 1, pointCount, 0.0f);
    for (int i = 0; i < 3 * triangleCount; ++i)
        slot->indices[i] = static_cast<uint32_t>(slot->firstVertex + layer.triangles[1 + i]);
    return 0;
}

// The next glyph of the glyph stream as a flat solid in the plane z = 0, and its box.
int32_t BuildGlyphSolid(const MeshHeader*, int mode)
{
    if (mode == MESH_COUNT)
        return GLYPH_SOLID_BUDGET;

    const int8_t* stream = GeometryState.glyphStreamCursor ? GeometryState.glyphStreamCursor : GlyphStream;
    const int vertexCount = stream[0];
    const int triangleCount = stream[1];
    const int8_t* coordinates = stream + 2;
    const int8_t* numbers = coordinates + 2 * vertexCount;
    GeometryState.glyphStreamCursor = numbers + 3 * triangleCount;

    MeshSlot* slot = TakeSlot(3 * triangleCount);
    // A record with more vertices than the budget keeps the vertices that fit and
    // loses the triangles that need the others, instead of writing into the next mesh.
    const int kept = std::min(vertexCount, slot->vertexCount);
    Vertex* vertex = EngineTables.VertexArray + slot->firstVertex;
    float minX = 1.0f, minY = 1.0f, maxX = -1.0f, maxY = -1.0f;
    for (int i = 0; i < kept; ++i, ++vertex) {
        const float x = coordinates[2 * i] / 255.0f;
        const float y = coordinates[2 * i + 1] / 255.0f;
        vertex->position[0] = x;
        vertex->position[1] = y;
        vertex->position[2] = 0.0f;
        vertex->normal[0] = x;
        vertex->normal[1] = y;
        vertex->normal[2] = 0.5f;
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    *EngineTables.GlyphBoxCursor++ = { minX - 0.03f, minY - 0.03f, maxX + 0.03f, maxY + 0.03f };

    int32_t written = 0;
    for (int t = 0; t < triangleCount; ++t) {
        const int8_t* corner = numbers + 3 * t;
        if (corner[0] < 0 || corner[1] < 0 || corner[2] < 0 ||
            corner[0] >= kept || corner[1] >= kept || corner[2] >= kept)
            continue;
        for (int c = 0; c < 3; ++c)
            slot->indices[written++] = static_cast<uint32_t>(slot->firstVertex + corner[c]);
    }
    slot->indexCount = written;
    return 0;
}

// The next glyph as a rectangle of its box, textured with its cell of the font atlas,
// turned by 180 degrees like the baked image.
int32_t BuildGlyphQuad(const MeshHeader*, int mode)
{
    if (mode == MESH_COUNT)
        return 4;

    MeshSlot* slot = TakeSlot(6);
    const int g = GeometryState.glyphQuadCounter++;
    const GlyphBox& box = EngineTables.GlyphBoxes[g];
    const float cs = static_cast<float>(g % 8) / 8.0f;
    const float ct = static_cast<float>(g / 8) / 8.0f;
    const float corners[4][4] = {
        { box.left, box.bottom, cs + 0.125f, ct + 0.125f },
        { box.right, box.bottom, cs, ct + 0.125f },
        { box.left, box.top, cs + 0.125f, ct },
        { box.right, box.top, cs, ct },
    };
    Vertex* vertex = EngineTables.VertexArray + slot->firstVertex;
    for (const auto& corner : corners) {
        vertex->position[0] = corner[0];
        vertex->position[1] = corner[1];
        vertex->position[2] = 0.0f;
        vertex->texCoord[0] = corner[2];
        vertex->texCoord[1] = corner[3];
        ++vertex;
    }
    const uint32_t first = static_cast<uint32_t>(slot->firstVertex);
    const uint32_t order[6] = { 0, 1, 3, 0, 3, 2 };
    for (int i = 0; i < 6; ++i)
        slot->indices[i] = first + order[i];
    return 0;
}
