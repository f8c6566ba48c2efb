// The timeline: for a frame time, each track's current entry, the scene time it
// shows, and the transition that hands over from the entry before it.
#include "content/content.h"
#include "core/trigonometry.h"
#include "engine/engine.h"

#include <cmath>


namespace {

constexpr float TRANSITION_LENGTH = 255.0f;   // in local time
constexpr float SWING_STEP = 0.0061357422f;   // radians per unit of local time
constexpr float REST_DISTANCE = 2.0f;

bool IsEnd(const TimelineEntry* entry)
{
    return (entry->flags & TIMELINE_END) != 0;
}

float StartOf(const TimelineEntry* entry)
{
    return 4.0f * static_cast<float>(entry->start);
}

// Scene time of an entry at frame time t, without its offset.
float LocalTime(const TimelineEntry* entry, float t)
{
    return (t - StartOf(entry)) * static_cast<float>(entry->speed) * (1.0f / 256.0f);
}

void ResetView(View* view)
{
    view->offsetX = 0.0f;
    view->offsetY = 0.0f;
    view->distance = REST_DISTANCE;
}

bool IsScene(int s)
{
    return s >= 1 && s <= SCENE_COUNT;
}

} // namespace

TrackPosition FindTrackPosition(const TimelineEntry* track, float t)
{
    TrackPosition position;
    if (IsEnd(track))
        return position;
    // The first entry whose span holds t, or else the last one before the end entry;
    // before the first entry's start that is the track's last real entry.
    const TimelineEntry* current = track;
    const TimelineEntry* previous = track;
    if (!IsEnd(track + 1)) {
        for (;;) {
            if (StartOf(current) <= t && t < StartOf(current + 1))
                break;
            previous = current;
            ++current;
            if (IsEnd(current + 1))
                break;
        }
    }
    position.current = current;
    position.previous = previous;
    position.local = LocalTime(current, t);
    position.sceneTime = position.local + 4.0f * static_cast<float>(current->offset);
    position.transition = current->flags != 0 && position.local < TRANSITION_LENGTH;
    if (position.transition) {
        position.previousTime = LocalTime(previous, t) + 4.0f * static_cast<float>(previous->offset);
        position.curve = EvaluateEnvelope(TransitionEnvelope, position.local);
    }
    return position;
}

void LayOutTrackViews(const TrackPosition& position)
{
    if (!position.current || position.current->scene >= VIEW_COUNT ||
        position.previous->scene >= VIEW_COUNT)
        return;
    View* views = EngineTables.Views;
    View* incoming = &views[position.current->scene];
    ResetView(incoming);
    if (!position.transition)
        return;
    View* outgoing = &views[position.previous->scene];
    ResetView(outgoing);
    const float a = position.curve;
    const uint8_t flags = position.current->flags;
    if (flags & TIMELINE_SLIDE_RIGHT) {
        incoming->offsetX = a - 2.0f;
        outgoing->offsetX = a;
    }
    if (flags & TIMELINE_SLIDE_DOWN) {
        incoming->offsetY = a - 2.0f;
        outgoing->offsetY = a;
    }
    if (flags & TIMELINE_SLIDE_UP) {
        incoming->offsetY = 2.0f - a;
        outgoing->offsetY = -a;
    }
    if (flags & TIMELINE_SWING_IN) {
        // From a fifth of the window, 0.3 window heights above it, down to rest.
        const float phi = position.local * SWING_STEP;
        incoming->distance = 8.0f * PortableCos(phi) + 2.0f;
        incoming->offsetY = 8.0f * PortableSin(phi) - 8.0f;
    }
}

void DrawTrack(const TimelineEntry* track, float t)
{
    const TrackPosition position = FindTrackPosition(track, t);
    if (!position.current)
        return;
    LayOutTrackViews(position);
    const TimelineEntry* outgoing = position.previous;
    // A transition needs a real scene to hand over from; one that follows a gap or
    // opens the track only moves the incoming view.
    if (position.transition && outgoing != position.current && IsScene(outgoing->scene)) {
        UpdateCamera(outgoing->scene, position.previousTime);
        OutgoingScene = true;
        DrawScene(outgoing->scene, position.previousTime);
        OutgoingScene = false;
    }
    const int scene = position.current->scene;
    if (!IsScene(scene))
        return;
    UpdateCamera(scene, position.sceneTime);
    DrawScene(scene, position.sceneTime);
}
