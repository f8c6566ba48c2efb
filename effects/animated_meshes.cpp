// Meshes rebuilt every frame by item callbacks: implicit surfaces whose shape
// parameters move with time, a shaded variant, a decaying trail field and the
// picture whose points coarsen with an envelope.
#include "content/content.h"
#include "core/curves.h"
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "effects/effects.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

#include <cmath>
#include <iterator>

namespace {

// One animated surface. Frequencies are per centisecond of scene time.
struct AnimatedSurfaceRecord {
    ShapeFunction shape;
    uint8_t grid;            // IsoGrids entry
    uint8_t materialEntry;   // TextureBank entry made the mesh's material each frame
    int16_t scale;           // vertex scale, units of 1/256; negative: seen from inside
    float w1, a1, b1;        // px = b1 + a1 sin(w1 t), py = b1 + a1 cos(w1 t)
    float w2, a2, b2;        // pz = a2 sin(w2 t) + b2
    float threshold;
};

constexpr AnimatedSurfaceRecord AnimatedSurfaceRecords[] = {
    //  shape          grid material scale   w1     a1    b1    w2     a2    b2    threshold
    { RippledColumn,  4,   12,      512,   0.003f, 2.0f, 2.0f, 0.006f, 0.5f,  0.0f,  0.25f },
    { CosineLattice,  4,   20,      256,   0.005f, 2.0f, 2.0f, 0.006f, 1.0f,  1.0f,  1.15f },
    { ThreeRings,     4,   18,      256,   0.005f, 1.0f, 0.0f, 0.01f,  0.35f, 0.35f, 0.65f },
    { CosineBall,     2,   11,     -3584,  0.0f,   0.0f, 0.0f, 0.01f,  0.25f, 0.0f,  0.5f  },
    { CosineBall,     2,   12,     -4608,  0.0f,   0.0f, 0.0f, 0.01f,  0.25f, 0.0f,  0.5f  },
};
static_assert(std::size(AnimatedSurfaceRecords) == ANIMATED_SURFACE_RECORD_COUNT);

using TrailStepFn = void (*)(float t);

struct TrailRecord {
    TrailStepFn step;
    float decay;   // factor applied to the whole field once per call
};

constexpr TrailRecord TrailRecords[] = {
    { TwinBlobsStep,    0.97f },
    { TumblingRingStep, 0.9f  },
};
static_assert(std::size(TrailRecords) == TRAIL_RECORD_COUNT);

constexpr int TRAIL_MATERIAL_ENTRY = 18;
constexpr float TRAIL_THRESHOLD = 0.5f;

// The mesh the item rebuilds, or null where it has no surface budget to rebuild into.
MeshSlot* RebuildableMesh(const SceneItem* item)
{
    if (item->mesh >= MESH_TABLE_SIZE)
        return nullptr;
    MeshSlot* slot = &EngineTables.MeshTable[item->mesh];
    return slot->indices && slot->indexCapacity > 0 ? slot : nullptr;
}

} // namespace

bool OutgoingScene = false;

void ScaleGridValues(SampleGrid* grid, float factor)
{
    const int sampled = (grid->nx + 1) * (grid->ny + 1) * (grid->nz + 1);
    GridPoint* points = grid->points;
    for (int n = 0; n < sampled; ++n)
        points[n].value *= factor;
}

void AddShapeToGrid(SampleGrid* grid, ShapeFunction shape, float px, float py, float pz)
{
    float* params = EngineTables.ShapeParams;
    params[SHAPE_PX] = px;
    params[SHAPE_PY] = py;
    params[SHAPE_PZ] = pz;
    ForEachSampledPoint(grid, [shape](GridPoint* p, float x, float y, float z) { p->value += shape(x, y, z); });
}

// Two blobs that orbit independently in x and y and share their z.
void TwinBlobsStep(float t)
{
    const float px = 0.7f * PortableSin(0.036f * t);
    const float py = 0.7f * PortableCos(0.04f * t);
    const float pz = 0.7f * PortableSin(0.048f * t);
    float* params = EngineTables.ShapeParams;
    params[SHAPE_OX] = 0.7f * PortableSin(0.034f * t) - px;
    params[SHAPE_OY] = 0.7f * PortableCos(0.041f * t) - py;
    params[SHAPE_OZ] = 0.0f;
    AddShapeToGrid(EngineTables.IsoGrids[TRAIL_GRID], TwinBlobs, px, py, pz);
}

// A ring that turns about the vertical axis and tumbles about its own.
void TumblingRingStep(float t)
{
    float* params = EngineTables.ShapeParams;
    params[SHAPE_OX] = PortableSin(0.011f * t);
    params[SHAPE_OY] = PortableCos(0.011f * t);
    AddShapeToGrid(EngineTables.IsoGrids[TRAIL_GRID], TumblingRing, PortableSin(0.015f * t),
                   PortableCos(0.015f * t), 0.25f * PortableSin(0.062f * t));
}

void AnimateSurface(SceneItem* item, int parameter, float time)
{
    if (OutgoingScene || parameter < 0 || parameter >= ANIMATED_SURFACE_RECORD_COUNT)
        return;
    MeshSlot* slot = RebuildableMesh(item);
    if (!slot)
        return;
    const AnimatedSurfaceRecord& r = AnimatedSurfaceRecords[parameter];
    slot->material = EngineTables.TextureBank + r.materialEntry;
    PolygoniseShape(EngineTables.IsoGrids[r.grid], slot, r.shape, r.threshold,
                    r.b1 + r.a1 * PortableSin(r.w1 * time), r.b1 + r.a1 * PortableCos(r.w1 * time),
                    r.a2 * PortableSin(r.w2 * time) + r.b2, static_cast<float>(r.scale) / 256.0f);
}

void AnimateShadedSurface(SceneItem* item, int parameter, float time)
{
    if (OutgoingScene || parameter < 0 || parameter >= ANIMATED_SURFACE_RECORD_COUNT)
        return;
    MeshSlot* slot = RebuildableMesh(item);
    if (!slot)
        return;
    AnimateSurface(item, parameter, time);
    // Grey bands across x that drift with time, 96..254. Every reserved vertex is
    // shaded, including those the surface did not use this frame.
    const float phase = 8.0f * PortableCos(0.005f * time);
    Vertex* vertex = EngineTables.VertexArray + slot->firstVertex;
    for (int n = 0; n < slot->vertexCount; ++n, ++vertex) {
        const float band = 79.0f * (PortableSin(0.25f * vertex->position[0] + phase) + 1.0f);
        const auto level = static_cast<uint8_t>(96 + static_cast<int>(band));
        vertex->colour[0] = level;
        vertex->colour[1] = level;
        vertex->colour[2] = level;
        vertex->colour[3] = 255;
    }
}

void AnimateTrail(SceneItem* item, int parameter, float time)
{
    if (OutgoingScene || parameter < 0 || parameter >= TRAIL_RECORD_COUNT)
        return;
    MeshSlot* slot = RebuildableMesh(item);
    if (!slot)
        return;
    // The field is shared by both records and never reset: it fades by the decay
    // once per call, so a trail's length depends on the frame rate.
    const TrailRecord& r = TrailRecords[parameter];
    slot->material = EngineTables.TextureBank + TRAIL_MATERIAL_ENTRY;
    SampleGrid* grid = EngineTables.IsoGrids[TRAIL_GRID];
    ScaleGridValues(grid, r.decay);
    r.step(time);
    PolygoniseField(grid, slot, TRAIL_THRESHOLD, 1.0f);
}

void AnimatePicture(SceneItem*, int, float time)
{
    // The item's own transformation comes after this callback: the picture is drawn
    // in the view's camera space. Without GL (tools, tests) only the points move.
    const bool useGl = GeometryState.useGl;
    if (useGl)
        glScalef(1.0f, 1.4f, 1.0f);
    const float k = EvaluateEnvelope(PictureEnvelope, time);
    const int pointCount = PicturePoints[0];
    for (int m = FIRST_PICTURE_MESH; m < FIRST_PICTURE_MESH + PICTURE_LAYER_COUNT; ++m) {
        const MeshSlot& slot = EngineTables.MeshTable[m];
        // Never more points than the layer reserved.
        const int count = pointCount < slot.vertexCount ? pointCount : slot.vertexCount;
        PlacePicturePoints(EngineTables.VertexArray + slot.firstVertex, PicturePoints + 1, count, k);
        if (useGl)
            DrawMesh(slot);
    }
}
