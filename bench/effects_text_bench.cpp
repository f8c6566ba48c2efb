// Per-frame CPU time of the text and particle callbacks, scene by scene, on SDL's
// offscreen GL context at 640 x 480: the text item at the busiest moments of scene 2,
// and every particle item of each scene that holds them. The GL queue is drained
// outside the timed part. The one-off atlas bake is timed too.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tools/common/offscreen.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

bool StartOnce()
{
    return StartDemoOffscreen();
}

// Runs the callbacks of scene s's items that `callback` names, as the renderer does:
// each in its own pushed matrix after the scene's view is applied.
void RunCallbacks(int s, ItemCallback callback, float t)
{
    const SceneItemList& list = SceneItemLists[s - 1];
    for (SceneItem* item = list.first; item != list.first + list.count; ++item) {
        if (item->callback != callback)
            continue;
        glPushMatrix();
        item->callback(item, item->flags >> 8, t);
        glPopMatrix();
    }
}

void BenchScene(benchmark::State& state, int s, ItemCallback callback, float t)
{
    if (!StartOnce()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    UpdateCamera(s, t);
    ApplyView(s);
    int frames = 0;
    for (auto _ : state) {
        RunCallbacks(s, callback, t);
        if (++frames % 16 == 0) {
            state.PauseTiming();
            glFinish();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            state.ResumeTiming();
        }
    }
    glFinish();
}

// Scene 2 at the moments with most glyphs on screen: the first text, the title with
// its byline, three blocks of greetings at once, the manifesto, the credits.
void BM_TextScene(benchmark::State& state)
{
    BenchScene(state, 2, TextItemCallback, static_cast<float>(state.range(0)));
}
BENCHMARK(BM_TextScene)->Arg(1000)->Arg(3420)->Arg(6950)->Arg(7150)->Arg(15300)->Arg(16300)
    ->Unit(benchmark::kMicrosecond);

// Particle scenes 4, 6, 7, 13 and 14 (64, 12, 4, 8 and 8 particles).
void BM_ParticleScene(benchmark::State& state)
{
    BenchScene(state, static_cast<int>(state.range(0)), ParticleItemCallback, 1234.0f);
}
BENCHMARK(BM_ParticleScene)->Arg(4)->Arg(6)->Arg(7)->Arg(13)->Arg(14)->Unit(benchmark::kMicrosecond);

void BM_BakeFontAtlas(benchmark::State& state)
{
    if (!StartOnce()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    for (auto _ : state) {
        ApplyView(0);
        BakeFontAtlas(WindowWidth, WindowHeight);
        glFinish();
    }
}
BENCHMARK(BM_BakeFontAtlas)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
