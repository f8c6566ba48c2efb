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

// The texture program: curves, then layers, then textures (formats owned by
// textures/). Records are byte-exact, little-endian, with no gaps.

// Curve kinds.
constexpr uint8_t CURVE_RAMP = 0;        // y0 before x0, linear to y1 at x1, y1 after
constexpr uint8_t CURVE_SINE = 1;        // b + a * sin(f * i * 0.0245529)
constexpr uint8_t CURVE_RAMP_TIMES_4 = 2; // a ramp with y0 and y1 times four, wrapping mod 256

// One lookup curve of 256 bytes. Ramps: arg1 = x0, arg2 = y0, arg3 = x1, arg4 = y1.
// Sine: arg1 = frequency f, arg2 = amplitude a, arg3 = offset b, arg4 unused (0).
struct CurveRecord {
    uint8_t kind;
    uint8_t arg1;
    uint8_t arg2;
    uint8_t arg3;
    uint8_t arg4;
};
static_assert(sizeof(CurveRecord) == 5);

// Layer operation codes, indices into the layer operation table.
constexpr uint8_t LAYER_FRACTAL = 0;   // arg1 random seed, arg2 starting roughness level
constexpr uint8_t LAYER_SINE = 1;      // arguments unused
constexpr uint8_t LAYER_MULTIPLY = 2;  // arg1, arg2: the two source layers
constexpr uint8_t LAYER_REMAP = 3;     // arg1 source layer, arg2 curve 1..28
constexpr uint8_t LAYER_CELLS = 4;     // arg1: 0x80 shade mode, low 7 bits seed; arg2 log2 cell size

// One greyscale layer of (1 << sizeLog2) texels a side.
struct LayerRecord {
    uint8_t sizeLog2;
    uint8_t operation;   // LAYER_*
    uint8_t arg1;
    uint8_t arg2;
};
static_assert(sizeof(LayerRecord) == 4);

// One RGBA texture of (1 << sizeLog2) texels a side. channels[0..2] name the layers
// of hue, saturation and value (red, green, blue with TEX_RGB_DIRECT); channels[3]
// is the alpha layer with TEX_ALPHA_LAYER, else the constant alpha. A 1 x 1 texture
// takes channels[0..3] as its red, green, blue and alpha bytes. curves[i] passes
// channel i through curve 1..28; 0 means none (curves[3] is read only with
// TEX_ALPHA_LAYER). flags are the TEX_* bits of textures/textures.h.
struct TextureRecord {
    uint8_t sizeLog2;
    uint8_t channels[4];
    uint8_t curves[4];
    uint8_t reserved;
    uint16_t flags;
};
static_assert(sizeof(TextureRecord) == 12);

constexpr int CURVE_COUNT = 28;
constexpr int LAYER_COUNT = 29;
constexpr int TEXTURE_COUNT = 33;
extern const CurveRecord CurveProgram[CURVE_COUNT];
extern const LayerRecord LayerProgram[LAYER_COUNT];
extern const TextureRecord TextureProgram[TEXTURE_COUNT];

// ---- Mesh definitions -------------------------------------------------------------
// Every definition starts with this header; the geometry code reads it after the
// definition's builder has run.
struct MeshHeader {
    uint8_t material;   // 0: none; n >= 1: TextureBank entry n - 1
    uint8_t flags;      // MESH_* bits
};
constexpr uint8_t MESH_NO_COLOUR_ARRAY = 0x01;   // the list takes the item's colour

// A flat grid of columns x rows vertices in the plane z = 0.
struct GridDefinition {
    MeshHeader header;
    uint8_t columns;    // >= 2
    uint8_t rows;       // >= 2
    uint8_t sOffset;    // texture offsets, units of 1/255
    uint8_t tOffset;
    uint8_t width;      // units of 1/128
    uint8_t height;
};
static_assert(sizeof(GridDefinition) == 8);

// A closed surface of a shape function, polygonised on the 16-cell grid.
struct ImplicitDefinition {
    MeshHeader header;
    uint16_t shape;            // ShapeTable entry
    uint16_t budgetExponent;   // 2^b vertices, 3 * 2^b indices
    uint16_t threshold;        // units of 1/255
    float px, py, pz;
    float scale;               // negative: seen from inside
};
static_assert(sizeof(ImplicitDefinition) == 24);

// One layer of the triangle picture. points: a count N, then N (X, Y) byte pairs;
// triangles: a count T, then 3T point numbers.
struct PictureDefinition {
    MeshHeader header;
    uint8_t unused[2];
    const uint8_t* points;
    const uint8_t* triangles;
};

constexpr int GRID_DEFINITION_COUNT = 18;
constexpr int IMPLICIT_DEFINITION_COUNT = 9;
constexpr int PICTURE_DEFINITION_COUNT = 4;
extern const GridDefinition GridDefinitions[GRID_DEFINITION_COUNT];
extern const ImplicitDefinition ImplicitDefinitions[IMPLICIT_DEFINITION_COUNT];
extern const PictureDefinition PictureDefinitions[PICTURE_DEFINITION_COUNT];
extern const MeshHeader GlyphSolidHeader;
extern const MeshHeader GlyphQuadHeader;

// The picture: one shared point set and one triangle list per layer.
extern const uint8_t PicturePoints[];
extern const uint8_t PictureLayer1[];
extern const uint8_t PictureLayer2[];
extern const uint8_t PictureLayer3[];
extern const uint8_t PictureLayer4[];

// The font: 42 glyph records in the order of FontCharacters. A record: vertex count
// V, triangle count T, V (X, Y) pairs in units of 1/255, 3T vertex numbers.
extern const int8_t GlyphStream[];
extern const int GlyphStreamBytes;

// ---- Scenes ------------------------------------------------------------------------
// The item callbacks the scene data names. The engine maps each to its function; a
// name whose function is not there yet leaves its items without a callback.
enum ItemCallbackId : uint32_t {
    CALLBACK_NONE,
    CALLBACK_ANIMATE_PICTURE,
    CALLBACK_TEXT_ITEM,
    CALLBACK_ANIMATE_SURFACE,
    CALLBACK_TUNNEL,
    CALLBACK_FIXED_LAYER,
    CALLBACK_ANIMATE_SHADED_SURFACE,
    CALLBACK_SPIRAL_DISC,
    CALLBACK_PARTICLE_ITEM,
    CALLBACK_SHATTER,
    CALLBACK_FAN,
    CALLBACK_ANIMATE_TRAIL,
    CALLBACK_ROPE,
    CALLBACK_WARP_LAYER,
    CALLBACK_FLOWER_GRID,
    CALLBACK_SPIRAL_ARM,
    CALLBACK_FLASH_LAYER,
    CALLBACK_FLASH_LAYER_B,
    CALLBACK_COUNT,
};

// Drawing flags: the low byte of an item's flag word. The high byte is the
// parameter handed to the item's callback.
constexpr uint16_t ITEM_BILLBOARD = 0x01;          // add the camera's yaw and pitch
constexpr uint16_t ITEM_DISPLAY_LIST = 0x02;       // draw the mesh's display list
constexpr uint16_t ITEM_DRAW_MESH = 0x04;          // draw the mesh directly (without 0x02)
constexpr uint16_t ITEM_OWN_COLOUR = 0x08;         // colour array off: the item's colour applies
constexpr uint16_t ITEM_RENDER_TO_TEXTURE = 0x10;  // draw the mesh into a texture first
constexpr uint16_t ITEM_TEXTURE_LARGE = 0x20;      // 128 x 128 RGBA into texture 13, else
                                                   // 16 x 16 luminance into texture 30
constexpr uint16_t ITEM_TEXTURE_SPLIT = 0x40;      // then cut the capture into four textures

// One run of `count` instances of one item; a definition with count 0 ends a list.
struct ItemDefinition {
    uint8_t count;
    uint8_t mesh;              // MeshTable entry
    uint16_t flags;            // ITEM_* bits, callback parameter in the high byte
    ItemCallbackId callback;
};
static_assert(sizeof(ItemDefinition) == 8);

// Key-frame curves. Times count units of 4 centiseconds, values units of 1/256.
struct EnvelopeKey {
    int16_t time;    // ascending; may be negative
    int16_t value;
};
// One curve that repeats with the period of its last key's time (0: no repetition).
struct Envelope {
    int16_t keyCount;   // >= 1
    const EnvelopeKey* keys;
};

// One key of a scene camera: position, angles (256 is a half turn) and zoom (256 is 1.0).
struct CameraKey {
    int16_t time;
    int16_t x, y, z;
    int16_t yaw, pitch, roll;
    int16_t zoom;
};
static_assert(sizeof(CameraKey) == 16);
struct CameraPath {
    const CameraKey* keys;
    uint8_t keyCount;   // >= 1
};

struct SceneDefinition {
    const CameraPath* cameraPath;   // null leaves the camera as it is
    const ItemDefinition* items;    // ended by a count of 0
    uint8_t clipParent;             // view numbers, 0 is the root
    uint8_t frameParent;
};

constexpr int SCENE_COUNT = 14;
// Scenes 1..14 at index 0..13; scene 0 is the timeline's gap and has no definition.
extern const SceneDefinition SceneDefinitions[SCENE_COUNT];

// The demo's envelopes, named after their users.
extern const Envelope TransitionEnvelope;    // the timeline's transitions, 0 to 2.0
extern const Envelope GlowEnvelope;          // the glow pass of the text
extern const Envelope PictureEnvelope;       // the picture's coarseness
extern const Envelope ShatterEnvelope;
extern const Envelope FlashLayerEnvelope;
extern const Envelope FlashLayerBEnvelope;
extern const Envelope WarpFadeEnvelope;
extern const Envelope WarpFlashEnvelope;
extern const Envelope SpiralArmEnvelope;
extern const Envelope RopeEnvelope;

// ---- Texts ------------------------------------------------------------------------
// One on-screen text: when it runs, how its characters fly, where it stands, and the
// text itself (characters outside FontCharacters advance the pen without a glyph).
struct TextEntry {
    uint16_t start;       // units of 4 centiseconds of scene time
    uint8_t width;        // pen x beyond which the next character starts a new line
    uint8_t spread;       // seconds over which the characters' start delays are spread
    uint8_t transition;   // centiseconds one character takes to fly in, and to fly out
    uint8_t hold;         // seconds from a character's start until it flies out
    int8_t dx;            // offsets added to every glyph, units of -1/16
    uint8_t dy;
    int8_t dz;
    uint8_t style;        // TEXT_GLOW | motion mode 0..3
    uint8_t reserved[2];
    const char* text;     // zero-terminated
};
static_assert(sizeof(void*) != 4 || sizeof(TextEntry) == 16, "16 bytes on the 32-bit target");
constexpr uint8_t TEXT_GLOW = 0x80;
constexpr int TEXT_ENTRY_COUNT = 12;
// Scanned in this order every frame; several texts may run at once.
extern const TextEntry TextEntries[TEXT_ENTRY_COUNT];
