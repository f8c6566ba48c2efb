// The demo engine: start-up order, the shared tables and EngineTables, the record
// through which every subsystem reaches the resources built at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

struct View;
struct MeshSlot;
struct Vertex;
struct SampleGrid;
struct TextureBankEntry;

// The extent of one font character in its own units, widened by a margin.
struct GlyphBox {
    float left;
    float bottom;
    float right;
    float top;
};

constexpr int SINE_TABLE_SIZE = 8192;        // two periods of 4096 entries
constexpr int SINE_PERIOD = 4096;
constexpr int COSINE_OFFSET = 1024;          // a quarter period
constexpr int FALLOFF_TABLE_SIZE = 512;
constexpr int GLYPH_COUNT = 42;
constexpr int SCRATCH_BLOCK_BYTES = 70656;
constexpr int SCRATCH_CAPTURE_BYTES = 65536; // 128 x 128 RGBA capture buffer
constexpr int SCRATCH_GLYPH_INDEX = 69632;   // where GlyphIndex starts
constexpr int GLYPH_INDEX_SIZE = 256;

// The font's characters; character p of this text is font character p + 1.
constexpr char FontCharacters[] = "-abcdefghijklmnopqrstuvwxyz!/@:.0123456789";
static_assert(sizeof(FontCharacters) - 1 == GLYPH_COUNT);

// Zero at program start, filled by StartEngine and read-only afterwards, except for
// CurrentZoom and ShapeParams, which change during frames.
struct EngineTablesRecord {
    SampleGrid* IsoGrids[5] = {};       // marching-cubes grids of 4, 8, 16, 32, 28 cells
    float ShapeParams[7] = {};          // px, py, pz, ox, oy, oz, scale
    const uint8_t* IsoCaseTable = nullptr;   // 256 cases of 16 bytes
    View* Views = nullptr;              // 15 views, number 0 is the root
    float CurrentZoom = 0.0f;           // zoom of the view whose projection was set last
    const float* CosineTable = nullptr; // SineTable + COSINE_OFFSET
    float* SineTable = nullptr;         // SINE_TABLE_SIZE entries of sin(i * 2pi / 4096)
    float* FalloffTable = nullptr;      // FALLOFF_TABLE_SIZE entries, a falling square
    MeshSlot* MeshCursor = nullptr;     // the slot the next mesh builder call fills
    uint8_t** TexturePixels = nullptr;  // TEXTURE_COUNT pointers to the RGBA images
    int32_t StartTime = 0;              // demo clock at time zero, centiseconds
    GlyphBox* GlyphBoxes = nullptr;     // GLYPH_COUNT boxes, in character order
    GlyphBox* GlyphBoxCursor = nullptr; // the next box the glyph builder writes
    uint8_t* ScratchBlock = nullptr;    // SCRATCH_BLOCK_BYTES, ends with GlyphIndex
    int32_t* GlyphIndex = nullptr;      // character code -> font character, 0 = none
    Vertex* VertexArray = nullptr;
    float* LayerSineTable = nullptr;
    uint8_t* CurveTable = nullptr;
    TextureBankEntry* TextureBank = nullptr;
    uint8_t** LayerStore = nullptr;
    float EndTime = 0.0f;               // centiseconds
    MeshSlot* MeshTable = nullptr;
};

extern EngineTablesRecord EngineTables;

// Builds every resource of the demo in its fixed order, then reads StartTime.
void StartEngine();

// The geometry steps of StartEngine (shared tables, marching-cubes grids, mesh
// table, font work areas, every mesh) with no GL context: no display lists are
// made. For tools, tests and benchmarks.
void BuildGeometryWithoutGl();

// SineTable, CosineTable and FalloffTable.
void BuildSharedTables();
// GlyphBoxes and ScratchBlock, zero-filled, and GlyphIndex inside ScratchBlock.
void BuildFontWorkAreas();

// Zero-filled memory that lives until the process ends; ends the process with exit
// code 1 when none is left.
void* AllocateForever(std::size_t bytes);

// Exit codes of start-up failures.
constexpr int EXIT_NO_MEMORY = 1;
constexpr int EXIT_NO_DISPLAY_LIST = 2;
constexpr int EXIT_NO_TEXTURE_NAME = 3;

struct TimelineEntry;
// 4 x the start of the track's end entry; 0 when the track has no real entry.
float ComputeEndTime(const TimelineEntry* track);

// ---- Views ---------------------------------------------------------------------------
// Rectangles are (x0, y0, x1, y1) normalised to the window, y downwards.
struct ViewRect {
    float x0, y0, x1, y1;
};

// Position, angles in degrees, zoom (1.0: a 90-degree field of view).
struct Camera {
    float x, y, z;
    float yaw, pitch, roll;
    float zoom;
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
// the window. The first call in a window larger than 128 x 128 bakes the font atlas.
bool SetScissorFromRect(float x0, float y0, float x1, float y1);
void SetProjection(View* view, float near, float far, float zoom);

// The arithmetic of the two above, for a window of width x height pixels. box gets
// x, y, width, height in GL window coordinates (y upwards).
bool ComputeScissorBox(const ViewRect& rect, int width, int height, int32_t box[4]);
FrustumBox ComputeFrustum(const View& view, float near, float far, float zoom);

// True once the font bake has been started; it never runs twice.
extern bool FontBakeStarted;

// ---- Scenes and items ------------------------------------------------------------------
struct SceneItem;
// An item callback: the item, the high byte of its flag word, the scene time in
// centiseconds. It may rewrite any field of the item and the GL matrices.
using ItemCallback = void (*)(SceneItem* item, int parameter, float time);

struct SceneItem {
    ItemCallback callback;
    uint16_t mesh;              // MeshTable entry
    uint16_t flags;             // ITEM_* bits, callback parameter in the high byte
    uint8_t colour[4];          // R, G, B, A
    float position[3];
    float rotation[3];          // yaw, pitch, roll in degrees
    float scale[3];
    float fraction;             // place along the definition's run, 0..1
    uint16_t instance;          // number within the definition, from 0
    uint16_t workFlag;          // owned by the callback
    float work[4];              // owned by the callback
};

// One scene's items; the items of one definition are adjacent and in instance order.
struct SceneItemList {
    int32_t count;
    SceneItem* first;
};

// The function behind each callback name of the scene data; null where there is none.
extern const ItemCallback ItemCallbacks[];
// The font atlas bake run by the first large scissor set-up; null where there is none.
using FontBakeFn = void (*)();
extern const FontBakeFn FontAtlasBake;

// SCENE_COUNT lists, scene s at index s - 1; null before BuildSceneItems.
extern SceneItemList* SceneItemLists;

void BuildSceneItems();
// Applies view s and draws the items of scene s at scene time t (centiseconds).
void DrawScene(int s, float t);

// ---- Timeline ----------------------------------------------------------------------
// True while the outgoing scene of a transition is drawn; the mesh-rebuilding
// callbacks leave their shared meshes alone then.
extern bool OutgoingScene;

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

// ---- Envelopes and camera paths ---------------------------------------------------------
struct Envelope;
struct CameraPath;
// The envelope's value (stored value / 256) at time x centiseconds, repeating with the
// period of its last key.
float EvaluateEnvelope(const Envelope& envelope, float x);
// The path's camera at time t centiseconds; before the first key the first key, after
// the last key the last.
Camera EvaluateCameraPath(const CameraPath& path, float t);
// Writes view s's camera from scene s's path; nothing when the scene has none.
void UpdateCamera(int s, float t);
