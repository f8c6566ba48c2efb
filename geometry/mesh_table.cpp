// The mesh table and the shared vertex array: the counting and building passes over
// the five mesh groups, one display list per mesh, and drawing with materials.
#include "content/content.h"
#include "core/engine_tables.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "textures/textures.h"

#include <cstdlib>
#include <iterator>

GeometryStateRecord GeometryState;

// Mesh numbers follow this order: grids 0-17, implicit surfaces 18-26, picture
// layers 27-30, glyph solids 31-72, glyph quads 73-114.
const MeshGroup MeshGroups[MESH_GROUP_COUNT] = {
    { BuildGrid, &GridDefinitions[0].header, GRID_DEFINITION_COUNT, sizeof(GridDefinition) },
    { BuildImplicit, &ImplicitDefinitions[0].header, IMPLICIT_DEFINITION_COUNT, sizeof(ImplicitDefinition) },
    { BuildPicture, &PictureDefinitions[0].header, PICTURE_DEFINITION_COUNT, sizeof(PictureDefinition) },
    { BuildGlyphSolid, &GlyphSolidHeader, GLYPH_COUNT, 0 },
    { BuildGlyphQuad, &GlyphQuadHeader, GLYPH_COUNT, 0 },
};
static_assert(std::size(MeshGroups) == MESH_GROUP_COUNT);
static_assert(GRID_DEFINITION_COUNT + IMPLICIT_DEFINITION_COUNT + PICTURE_DEFINITION_COUNT +
                  2 * GLYPH_COUNT == MESH_TABLE_SIZE);

namespace {

// Records the geometry and material state of one freshly built mesh in a new list.
void CompileDisplayList(MeshSlot* slot, const MeshHeader& header)
{
    if (header.flags & MESH_NO_COLOUR_ARRAY)
        glDisableClientState(GL_COLOR_ARRAY);
    const GLuint name = glGenLists(1);
    if (name == 0)
        PlatformFailStartUp("Can't Create A Display List.", EXIT_NO_DISPLAY_LIST);
    glNewList(name, GL_COMPILE);
    DrawMesh(*slot);
    glEndList();
    slot->displayList = name;
    if (header.flags & MESH_NO_COLOUR_ARRAY)
        glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace

int32_t BuildMeshes(int mode)
{
    int32_t total = 0;
    MeshSlot* slot = EngineTables.MeshTable;
    for (const MeshGroup& group : MeshGroups) {
        const char* definition = reinterpret_cast<const char*>(group.first);
        for (int d = 0; d < group.count; ++d, definition += group.stride, ++slot) {
            const MeshHeader* header = reinterpret_cast<const MeshHeader*>(definition);
            if (mode == MESH_COUNT) {
                const int32_t count = group.builder(header, MESH_COUNT);
                slot->vertexCount = count;
                slot->firstVertex = total;
                total += count;
                continue;
            }
            MeshSlot* built = EngineTables.MeshCursor;
            group.builder(header, MESH_BUILD);
            if (header->material != 0 && EngineTables.TextureBank)
                built->material = EngineTables.TextureBank + (header->material - 1);
            if (GeometryState.useGl)
                CompileDisplayList(built, *header);
        }
    }
    return total;
}

void StartMeshTable()
{
    EngineTables.MeshTable = static_cast<MeshSlot*>(AllocateForever(MESH_TABLE_SIZE * sizeof(MeshSlot)));
    EngineTables.MeshCursor = EngineTables.MeshTable;
    const int32_t vertexCount = BuildMeshes(MESH_COUNT);
    Vertex* vertices = static_cast<Vertex*>(AllocateForever(static_cast<size_t>(vertexCount) * sizeof(Vertex)));
    for (int32_t i = 0; i < vertexCount; ++i)
        for (uint8_t& channel : vertices[i].colour)
            channel = 255;
    EngineTables.VertexArray = vertices;
    if (!GeometryState.useGl)
        return;

    constexpr GLsizei stride = sizeof(Vertex);
    glVertexPointer(3, GL_FLOAT, stride, vertices[0].position);
    glNormalPointer(GL_FLOAT, stride, vertices[0].normal);
    glTexCoordPointer(2, GL_FLOAT, stride, vertices[0].texCoord);
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, vertices[0].colour);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
}

void BuildMeshTable()
{
    BuildMeshes(MESH_BUILD);
}

void ApplyMaterial(const TextureBankEntry* entry)
{
    if (!entry)
        return;
    const uint32_t flags = entry->flags;
    glBindTexture(GL_TEXTURE_2D, entry->name);
    glDepthMask((flags & TEX_NO_DEPTH_WRITE) ? GL_FALSE : GL_TRUE);
    glDepthFunc((flags & TEX_DEPTH_ALWAYS) ? GL_ALWAYS : GL_LEQUAL);
    if (flags & TEX_SPHERE_MAP) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    if (flags & TEX_ADDITIVE)
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    else if (flags & TEX_DARKEN)
        glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void DrawMesh(const MeshSlot& mesh)
{
    const TextureBankEntry* bank = EngineTables.TextureBank;
    const TextureBankEntry* material = mesh.material;
    uint32_t carried = 0;
    do {
        if (carried & TEX_RGB_DIRECT)
            material = bank + TEXTURE_DIRECT_SECOND_PASS;
        ApplyMaterial(material);
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, mesh.indices);
        if (material) {
            carried = material->flags;
            ++material;
            // The walk never leaves the bank, whatever the last entry's flags say.
            if (material == bank + TEXTURE_COUNT)
                break;
        }
    } while (carried & TEX_MULTIPASS);
}

void BuildGeometry()
{
    BuildSharedTables();
    BuildCaseTable();
    StartMeshTable();
    BuildFontWorkAreas();
    BuildMeshTable();
}

void BuildGeometryWithoutGl()
{
    GeometryState = {};
    GeometryState.useGl = false;
    BuildGeometry();
}
