// The building pass of all 115 meshes without GL, and the per-frame surface
// extraction of every animated surface's shape on the 28-cell grid.
#include "engine/engine.h"
#include "geometry/geometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

void BuildOnce()
{
    if (EngineTables.MeshTable)
        return;
    BuildGeometryWithoutGl();
}

void BM_BuildingPass(benchmark::State& state)
{
    BuildOnce();
    for (auto _ : state) {
        // The building pass owns fresh index arrays each time; give the old back.
        for (int m = 0; m < MESH_TABLE_SIZE; ++m)
            std::free(EngineTables.MeshTable[m].indices);
        EngineTables.MeshCursor = EngineTables.MeshTable;
        EngineTables.GlyphBoxCursor = EngineTables.GlyphBoxes;
        GeometryState.glyphStreamCursor = nullptr;
        GeometryState.glyphQuadCounter = 0;
        BuildMeshTable();
        benchmark::DoNotOptimize(EngineTables.MeshTable[26].indexCount);
    }
}
BENCHMARK(BM_BuildingPass)->Unit(benchmark::kMillisecond);

// The animated surfaces' shapes and parameters, at scene time t = 1234 cs.
struct AnimatedShape {
    ShapeFunction shape;
    float w1, a1, b1, w2, a2, b2, threshold, scale;
};
const AnimatedShape AnimatedShapes[] = {
    { RippledColumn, 0.003f, 2.0f, 2.0f, 0.006f, 0.5f, 0.0f, 0.25f, 2.0f },
    { CosineLattice, 0.005f, 2.0f, 2.0f, 0.006f, 1.0f, 1.0f, 1.15f, 1.0f },
    { ThreeRings, 0.005f, 1.0f, 0.0f, 0.01f, 0.35f, 0.35f, 0.65f, 1.0f },
    { CosineBall, 0.0f, 0.0f, 0.0f, 0.01f, 0.25f, 0.0f, 0.5f, -14.0f },
};

void BM_PolygoniseAnimatedShape(benchmark::State& state)
{
    BuildOnce();
    const AnimatedShape& a = AnimatedShapes[state.range(0)];
    const float t = 1234.0f;
    MeshSlot* slot = &EngineTables.MeshTable[20];
    for (auto _ : state) {
        PolygoniseShape(EngineTables.IsoGrids[4], slot, a.shape, a.threshold,
                        a.b1 + a.a1 * std::sin(a.w1 * t), a.b1 + a.a1 * std::cos(a.w1 * t),
                        a.a2 * std::sin(a.w2 * t) + a.b2, a.scale);
        benchmark::DoNotOptimize(slot->indexCount);
    }
    state.counters["triangles"] = static_cast<double>(slot->indexCount / 3);
}
BENCHMARK(BM_PolygoniseAnimatedShape)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
