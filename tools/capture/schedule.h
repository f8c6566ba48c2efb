// Which frames the capture draws and what it does with each.
//
// Frame k of a run at N frames per second is drawn at t = floor(k x 100 / N)
// centiseconds, so that particles, ropes and trails, which advance once per drawn
// frame, see the same frames every run; every frame up to the last one wanted is
// drawn in order. Frames asked for with --at between two steps are drawn in their
// place. A video holds frames k with A <= k x 100 / N < B, and the sound from
// A x 441 up to B x 441 (44,100 samples a second, sample 0 at demo time 0).
#pragma once

#include "tools/capture/options.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct Schedule {
    std::vector<int> drawn;      // every frame time, ascending
    std::set<int> png;           // the times written as PNG frames
    std::set<int> video;         // the times of the video's frames
    int64_t soundFirst = 0;      // the sound's span, in stereo frames from demo time 0
    int64_t soundEnd = 0;
    std::vector<std::string> notes;   // what was left out, for the user

    bool ReadsBack(int t) const { return png.count(t) || video.count(t); }
};

// Demo time of step k.
int StepTime(int64_t k, int fps);

// endTime: the demo's end in centiseconds; nothing at or after it is drawn.
Schedule MakeSchedule(const CaptureOptions& options, int endTime);
