// The demo engine: start-up order, views, scenes and the timeline. It drives the
// subsystems below it (effects, geometry, textures) through EngineTables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/curves.h"
#include "core/engine_tables.h"
#include "effects/effects.h"

struct TimelineEntry;
// Builds every resource of the demo in its fixed order. The caller reads the demo
// clock into StartTime when it returns.
void StartEngine();

// The window's client size in pixels, as the shell last gave it to SetViewport: the
// rectangle the views, the captures and the font bake map onto.
extern int32_t WindowWidth;
extern int32_t WindowHeight;

// 4 x the start of the track's end entry; 0 when the track has no real entry.
float ComputeEndTime(const TimelineEntry* track);

// ---- Views ---------------------------------------------------------------------------
// Rectangles are (x0, y0, x1, y1) normalised to the window, y downwards.
struct ViewRect {
    float x0, y0, x1, y1;
};

constexpr int VIEW_COUNT = 15;        // 0 is the root, s is scene s's view
constexpr int32_t VIEW_VISIBLE = -1;
constexpr int32_t VIEW_HIDDEN = 0;

struct View {
    ViewRect clip;              // absolute, clipped to the clip parent's clip: the scissor box
    ViewRect frame;             // the window rectangle the view's own frustum maps onto
    View* root;                 // the root points to itself
    int32_t visible;            // VIEW_VISIBLE or VIEW_HIDDEN
    ViewRect place;             // relative to the clip parent's absolute; ordered
    ViewRect absolute;          // window rectangle before clipping
    ViewRect framePlace;        // relative to the frame parent's frame; as given
    View* firstView;            // root only: all other views, the list ends at the root
    View* nextView;
    View* queueSlot;
    View* clipParent;
    View* firstClipChild;
    View* nextClipSibling;
    View* frameParent;
    View* firstFrameChild;
    View* nextFrameSibling;
    Camera camera;
    float offsetX, offsetY;     // centre offset from the clip parent's middle, in half sizes
    float distance;             // half size = clip parent's extent / distance; 2.0 at rest
    float near, far;
};

// The frustum SetProjection hands to glFrustum.
struct FrustumBox {
    float left, right, bottom, top, near, far;
};

// Start-up: the root and one view per scene, all at rest.
void BuildViewTree();
// Sets place (ordered) and framePlace, then re-lays out the view and all views below it.
void SetViewRect(View* view, const ViewRect& place, const ViewRect& framePlace);
// Places a view from offsetX, offsetY and distance; sx and sy scale its half size.
void LayoutView(View* view, float sx, float sy);
// Lays out view s and sets its scissor box, projection and camera transform. False
// when nothing of it can be drawn.
bool ApplyView(int s);
// glScissor for a window-normalised rectangle; false when the box is empty or off
// the window.
bool SetScissorFromRect(float x0, float y0, float x1, float y1);
void SetProjection(View* view, float near, float far, float zoom);

// The arithmetic of the two above, for a window of width x height pixels. box gets
// x, y, width, height in GL window coordinates (y upwards).
bool ComputeScissorBox(const ViewRect& rect, int width, int height, int32_t box[4]);
FrustumBox ComputeFrustum(const View& view, float near, float far, float zoom);

// True once the font bake has been started; it never runs twice.
extern bool FontBakeStarted;
// The first call in a window larger than the bake's capture square bakes the font
// atlas through the root view; later calls do nothing. The frame path calls it
// before the first view of every frame is applied.
void BakeFontAtlasOnce();

// ---- Scenes and items ------------------------------------------------------------------
// One scene's items; the items of one definition are adjacent and in instance order.
struct SceneItemList {
    int32_t count;
    SceneItem* first;
};

// The function behind each callback name of the scene data; null where there is none.
extern const ItemCallback ItemCallbacks[];
// The font atlas bake BakeFontAtlasOnce runs; null where there is none.
using FontBakeFn = void (*)(int windowWidth, int windowHeight);
extern const FontBakeFn FontAtlasBake;

// SCENE_COUNT lists, scene s at index s - 1; null before BuildSceneItems.
extern SceneItemList* SceneItemLists;

void BuildSceneItems();
// Applies view s and draws the items of scene s at scene time t (centiseconds).
void DrawScene(int s, float t);

// An item's mesh drawn into a square of the back buffer at window (0, CAPTURE_Y) and
// copied into a texture: 128 x 128 RGBA into texture 13 with ITEM_TEXTURE_LARGE, else
// 16 x 16 luminance into texture 30; ITEM_TEXTURE_SPLIT then runs CapturePostProcess.
// Afterwards the viewport is the whole window again, the scissor test is on, and the
// whole window's colour and depth are cleared.
void RenderItemToTexture(uint16_t flags, int mesh);

// ---- Timeline ----------------------------------------------------------------------
// DrawTrack sets OutgoingScene (effects/effects.h) while it draws a transition's
// outgoing scene.

// Where a track stands at frame time t.
struct TrackPosition {
    const TimelineEntry* current = nullptr;    // null: the track has no real entry
    const TimelineEntry* previous = nullptr;
    float local = 0.0f;          // (t - 4 start) x speed / 256
    float sceneTime = 0.0f;      // local + 4 offset
    bool transition = false;     // the outgoing scene is drawn
    float previousTime = 0.0f;   // the outgoing scene's time
    float curve = 0.0f;          // the transition curve at local, 0..2
};

TrackPosition FindTrackPosition(const TimelineEntry* track, float t);
// Resets the views of the position's scenes and moves them as the transition says.
void LayOutTrackViews(const TrackPosition& position);
// Draws the outgoing scene of a running transition, then the current scene.
void DrawTrack(const TimelineEntry* track, float t);

// ---- Camera paths ------------------------------------------------------------------------
// Writes view s's camera from scene s's path; nothing when the scene has none.
void UpdateCamera(int s, float t);
