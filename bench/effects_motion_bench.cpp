// Per scene: the CPU time of the scene's item callbacks per frame (surface
// extraction included) and the rate of whole frames, drawn headless on a GL context
// of SDL's offscreen driver at 640 x 480 (llvmpipe where Mesa is the driver).
//
// Each iteration draws one whole frame with DrawFrame at the next time of a span in
// which the scene is on screen, 2 centiseconds apart (50 frames per second of demo
// time). The reported time is the callbacks' time of that scene alone (manual time);
// the counters give the callbacks' CPU time on the drawing thread (callback_cpu_ms,
// which leaves out waiting for a GL driver's own threads), the time of each kind of
// callback (ms_<name>) and the whole frame: frame_ms and fps.
#include "content/content.h"
#include "engine/engine.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tools/common/offscreen.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int CALLBACK_KINDS = CALLBACK_COUNT;

// Every item's own callback, by its place in the item block; the items themselves
// call TimeCallback, which adds the time to the scene the item belongs to.
std::vector<ItemCallback> OriginalCallbacks;
std::vector<int> ItemScene;
std::vector<int> ItemCallbackId;
SceneItem* FirstItem = nullptr;
double CallbackSeconds[SCENE_COUNT + 1] = {};
double CallbackCpuSeconds[SCENE_COUNT + 1] = {};
double SecondsByCallback[SCENE_COUNT + 1][CALLBACK_COUNT] = {};

// Short names of the callbacks, in ItemCallbackId order, for the counters.
constexpr const char* CallbackNames[] = {
    "none", "picture", "text", "surface", "tunnel", "fixed", "shaded", "disc", "particle",
    "shatter", "fan", "trail", "rope", "warp", "flower", "arm", "flash", "flashB",
};
static_assert(std::size(CallbackNames) == CALLBACK_COUNT);

int CallbackIdOf(ItemCallback callback)
{
    for (int id = 1; id < CALLBACK_KINDS; ++id)
        if (ItemCallbacks[id] == callback)
            return id;
    return 0;
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

void TimeCallback(SceneItem* item, int parameter, float time)
{
    const std::size_t index = static_cast<std::size_t>(item - FirstItem);
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    OriginalCallbacks[index](item, parameter, time);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    CallbackCpuSeconds[ItemScene[index]] += ThreadCpuSeconds() - cpuStart;
    CallbackSeconds[ItemScene[index]] += seconds;
    SecondsByCallback[ItemScene[index]][ItemCallbackId[index]] += seconds;
}

bool Ready()
{
    static int state = 0;   // 0 untried, 1 ready, 2 no context
    if (state)
        return state == 1;
    if (!StartDemoOffscreen()) {
        state = 2;
        return false;
    }
    FirstItem = SceneItemLists[0].first;
    for (int s = 1; s <= SCENE_COUNT; ++s) {
        const SceneItemList& list = SceneItemLists[s - 1];
        for (int i = 0; i < list.count; ++i) {
            SceneItem& item = list.first[i];
            const std::size_t index = static_cast<std::size_t>(&item - FirstItem);
            if (OriginalCallbacks.size() <= index) {
                OriginalCallbacks.resize(index + 1);
                ItemScene.resize(index + 1);
                ItemCallbackId.resize(index + 1);
            }
            ItemCallbackId[index] = CallbackIdOf(item.callback);
            OriginalCallbacks[index] = item.callback;
            ItemScene[index] = s;
            if (item.callback)
                item.callback = TimeCallback;
        }
    }
    state = 1;
    return true;
}

// A span of frame times (centiseconds) in which the scene is on screen, away from
// transitions.
struct SceneSpan {
    int scene;
    float first, last;
};
constexpr SceneSpan SceneSpans[] = {
    { 1, 3000.0f, 4700.0f },   { 2, 600.0f, 2300.0f },    { 3, 13300.0f, 17000.0f },
    { 4, 1100.0f, 3400.0f },   { 5, 0.0f, 1090.0f },      { 6, 10000.0f, 11500.0f },
    { 7, 7500.0f, 8900.0f },   { 8, 9260.0f, 9990.0f },   { 9, 3760.0f, 5700.0f },
    { 10, 11860.0f, 13100.0f }, { 11, 5300.0f, 7700.0f }, { 12, 13136.0f, 13262.0f },
    { 13, 9936.0f, 10062.0f }, { 14, 17072.0f, 17300.0f },
};

bool SceneUses(int scene, int id)
{
    const SceneItemList& list = SceneItemLists[scene - 1];
    for (int i = 0; i < list.count; ++i)
        if (ItemCallbackId[static_cast<std::size_t>(&list.first[i] - FirstItem)] == id)
            return true;
    return false;
}

void BM_SceneFrame(benchmark::State& state)
{
    if (!Ready()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const SceneSpan& span = SceneSpans[state.range(0)];
    state.SetLabel("scene " + std::to_string(span.scene));
    float t = span.first;
    double frameSeconds = 0.0;
    double cpuSeconds = 0.0;
    double byCallback[CALLBACK_COUNT] = {};
    for (auto _ : state) {
        for (double& seconds : SecondsByCallback[span.scene])
            seconds = 0.0;
        CallbackSeconds[span.scene] = 0.0;
        CallbackCpuSeconds[span.scene] = 0.0;
        const auto start = Clock::now();
        DrawFrame(t);
        glFinish();
        frameSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(CallbackSeconds[span.scene]);
        cpuSeconds += CallbackCpuSeconds[span.scene];
        for (int id = 1; id < CALLBACK_KINDS; ++id)
            byCallback[id] += SecondsByCallback[span.scene][id];
        t += 2.0f;
        if (t > span.last)
            t = span.first;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["frame_ms"] = 1000.0 * frameSeconds / frames;
    state.counters["fps"] = frames / frameSeconds;
    state.counters["callback_cpu_ms"] = 1000.0 * cpuSeconds / frames;
    for (int id = 1; id < CALLBACK_KINDS; ++id) {
        if (SceneUses(span.scene, id))
            state.counters[std::string("ms_") + CallbackNames[id]] = 1000.0 * byCallback[id] / frames;
    }
}
BENCHMARK(BM_SceneFrame)
    ->DenseRange(0, static_cast<int>(std::size(SceneSpans)) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);

} // namespace
