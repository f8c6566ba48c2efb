// The frame times of a capture and the span of its sound.
#include "tools/capture/schedule.h"

#include "tools/capture/soundtrack.h"

#include <algorithm>

namespace {

// The first step at or after time t: the smallest k with k x 100 / fps >= t.
int64_t FirstStepFrom(int t, int fps)
{
    return (static_cast<int64_t>(t) * fps + 99) / 100;
}

void AddPngFrames(const CaptureOptions& options, int endTime, Schedule* schedule)
{
    for (int t : options.at)
        schedule->png.insert(t);
    const bool whole = options.at.empty() && !options.hasRange;
    const int first = whole ? 0 : options.rangeFirst;
    const int last = whole ? endTime - 1 : options.rangeLast;
    if (whole || options.hasRange) {
        for (int64_t k = FirstStepFrom(first, options.fps);; ++k) {
            const int t = StepTime(k, options.fps);
            if (t > last)
                break;
            schedule->png.insert(t);
        }
    }
    for (auto it = schedule->png.begin(); it != schedule->png.end();) {
        if (*it >= endTime) {
            schedule->notes.push_back(std::to_string(*it) + " cs is not before the end (" + std::to_string(endTime) +
                                      " cs), skipped");
            it = schedule->png.erase(it);
        } else {
            ++it;
        }
    }
}

// The span [first, end) of a video or the sound alone.
void SpanOf(const CaptureOptions& options, int endTime, int* first, int* end, Schedule* schedule)
{
    *first = options.hasRange ? options.rangeFirst : 0;
    *end = options.hasRange ? options.rangeLast : endTime;
    if (*end > endTime) {
        schedule->notes.push_back("the demo ends at " + std::to_string(endTime) + " cs; the video and sound end there");
        *end = endTime;
    }
    *first = std::min(*first, *end);
}

} // namespace

int StepTime(int64_t k, int fps)
{
    return static_cast<int>(k * 100 / fps);
}

Schedule MakeSchedule(const CaptureOptions& options, int endTime)
{
    Schedule schedule;
    if (options.writePng || options.drawOnly || (!options.contactSheet.empty() && options.video.empty()))
        AddPngFrames(options, endTime, &schedule);
    if (!options.video.empty() || !options.audio.empty()) {
        int first = 0, end = 0;
        SpanOf(options, endTime, &first, &end, &schedule);
        schedule.soundFirst = int64_t{ first } * SOUNDTRACK_FRAMES_PER_CS;
        schedule.soundEnd = int64_t{ end } * SOUNDTRACK_FRAMES_PER_CS;
        if (!options.video.empty()) {
            const int64_t endStep = FirstStepFrom(end, options.fps);
            for (int64_t k = FirstStepFrom(first, options.fps); k < endStep; ++k)
                schedule.video.insert(StepTime(k, options.fps));
        }
    }
    int last = -1;
    if (!schedule.png.empty())
        last = *schedule.png.rbegin();
    if (!schedule.video.empty())
        last = std::max(last, *schedule.video.rbegin());
    std::set<int> times(schedule.png);
    for (int64_t k = 0;; ++k) {
        const int t = StepTime(k, options.fps);
        if (t > last)
            break;
        times.insert(t);
    }
    schedule.drawn.assign(times.begin(), times.end());
    if (options.drawOnly)
        schedule.png.clear();   // drawn, never read back
    return schedule;
}
