// Offline rendering of a whole song through FillBlock, for the XM tool and the tests.
// Internal to music/.
#pragma once

#include <cstdint>
#include <vector>

struct Module;

struct RenderOptions {
    int32_t rate = 44100;
    double maxSeconds = 0;        // 0: no limit other than the song's end
    bool stopAtSongEnd = true;    // stop when playback returns to a row already played
};

struct RenderResult {
    std::vector<int16_t> samples;   // interleaved stereo
    bool reachedSongEnd = false;
};

// Plays the module from its start; deterministic for a given module and rate.
RenderResult RenderModule(Module* module, const RenderOptions& options);

// Tracks played positions; Visit is called at each row tick with the row about to
// play and says whether the song has come back to a row it already played. Rows
// repeated by a running pattern loop do not count.
struct SongEndDetector {
    std::vector<uint8_t> visited = std::vector<uint8_t>(256 * 256, 0);
    bool Visit(const Module* module);
};
