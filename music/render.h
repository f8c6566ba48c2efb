// Offline rendering of a whole song through FillBlock, for the XM tool and the tests.
// Internal to music/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct Module;

struct RenderOptions {
    int32_t rate = 44100;
    double maxSeconds = 0;        // 0: no limit other than the song's end
    bool stopAtSongEnd = true;    // stop when playback returns to a row already played
};

// Takes the rendered audio in order, one block at a time: frames stereo frames of
// interleaved samples. Returning false ends the render there (a failed write, say).
using RenderSink = std::function<bool(const int16_t* samples, size_t frames)>;

struct RenderSummary {
    int64_t frames = 0;            // handed to the sink
    bool reachedSongEnd = false;
    bool completed = false;        // false: the module could not start, or the sink stopped
};

// Plays the module from its start, handing each block to sink as it is mixed, so the
// memory used does not grow with the song. Deterministic for a given module and rate.
RenderSummary RenderModule(Module* module, const RenderOptions& options, const RenderSink& sink);

struct RenderResult {
    std::vector<int16_t> samples;   // interleaved stereo
    bool reachedSongEnd = false;
};

// The same render, collected whole in memory.
RenderResult RenderModule(Module* module, const RenderOptions& options);

// Tracks played positions; Visit is called at each row tick with the row about to
// play and says whether the song has come back to a row it already played. Rows
// repeated by a running pattern loop do not count.
struct SongEndDetector {
    std::vector<uint8_t> visited = std::vector<uint8_t>(256 * 256, 0);
    bool Visit(const Module* module);
};
