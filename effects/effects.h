// Item effects: the scene items, the callbacks that the scene data names, and the
// meshes they rebuild every frame. Every callback follows the contract of
// ItemCallback: item, the high byte of its flag word, scene time in centiseconds.
#pragma once

#include <cstdint>

struct SampleGrid;

// ---- Scene items ------------------------------------------------------------------------
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

// True while the engine draws the outgoing scene of a transition; the mesh-rebuilding
// callbacks leave their shared meshes alone then.
extern bool OutgoingScene;

// ---- Animated meshes -------------------------------------------------------------------
// Surfaces re-extracted every frame into the item's mesh (20 or 21, whose vertex budget
// the implicit builder reserved); the items must draw them with DrawMesh. The three
// rebuilding callbacks leave mesh, material and trail grid alone while OutgoingScene
// is set. A parameter beyond the callback's records does nothing.
void AnimateSurface(SceneItem* item, int parameter, float time);
void AnimateShadedSurface(SceneItem* item, int parameter, float time);
void AnimateTrail(SceneItem* item, int parameter, float time);
// Re-places the four picture layers (meshes 27..30) with the coarseness of its envelope
// and draws them in the view's camera space, stretched by 1.4 in y.
void AnimatePicture(SceneItem* item, int parameter, float time);

constexpr int ANIMATED_SURFACE_RECORD_COUNT = 5;
constexpr int TRAIL_RECORD_COUNT = 2;

// Multiplies the value of every sampled point of the grid by factor.
void ScaleGridValues(SampleGrid* grid, float factor);
// Stores px, py, pz in ShapeParams, then adds shape(x, y, z) to every sampled point.
void AddShapeToGrid(SampleGrid* grid, float (*shape)(float, float, float), float px, float py, float pz);
// Trail step functions: stamp one moving shape into the trail grid at scene time t.
void TwinBlobsStep(float t);
void TumblingRingStep(float t);

// ---- Item animation callbacks ----------------------------------------------------------
void FanCallback(SceneItem* item, int parameter, float time);
void SpiralDiscCallback(SceneItem* item, int parameter, float time);
void FlashLayerCallback(SceneItem* item, int parameter, float time);
void FlashLayerBCallback(SceneItem* item, int parameter, float time);
void FixedLayerCallback(SceneItem* item, int parameter, float time);
void WarpLayerCallback(SceneItem* item, int parameter, float time);
// Each middle item of a rope reads its neighbours: a group lies in item order.
void RopeCallback(SceneItem* item, int parameter, float time);

// Rewrites the texture coordinates of every vertex of the mesh from its x and y:
// a twist that varies with the radius and a ripple along the radius.
void WarpTexCoords(int mesh, float s0, float t0, float phase, float twistFreq, float twist,
                   float ripplePhase, float rippleFreq, float ripple);

// The layer in front of the camera that the screen-fixed callbacks draw in: replaces
// the model-view matrix, independent of the camera; the view's projection applies.
void PlaceOnScreen();

// ---- Self-drawing item effects ---------------------------------------------------------
void ShatterCallback(SceneItem* item, int parameter, float time);
void TunnelCallback(SceneItem* item, int parameter, float time);
void FlowerGridCallback(SceneItem* item, int parameter, float time);
void SpiralArmCallback(SceneItem* item, int parameter, float time);

// One of the tunnel's four layers at scene time t.
struct TunnelLayer {
    float alpha;          // 0..0.4
    float textureScale;   // scale of the texture matrix
    int textureEntry;     // TextureBank entry
};
TunnelLayer ComputeTunnelLayer(float t, int layer);

// One cell of the flower grid at row i and column j (grid units).
struct FlowerCell {
    int alpha;     // <= 0: the cell is not drawn
    float scale;   // per-ring scale
};
FlowerCell ComputeFlowerCell(float i, float j);

// ---- Font atlas and text ---------------------------------------------------------------
constexpr int ATLAS_TEXTURE = 29;          // TextureBank entry of the font atlas
constexpr uint32_t ATLAS_FLAGS = 0x150;    // no depth writes, depth always, clamped
constexpr int ATLAS_CELL_SIDE = 32;

// Bakes the 42 glyphs into texture 29 through the capture square (CAPTURE_SIDE at
// CAPTURE_Y, lower in windows less than 176 rows high) of a window of the given size,
// larger than the square. The engine calls it once, on the first frame, with the root
// view applied. Needs the GL context, the texture bank, the glyph meshes and
// GlyphBoxes. Leaves the viewport on the whole window.
void BakeFontAtlas(int windowWidth, int windowHeight);
// One 128 x 128 RGBA capture (bottom row first) to a 32 x 32 RGBA cell: each texel
// averages the glyph pixels of its 4 x 4 block, alpha (255 k) >> 4 for k of them.
// A pixel is background exactly when its red is 0 and its green 255.
void ReduceGlyphCapture(const uint8_t* capture, uint8_t* cell);

// What the motion functions work on, for one glyph of one frame.
struct GlyphState {
    float x, y, z;
    float scaleX, scaleY;
    float angle;                   // degrees about z
    float red, green, blue, alpha; // may leave 0..1; GL clamps
    float parameter;               // half the text's line width
};
static_assert(sizeof(GlyphState) == 11 * sizeof(float));

// Input: the character time in centiseconds, or the transition u (0 at rest, 1 out
// of sight).
using MotionFunction = void (*)(GlyphState* state, float input);
void MotionPulse(GlyphState* state, float tau);
void MotionWobble(GlyphState* state, float tau);
void MotionSpinIn(GlyphState* state, float u);
void MotionStretch(GlyphState* state, float u);
void MotionFade(GlyphState* state, float u);
// Mode m applies entry 2m + 1 with u, then entry 2m with the character time.
constexpr int MOTION_MODE_COUNT = 4;
extern const MotionFunction MotionTable[2 * MOTION_MODE_COUNT];

// Walks a text's characters of the font: pen position and start delay of each.
struct TextLayout {
    const uint8_t* next = nullptr;
    float width = 0.0f;
    float penX = 0.0f;
    float penY = 0.0f;
    float delay = 0.0f;            // centiseconds
    float step = 0.0f;             // delay between two characters of the font
};
struct PlacedGlyph {
    int glyph;                     // 0..41, FontCharacters order
    float x, y;
    float delay;
};
void BeginTextLayout(TextLayout* layout, const char* text, float width, float spread,
                     float transition);
// False at the end of the text.
bool NextTextGlyph(TextLayout* layout, PlacedGlyph* glyph);
// u for character time tau: 1 down to 0 over the first transition centiseconds, 0
// until hold, then up to 1 over the next transition centiseconds; limited to 0..1.
float ComputeTransition(float tau, float transition, float hold);
// The glyph's state at text time t after motion mode `mode` (0..3).
GlyphState AnimateGlyph(const PlacedGlyph& glyph, float width, float t, float transition,
                        float hold, int mode);

// Lays out and draws one text at its local time t (centiseconds); spread and hold in
// centiseconds, dx, dy, dz already scaled. Style: TEXT_GLOW | motion mode.
void DrawAnimatedText(const char* text, float width, float t, float spread, float transition,
                      float hold, float dx, float dy, float dz, uint8_t style);
// Draws every text of TextEntries that is running at scene time `time`.
void TextItemCallback(SceneItem* item, int parameter, float time);

// ---- Particles --------------------------------------------------------------------------
constexpr int PARTICLE_CIRCLING = 0x01;    // the attractor circles the origin in x-z
constexpr int PARTICLE_HALF_SIZE = 0x02;   // scale x and y 0.5, every frame
constexpr float PARTICLE_SPIN_STEP = 1.57075f;

// Turns the disc of each newly seeded particle; grows by PARTICLE_SPIN_STEP per seeding.
extern float ParticleSpinAngle;

// Places the particle on its tilted disc with a swirling velocity (two DemoRandom draws).
void SeedParticle(SceneItem* item);
// Seeds on the first call, then one step toward the attractor per call; colour by
// distance.
void ParticleItemCallback(SceneItem* item, int parameter, float time);
