// Geometry: the shared vertex array and mesh table, mesh drawing, the shape
// functions, the marching-cubes polygoniser and the five mesh builders.
#pragma once

#include <cstddef>
#include <cstdint>

struct TextureBankEntry;
struct MeshHeader;

// One element of the shared vertex array; the GL client arrays read it with a
// stride of 36 bytes.
struct Vertex {
    float texCoord[2];   // s, t
    float normal[3];     // not necessarily of unit length
    float position[3];
    uint8_t colour[4];   // R, G, B, A; white unless a builder or effect writes it
};
static_assert(sizeof(Vertex) == 36);
static_assert(offsetof(Vertex, normal) == 8 && offsetof(Vertex, position) == 20 &&
              offsetof(Vertex, colour) == 32);

// One mesh: a run of vertices in VertexArray and its own triangle list.
struct MeshSlot {
    uint32_t displayList = 0;      // compiled at start-up
    uint32_t* indices = nullptr;   // three absolute VertexArray positions per triangle
    int32_t indexCount = 0;        // indices drawn; 0 draws nothing
    int32_t indexCapacity = 0;     // length of indices
    int32_t firstVertex = 0;
    int32_t vertexCount = 0;       // vertices reserved (a capacity for varying surfaces)
    const TextureBankEntry* material = nullptr;   // null: draw with the current GL state
};

constexpr int MESH_COUNT = 0;
constexpr int MESH_BUILD = 1;
constexpr int MESH_TABLE_SIZE = 115;
constexpr int FIRST_GLYPH_SOLID_MESH = 31;
constexpr int FIRST_GLYPH_QUAD_MESH = 73;
constexpr int FIRST_PICTURE_MESH = 27;
constexpr int PICTURE_LAYER_COUNT = 4;
constexpr int GLYPH_SOLID_BUDGET = 52;   // vertices reserved per glyph

// MESH_COUNT: the vertices to reserve for the definition, nothing else.
// MESH_BUILD: fills the slot at MeshCursor, advances MeshCursor by one, returns 0.
using MeshBuilder = int32_t (*)(const MeshHeader* definition, int mode);

int32_t BuildGrid(const MeshHeader* definition, int mode);
int32_t BuildImplicit(const MeshHeader* definition, int mode);
int32_t BuildPicture(const MeshHeader* definition, int mode);
int32_t BuildGlyphSolid(const MeshHeader* definition, int mode);
int32_t BuildGlyphQuad(const MeshHeader* definition, int mode);

// A run of definitions handed to one builder; stride 0 hands every call the same one.
struct MeshGroup {
    MeshBuilder builder;
    const MeshHeader* first;
    uint16_t count;
    uint16_t stride;   // bytes from one definition to the next
};
constexpr int MESH_GROUP_COUNT = 5;
extern const MeshGroup MeshGroups[MESH_GROUP_COUNT];

// State of the geometry code that is not part of EngineTables. `useGl` false leaves
// out every GL call (client arrays, display lists, drawing), so that the tables can
// be built and checked without a context.
struct GeometryStateRecord {
    bool useGl = true;
    const int8_t* glyphStreamCursor = nullptr;   // null: the start of GlyphStream
    uint8_t glyphQuadCounter = 0;
};
extern GeometryStateRecord GeometryState;

// Counting pass (returns the total and sets every slot's firstVertex and
// vertexCount) or building pass (fills the slots, sets materials, compiles lists).
int32_t BuildMeshes(int mode);
// Start-up: MeshTable, the counting pass, VertexArray in white, the GL arrays.
void StartMeshTable();
// Start-up: the building pass, one display list per mesh. Needs GlyphBoxes.
void BuildMeshTable();

// The geometry steps of the demo's start-up, in order: the shared tables, the
// marching-cubes grids, the mesh table with its vertex array, the font's work areas
// and every mesh.
void BuildGeometry();
// The same with no GL context: no display lists are made. For tools, tests and
// benchmarks.
void BuildGeometryWithoutGl();

// GL state of one TextureBank entry; nothing for null.
void ApplyMaterial(const TextureBankEntry* entry);
// Draws one mesh with its material, walking the bank while entries ask for
// another pass.
void DrawMesh(const MeshSlot& mesh);

// ---- Shape functions -------------------------------------------------------------

using ShapeFunction = float (*)(float x, float y, float z);

// Indices into EngineTables.ShapeParams.
enum ShapeParam : int { SHAPE_PX, SHAPE_PY, SHAPE_PZ, SHAPE_OX, SHAPE_OY, SHAPE_OZ, SHAPE_SCALE };

float TableSin(float k);   // about sin(2 pi k / 4096), from SineTable
float TableCos(float k);   // about cos(2 pi k / 4096), from CosineTable
float Falloff(float s);    // 1 at s <= 0, about (1 - s)^2, the last table entry at s >= 1

float CosineBall(float x, float y, float z);
float RidgedEllipsoid(float x, float y, float z);
float ThreeCentres(float x, float y, float z);
float TwistedTube(float x, float y, float z);
float TwistedSheet(float x, float y, float z);
float ThreeRings(float x, float y, float z);
float RippledColumn(float x, float y, float z);
float CosineLattice(float x, float y, float z);
float TwinBlobs(float x, float y, float z);
float TumblingRing(float x, float y, float z);

constexpr int SHAPE_TABLE_SIZE = 7;
extern const ShapeFunction ShapeTable[SHAPE_TABLE_SIZE];

// ---- Marching cubes ------------------------------------------------------------

struct GridPoint {
    float value;
    int32_t xEdgeVertex;   // vertex of the crossing towards the +x neighbour
    int32_t yEdgeVertex;
    int32_t zEdgeVertex;
    int32_t below;         // 1 when value is below the threshold
};

// One cube case of a grid: its triangles' corners as byte offsets, from the cube's
// lowest point, of the edge fields that hold their vertex numbers.
struct GridCase {
    int32_t triangleCount;
    int32_t edgeFieldOffset[15];
};

// (nx + 1)(ny + 1)(nz + 2) points, x fastest; the top layer is never sampled and
// stays zero as the +z neighbour of the last sampled one.
struct SampleGrid {
    int32_t nx, ny, nz;
    GridCase cases[256];
    GridPoint* points;
};

constexpr int ISO_GRID_COUNT = 5;
constexpr int MAX_GRID_CELLS = 32;   // along one axis; MakeGrid refuses more
constexpr int ISO_CASE_BYTES = 16;   // triangle count, then up to 5 triangles of edges
constexpr int IMPLICIT_GRID = 2;     // 16 cells a side
constexpr int TRAIL_GRID = 3;        // 32 cells a side

// IsoCaseTable from the face rules, then IsoGrids 0..4 (4, 8, 16, 32, 28 cells).
void BuildCaseTable();
// Null unless every count is 1..MAX_GRID_CELLS.
SampleGrid* MakeGrid(int nx, int ny, int nz);
// Point coordinate along one axis, accumulated in single precision from -1: n + 1
// values.
void ComputeGridCoordinates(int n, float* out);

// The point coordinates of a grid's three axes.
struct GridAxes {
    float x[MAX_GRID_CELLS + 1];
    float y[MAX_GRID_CELLS + 1];
    float z[MAX_GRID_CELLS + 1];
};
void ComputeGridAxes(const SampleGrid& grid, GridAxes* axes);

// Calls visit(point, x, y, z) for every sampled point of the grid, x fastest.
template <typename Visit>
void ForEachSampledPoint(SampleGrid* grid, Visit visit)
{
    GridAxes axes;
    ComputeGridAxes(*grid, &axes);
    GridPoint* p = grid->points;
    for (int k = 0; k <= grid->nz; ++k)
        for (int j = 0; j <= grid->ny; ++j)
            for (int i = 0; i <= grid->nx; ++i, ++p)
                visit(p, axes.x[i], axes.y[j], axes.z[k]);
}

void PolygoniseShape(SampleGrid* grid, MeshSlot* slot, ShapeFunction shape, float threshold,
                     float px, float py, float pz, float scale);
void PolygoniseField(SampleGrid* grid, MeshSlot* slot, float threshold, float scale);

// ---- Picture ---------------------------------------------------------------------

// Writes count vertices from point pairs (X, Y bytes), snapped to a grid that
// coarsens with k in 0..1 (0 exact, 1 everything at the centre).
void PlacePicturePoints(Vertex* first, const uint8_t* points, int count, float k);
