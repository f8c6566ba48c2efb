// Offline rendering: the same FillBlock path the output thread runs, block by block,
// with the song's end found by watching the rows the player is about to play.
#include "music/render.h"

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

RenderResult RenderModule(Module* module, const RenderOptions& options)
{
    RenderResult result;
    Watch = RenderWatch{};
    if (!BeginOfflinePlayback(module, options.rate, options.stopAtSongEnd ? WatchedTick : PlayerTick))
        return result;
    const double seconds = options.maxSeconds > 0 ? options.maxSeconds : MAX_DEFAULT_SECONDS;
    const int64_t limit = static_cast<int64_t>(seconds * options.rate);
    const int32_t blockFrames = WaveOutput.blockFrames;
    int64_t frames = 0;
    while (frames < limit && Watch.endFrame < 0) {
        const int16_t* block = RenderNextBlock();
        result.samples.insert(result.samples.end(), block, block + 2 * size_t(blockFrames));
        frames += blockFrames;
    }
    if (Watch.endFrame >= 0) {
        result.reachedSongEnd = true;
        if (Watch.endFrame < frames)
            frames = Watch.endFrame;
    }
    if (frames > limit)
        frames = limit;
    result.samples.resize(2 * size_t(frames));
    EndOfflinePlayback();
    return result;
}
