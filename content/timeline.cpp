// The three timeline tracks. Start and offset count units of 4 centiseconds, speed
// counts 1/256 of real time. Scene 0 is a gap; the TIMELINE_END entry's start is the
// end of the entry before it, and the end of track 1 is the end of the demo.
#include "content/content.h"

namespace {

constexpr TimelineEntry Track1[] = {
    //  scene  flags                   start  offset  speed
    {   5,     0,                          0,   -275,   256 },
    {   4,     0,                        275,      0,   320 },
    {   9,     TIMELINE_SLIDE_RIGHT,     875,      0,   256 },
    {   0,     0,                       1439,      0,   256 },
    {   7,     0,                       1875,      0,   256 },
    {   8,     TIMELINE_SLIDE_DOWN,     2250,      0,   256 },
    {   6,     0,                       2500,      0,   256 },
    {  10,     TIMELINE_SWING_IN,       2900,      0,   256 },
    {   3,     0,                       3300,      0,   256 },
    {   0,     TIMELINE_END,            4328,      0,     0 },   // 173.12 s
};

constexpr TimelineEntry Track2[] = {
    {   0,     0,                        125,      0,   256 },
    {   1,     0,                        750,      0,   256 },
    {   0,     0,                       1200,      0,   256 },
    {  11,     0,                       1325,      0,   256 },
    {   0,     0,                       1939,      0,   256 },
    {  13,     0,                       2484,    -16,   256 },
    {   0,     0,                       2516,      0,   256 },
    {   1,     0,                       3100,    453,   256 },
    {   0,     0,                       3200,      0,   256 },
    {  12,     0,                       3284,    -16,   256 },
    {   0,     0,                       3316,      0,   256 },
    {  14,     0,                       4268,    -16,   128 },
    {   0,     TIMELINE_END,           22500,      0,     0 },
};

constexpr TimelineEntry Track3[] = {
    {   2,     0,                          0,      0,   256 },
    {   0,     TIMELINE_END,             600,      0,     0 },
};

} // namespace

const TimelineEntry* const TimelineTracks[TIMELINE_TRACK_COUNT] = { Track1, Track2, Track3 };
