// The CPU half of the texture generator: all layers (with the curves and the layer
// sine table), then all texture images, regenerated into stores built once.
#include "engine/engine.h"
#include "textures/textures.h"

#include <benchmark/benchmark.h>

namespace {

void BuildOnce()
{
    if (!EngineTables.LayerStore)
        BuildTextureLayers();
    if (!EngineTables.TexturePixels)
        BuildTextureImages();
}

void BM_TextureLayers(benchmark::State& state)
{
    BuildOnce();
    for (auto _ : state) {
        GenerateTextureLayers();
        benchmark::DoNotOptimize(EngineTables.LayerStore[LAYER_COUNT - 1][0]);
    }
}
BENCHMARK(BM_TextureLayers)->Unit(benchmark::kMillisecond);

void BM_TextureImages(benchmark::State& state)
{
    BuildOnce();
    for (auto _ : state) {
        GenerateTextureImages();
        benchmark::DoNotOptimize(EngineTables.TexturePixels[TEXTURE_COUNT - 1][0]);
    }
}
BENCHMARK(BM_TextureImages)->Unit(benchmark::kMillisecond);

// Everything BuildTextureLayers and BuildTextures compute, without GL.
void BM_TextureLayersAndImages(benchmark::State& state)
{
    BuildOnce();
    for (auto _ : state) {
        GenerateTextureLayers();
        GenerateTextureImages();
        benchmark::DoNotOptimize(EngineTables.TexturePixels[TEXTURE_COUNT - 1][0]);
    }
}
BENCHMARK(BM_TextureLayersAndImages)->Unit(benchmark::kMillisecond);

} // namespace
