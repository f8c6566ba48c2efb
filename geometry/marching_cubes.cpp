// Marching cubes: the case table built from face rules, the five sample grids, and
// surface extraction from a shape function or from values stored in a grid.
#include "core/engine_tables.h"
#include "geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

struct CubeFace {
    uint8_t corners[4];      // their below bits form the face code, first corner highest
    uint8_t localEdges[4];   // cube edges that are the face's local edges 0..3
};

constexpr CubeFace CubeFaces[6] = {
    { { 3, 2, 1, 0 }, { 0, 1, 2, 3 } },
    { { 6, 7, 4, 5 }, { 4, 6, 5, 7 } },
    { { 1, 0, 5, 4 }, { 4, 9, 8, 0 } },
    { { 2, 6, 0, 4 }, { 8, 2, 6, 10 } },
    { { 7, 3, 5, 1 }, { 9, 5, 1, 11 } },
    { { 7, 6, 3, 2 }, { 3, 11, 10, 7 } },
};

// Per face code, up to two directed segments between local edges, one byte each:
// start in the low four bits, end in the high four bits, 0 for none.
constexpr uint8_t SquareCases[16][2] = {
    { 0x00, 0x00 }, { 0x20, 0x00 }, { 0x01, 0x00 }, { 0x21, 0x00 },
    { 0x32, 0x00 }, { 0x30, 0x00 }, { 0x31, 0x02 }, { 0x31, 0x00 },
    { 0x13, 0x00 }, { 0x10, 0x23 }, { 0x03, 0x00 }, { 0x23, 0x00 },
    { 0x12, 0x00 }, { 0x10, 0x00 }, { 0x02, 0x00 }, { 0x00, 0x00 },
};

// Cube edge e runs from corner EdgeCorner[e] along axis EdgeAxis[e].
constexpr uint8_t EdgeCorner[12] = { 0, 1, 0, 2, 4, 5, 4, 6, 0, 1, 2, 3 };
constexpr uint8_t EdgeAxis[12] = { 0, 1, 1, 0, 0, 1, 1, 0, 2, 2, 2, 2 };
static_assert(std::size(EdgeCorner) == 12 && std::size(EdgeAxis) == 12);

constexpr size_t EdgeFieldOffsets[3] = {
    offsetof(GridPoint, xEdgeVertex), offsetof(GridPoint, yEdgeVertex),
    offsetof(GridPoint, zEdgeVertex),
};

constexpr int GridSizes[ISO_GRID_COUNT] = { 4, 8, 16, 32, 28 };
// std::all_of rather than its ranges form, which the browser build's library lacks.
static_assert(std::all_of(std::begin(GridSizes), std::end(GridSizes),
                          [](int n) { return n >= 1 && n <= MAX_GRID_CELLS; }));

// Fills one 16-byte case: chains the face segments into loops and fans each loop.
void BuildCase(int caseNumber, uint8_t* out)
{
    uint8_t starts[12], ends[12];
    bool used[12] = {};
    int segmentCount = 0;
    for (const CubeFace& face : CubeFaces) {
        int code = 0;
        for (int c = 0; c < 4; ++c)
            code = code * 2 + ((caseNumber >> face.corners[c]) & 1);
        for (uint8_t segment : SquareCases[code]) {
            if (!segment)
                continue;
            starts[segmentCount] = face.localEdges[segment & 15];
            ends[segmentCount] = face.localEdges[segment >> 4];
            ++segmentCount;
        }
    }

    uint8_t loop[12];
    int loopLength = 0;
    int triangleCount = 0;
    auto closeLoop = [&]() {
        for (int i = 2; i < loopLength; ++i) {
            uint8_t* triangle = out + 1 + 3 * triangleCount++;
            triangle[0] = loop[0];
            triangle[1] = loop[i];
            triangle[2] = loop[i - 1];
        }
        loopLength = 0;
    };

    int current = segmentCount ? starts[0] : -1;
    int loopStart = current;
    for (int step = 0; step < segmentCount; ++step) {
        int next = -1;
        for (int s = 0; s < segmentCount && next < 0; ++s)
            if (!used[s] && starts[s] == current)
                next = s;
        if (next < 0)
            break;   // the face rules always close their loops
        used[next] = true;
        loop[loopLength++] = static_cast<uint8_t>(current);
        current = ends[next];
        if (current == loopStart) {
            closeLoop();
            for (int s = 0; s < segmentCount; ++s)
                if (!used[s]) {
                    current = loopStart = starts[s];
                    break;
                }
        }
    }
    out[0] = static_cast<uint8_t>(triangleCount);
}

// Everything one extraction run needs, gathered once.
struct GridWalk {
    SampleGrid* grid;
    GridPoint* points;
    int rowStride;     // points from (i, j, k) to (i, j + 1, k)
    int layerStride;   // points from (i, j, k) to (i, j, k + 1)
    GridAxes axes;
    float steps[3];
};

void StartWalk(SampleGrid* grid, GridWalk* walk)
{
    walk->grid = grid;
    walk->points = grid->points;
    walk->rowStride = grid->nx + 1;
    walk->layerStride = (grid->nx + 1) * (grid->ny + 1);
    ComputeGridAxes(*grid, &walk->axes);
    const int32_t counts[3] = { grid->nx, grid->ny, grid->nz };
    for (int axis = 0; axis < 3; ++axis)
        walk->steps[axis] = 2.0f / static_cast<float>(counts[axis]);
}

void SetNormal(Vertex* vertex, float gx, float gy, float gz)
{
    const float length = std::sqrt(gx * gx + gy * gy + gz * gz);
    // A flat spot of the field has no direction; leave the normal zero there rather
    // than fill it with NaN.
    const float factor = length > 0.0f ? 0.5f / length : 0.0f;
    vertex->normal[0] = gx * factor;
    vertex->normal[1] = gy * factor;
    vertex->normal[2] = gz * factor;
}

void PlaceVertex(Vertex* vertex, float x, float y, float z, float scale)
{
    vertex->texCoord[0] = x;
    vertex->texCoord[1] = y;
    vertex->position[0] = scale * x;
    vertex->position[1] = scale * y;
    vertex->position[2] = scale * z;
}

// Edge and triangle passes shared by both extraction routines. The shape is null
// for a field: its normals come from the stored neighbours instead.
void ExtractSurface(const GridWalk& walk, MeshSlot* slot, ShapeFunction shape, float threshold)
{
    SampleGrid* grid = walk.grid;
    GridPoint* points = walk.points;
    const int nx = grid->nx, ny = grid->ny, nz = grid->nz;
    const float scale = EngineTables.ShapeParams[SHAPE_SCALE];
    Vertex* vertices = EngineTables.VertexArray;
    int32_t next = slot->firstVertex;
    const int32_t limit = slot->firstVertex + slot->vertexCount - 1;

    auto makeVertex = [&](const GridPoint* p, float x, float y, float z) {
        Vertex* vertex = vertices + next;
        if (shape) {
            const float v = shape(x, y, z);
            SetNormal(vertex, v - shape(x + 0.001f, y, z), v - shape(x, y + 0.001f, z),
                      v - shape(x, y, z + 0.001f));
        } else {
            SetNormal(vertex, p->value - p[1].value, p->value - p[walk.rowStride].value,
                      p->value - p[walk.layerStride].value);
        }
        PlaceVertex(vertex, x, y, z, scale);
    };

    // The +x, +y and +z edges of a point, in that order: the neighbour's distance in
    // points and the field that keeps the edge's vertex.
    const int neighbours[3] = { 1, walk.rowStride, walk.layerStride };
    constexpr int32_t GridPoint::*EdgeVertex[3] = { &GridPoint::xEdgeVertex, &GridPoint::yEdgeVertex,
                                                    &GridPoint::zEdgeVertex };
    GridPoint* p = points;
    for (int k = 0; k <= nz; ++k) {
        for (int j = 0; j <= ny; ++j) {
            for (int i = 0; i <= nx; ++i, ++p) {
                const int index[3] = { i, j, k };
                const int count[3] = { nx, ny, nz };
                for (int axis = 0; axis < 3; ++axis) {
                    const GridPoint& neighbour = p[neighbours[axis]];
                    if (index[axis] == count[axis] || p->below == neighbour.below)
                        continue;
                    if (next >= limit) {
                        slot->indexCount = 0;
                        return;
                    }
                    // The crossing, linear between the two values along this axis.
                    float at[3] = { walk.axes.x[i], walk.axes.y[j], walk.axes.z[k] };
                    at[axis] += (threshold - p->value) * walk.steps[axis] / (neighbour.value - p->value);
                    p->*EdgeVertex[axis] = next;
                    makeVertex(p, at[0], at[1], at[2]);
                    ++next;
                }
            }
        }
    }

    const int rowStride = walk.rowStride, layerStride = walk.layerStride;
    uint32_t* indices = slot->indices;
    const int32_t indexLimit = slot->indexCapacity - 3;
    int32_t written = 0;
    for (int k = 0; k < nz; ++k) {
        for (int j = 0; j < ny; ++j) {
            const GridPoint* row = points + j * rowStride + k * layerStride;
            for (int i = 0; i < nx; ++i) {
                const GridPoint* c = row + i;
                const int caseNumber = c[0].below | c[1].below << 1 | c[rowStride].below << 2 |
                                       c[rowStride + 1].below << 3 | c[layerStride].below << 4 |
                                       c[layerStride + 1].below << 5 |
                                       c[layerStride + rowStride].below << 6 |
                                       c[layerStride + rowStride + 1].below << 7;
                if (caseNumber == 0 || caseNumber == 255)
                    continue;
                const GridCase& cube = grid->cases[caseNumber];
                const char* base = reinterpret_cast<const char*>(c);
                for (int t = 0; t < cube.triangleCount; ++t) {
                    if (written >= indexLimit) {
                        slot->indexCount = 0;
                        return;
                    }
                    for (int corner = 0; corner < 3; ++corner) {
                        int32_t vertex;
                        std::memcpy(&vertex, base + cube.edgeFieldOffset[3 * t + corner], sizeof vertex);
                        indices[written++] = static_cast<uint32_t>(vertex);
                    }
                }
            }
        }
    }
    slot->indexCount = written;
}

} // namespace

void ComputeGridCoordinates(int n, float* out)
{
    const float step = 2.0f / static_cast<float>(n);
    float c = -1.0f;
    for (int i = 0; i <= n; ++i) {
        out[i] = c;
        c += step;
    }
}

void ComputeGridAxes(const SampleGrid& grid, GridAxes* axes)
{
    ComputeGridCoordinates(grid.nx, axes->x);
    ComputeGridCoordinates(grid.ny, axes->y);
    ComputeGridCoordinates(grid.nz, axes->z);
}

SampleGrid* MakeGrid(int nx, int ny, int nz)
{
    // Every walk over a grid keeps its coordinates in GridAxes.
    for (const int n : { nx, ny, nz }) {
        if (n < 1 || n > MAX_GRID_CELLS)
            return nullptr;
    }
    const size_t pointCount = static_cast<size_t>(nx + 1) * (ny + 1) * (nz + 2);
    char* block = static_cast<char*>(AllocateForever(sizeof(SampleGrid) + pointCount * sizeof(GridPoint)));
    SampleGrid* grid = reinterpret_cast<SampleGrid*>(block);
    grid->nx = nx;
    grid->ny = ny;
    grid->nz = nz;
    grid->points = reinterpret_cast<GridPoint*>(block + sizeof(SampleGrid));

    const int rowStride = nx + 1;
    const int layerStride = (nx + 1) * (ny + 1);
    for (int c = 0; c < 256; ++c) {
        const uint8_t* entry = EngineTables.IsoCaseTable + ISO_CASE_BYTES * c;
        GridCase& out = grid->cases[c];
        out.triangleCount = entry[0];
        for (int t = 0; t < 3 * entry[0]; ++t) {
            const int edge = entry[1 + t];
            const int q = EdgeCorner[edge];
            const int point = (q & 1) + ((q >> 1) & 1) * rowStride + ((q >> 2) & 1) * layerStride;
            out.edgeFieldOffset[t] =
                static_cast<int32_t>(point * sizeof(GridPoint) + EdgeFieldOffsets[EdgeAxis[edge]]);
        }
    }
    return grid;
}

void BuildCaseTable()
{
    uint8_t* table = static_cast<uint8_t*>(AllocateForever(256 * ISO_CASE_BYTES));
    for (int c = 0; c < 256; ++c)
        BuildCase(c, table + ISO_CASE_BYTES * c);
    EngineTables.IsoCaseTable = table;
    for (int g = 0; g < ISO_GRID_COUNT; ++g)
        EngineTables.IsoGrids[g] = MakeGrid(GridSizes[g], GridSizes[g], GridSizes[g]);
}

void PolygoniseShape(SampleGrid* grid, MeshSlot* slot, ShapeFunction shape, float threshold,
                     float px, float py, float pz, float scale)
{
    float* params = EngineTables.ShapeParams;
    params[SHAPE_PX] = px;
    params[SHAPE_PY] = py;
    params[SHAPE_PZ] = pz;
    params[SHAPE_SCALE] = scale;

    ForEachSampledPoint(grid, [shape, threshold](GridPoint* p, float x, float y, float z) {
        p->value = shape(x, y, z) + 0.00001f;
        p->below = p->value < threshold ? 1 : 0;
    });
    GridWalk walk;
    StartWalk(grid, &walk);
    ExtractSurface(walk, slot, shape, threshold);
}

void PolygoniseField(SampleGrid* grid, MeshSlot* slot, float threshold, float scale)
{
    EngineTables.ShapeParams[SHAPE_SCALE] = scale;
    GridWalk walk;
    StartWalk(grid, &walk);
    const int sampled = walk.layerStride * (grid->nz + 1);
    for (int n = 0; n < sampled; ++n)
        walk.points[n].below = walk.points[n].value < threshold ? 1 : 0;
    ExtractSurface(walk, slot, nullptr, threshold);
}
