// The demo's data tables. Each table's format is owned by the subsystem that reads
// it; this header only makes the tables reachable.
#pragma once

#include <cstdint>

// One timeline entry: 8 bytes, little-endian, in the order of the fields.
struct TimelineEntry {
    uint8_t scene;   // 1..14; 0 = gap (and terminator)
    uint8_t flags;   // TIMELINE_* bits
    uint16_t start;  // units of 4 centiseconds
    int16_t offset;  // added to the scene time, units of 4 centiseconds
    int16_t speed;   // scene time per real time, 256 = real time
};
static_assert(sizeof(TimelineEntry) == 8);

constexpr uint8_t TIMELINE_END = 0x01;
constexpr uint8_t TIMELINE_SLIDE_RIGHT = 0x02;   // outgoing slides right, incoming from the left
constexpr uint8_t TIMELINE_SLIDE_DOWN = 0x04;    // outgoing slides down, incoming from above
constexpr uint8_t TIMELINE_SWING_IN = 0x08;      // incoming swings down from above and grows
constexpr uint8_t TIMELINE_SLIDE_UP = 0x10;      // outgoing slides up, incoming from below

constexpr int TIMELINE_TRACK_COUNT = 3;
// The first entry of each track; every track ends with a TIMELINE_END entry.
extern const TimelineEntry* const TimelineTracks[TIMELINE_TRACK_COUNT];
