// Offline rendering: the same FillBlock path the output thread runs, block by block,
// with the song's end found by watching the rows the player is about to play.
#include "music/render.h"

#include <algorithm>

#include "music/module.h"
#include "music/output.h"
#include "music/player.h"

namespace {

// Longest render without an explicit limit, so a song whose end cannot be found
// still finishes.
constexpr double MAX_DEFAULT_SECONDS = 1800.0;

struct RenderWatch {
    SongEndDetector detector;
    int64_t framesBeforeTick = 0;   // output frames before the tick now starting
    int64_t endFrame = -1;          // first frame after the song, once found
};
RenderWatch Watch;

void WatchedTick(Module* module)
{
    if (module->tick == 0 && Watch.endFrame < 0 && Watch.detector.Visit(module))
        Watch.endFrame = Watch.framesBeforeTick;
    PlayerTick(module);
    Watch.framesBeforeTick += module->samplesPerTick > 0 ? module->samplesPerTick : 1;
}

}   // namespace

bool SongEndDetector::Visit(const Module* module)
{
    int32_t order = module->nextOrder >= 0 ? module->nextOrder : module->orderPosition;
    int32_t row = module->nextRow >= 0 ? module->nextRow : module->row;
    if (order < 0 || order >= module->songLength)
        order = 0;
    const Pattern& pattern = module->patterns[module->orderTable[order]];
    if (row < 0 || row >= pattern.rowCount)
        row = 0;
    uint8_t& seen = visited[size_t(order) * 256 + size_t(row)];
    if (seen) {
        for (int k = 0; k < module->channelCount; k++) {
            if (Channels[k].loopCount != 0)
                return false;
        }
        return true;
    }
    seen = 1;
    return false;
}

RenderSummary RenderModule(Module* module, const RenderOptions& options, const RenderSink& sink)
{
    RenderSummary summary;
    Watch = RenderWatch{};
    if (!BeginOfflinePlayback(module, options.rate, options.stopAtSongEnd ? WatchedTick : PlayerTick))
        return summary;
    const double seconds = options.maxSeconds > 0 ? options.maxSeconds : MAX_DEFAULT_SECONDS;
    const int64_t limit = static_cast<int64_t>(seconds * options.rate);
    const int32_t blockFrames = WaveOutput.blockFrames;
    bool stopped = false;
    while (summary.frames < limit && Watch.endFrame < 0 && !stopped) {
        const int16_t* block = RenderNextBlock();
        // The song's end, found during this block, and the limit cut its tail.
        int64_t frames = std::min<int64_t>(blockFrames, limit - summary.frames);
        if (Watch.endFrame >= 0)
            frames = std::max<int64_t>(std::min(frames, Watch.endFrame - summary.frames), 0);
        if (frames > 0)
            stopped = !sink(block, static_cast<size_t>(frames));
        summary.frames += frames;
    }
    summary.reachedSongEnd = Watch.endFrame >= 0;
    summary.completed = !stopped;
    EndOfflinePlayback();
    return summary;
}

RenderResult RenderModule(Module* module, const RenderOptions& options)
{
    RenderResult result;
    const RenderSummary summary = RenderModule(module, options, [&](const int16_t* samples, size_t frames) {
        result.samples.insert(result.samples.end(), samples, samples + 2 * frames);
        return true;
    });
    result.reachedSongEnd = summary.reachedSongEnd;
    return result;
}
