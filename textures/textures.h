// Procedural textures: the random generator, colour conversion, the curve, layer and
// texture programs, and the texture bank that mesh drawing and the effects bind from.
#pragma once

#include <cstdint>

#include "content/content.h"

// Texture flag bits: the record's 16-bit flag word, kept zero-extended in the bank.
constexpr uint32_t TEX_RGB_DIRECT = 0x001;     // channels are RGB, no HSV; a following
                                               // pass binds TEXTURE_DIRECT_SECOND_PASS
constexpr uint32_t TEX_ALPHA_LAYER = 0x002;    // alpha from a layer through a curve
constexpr uint32_t TEX_ADDITIVE = 0x004;       // blend source alpha, one
constexpr uint32_t TEX_NEAREST = 0x008;        // GL_NEAREST filtering instead of GL_LINEAR
constexpr uint32_t TEX_CLAMP = 0x010;          // GL_CLAMP wrapping instead of GL_REPEAT
constexpr uint32_t TEX_MULTIPASS = 0x020;      // draw again with the next bank entry
constexpr uint32_t TEX_NO_DEPTH_WRITE = 0x040; // depth writes off while drawing
constexpr uint32_t TEX_SPHERE_MAP = 0x080;     // generated s and t coordinates on
constexpr uint32_t TEX_DEPTH_ALWAYS = 0x100;   // depth test GL_ALWAYS instead of GL_LEQUAL
constexpr uint32_t TEX_DARKEN = 0x200;         // blend zero, one minus source alpha
                                               // (unless TEX_ADDITIVE)

// The texture a second pass binds after an entry with TEX_RGB_DIRECT | TEX_MULTIPASS.
constexpr int TEXTURE_DIRECT_SECOND_PASS = 32;

constexpr int CURVE_SIZE = 256;               // bytes per curve
constexpr int LAYER_SINE_TABLE_SIZE = 2048;   // one period
constexpr int LAYER_OPERATION_COUNT = 5;

// One texture of the bank, in texture-program order.
struct TextureBankEntry {
    uint32_t name = 0;    // OpenGL texture name, never 0 after start-up
    uint32_t flags = 0;   // TEX_* bits; texture 29's word is switched by the text effect
};

// The one random generator of the demo. Each draw steps the state to
// 435233605 - state * 1720354423 (mod 2^32) and returns the new state shifted right
// arithmetically by 16, -32768..32767. The layer operations seed it; the particle
// effects continue from the state the last layer left.
extern uint32_t DemoRandomState;
int32_t DemoRandom();

// 8-bit HSV to RGB; h, s, v 0..255; writes red, green, blue to out[0..2].
void HsvToRgb(int h, int s, int v, uint8_t* out);

// Fills the layer of size x size texels at `destination` as `record` says. Source
// layers and curves are read through EngineTables.LayerStore and CurveTable.
using LayerOperation = void (*)(uint8_t* destination, int size, const LayerRecord& record);
// Indexed by LAYER_FRACTAL, LAYER_SINE, LAYER_MULTIPLY, LAYER_REMAP, LAYER_CELLS.
extern const LayerOperation LayerOperations[LAYER_OPERATION_COUNT];

// Start-up, with the GL context current, in this order. BuildTextureLayers allocates
// and fills EngineTables.CurveTable (CURVE_COUNT x CURVE_SIZE bytes, curve n at row
// n - 1), LayerSineTable and LayerStore (LAYER_COUNT pointers, then the texels).
// BuildTextures is BuildTextureImages then UploadTextures.
void BuildTextureLayers();
void BuildTextures();

// The CPU half of BuildTextures: allocates and fills EngineTables.TexturePixels
// (TEXTURE_COUNT pointers, then the packed RGBA images; a 1 x 1 texture's pointer
// points where the next image begins and its texel is its record's channel bytes).
// Needs no GL context.
void BuildTextureImages();
// The GL half: allocates EngineTables.TextureBank, makes one texture per record with
// the wrap and filter its flags ask for, and uploads its image. Exit code 3 when GL
// gives texture name 0.
void UploadTextures();

// Recompute into the stores the builders allocated (for tools and benchmarks): the
// curves, the layer sine table and every layer; then every texture image.
void GenerateTextureLayers();
void GenerateTextureImages();

// Side of texture `texture` in texels, and its RGBA image (the record's four channel
// bytes for a 1 x 1 texture).
int TextureSize(int texture);
const uint8_t* TextureImage(int texture);

// ---- Captures from the back buffer -----------------------------------------------------
// The square of the back buffer that render-to-texture and the font bake draw into.
constexpr int CAPTURE_SIDE = 128;
constexpr int CAPTURE_Y = 48;   // its bottom row, in windows at least 176 rows high

// Reads the 128 x 128 capture square back and cuts it by masks 23 and 28 into four
// complementary parts: textures 32, 8, 9 and 10 (images 7 and 8 are overwritten).
void CapturePostProcess();
// For each of the 128 x 128 RGBA texels, with m the mask layer's byte: a keeps its
// colour times m / 256, b receives it times (255 - m) / 256; both become opaque.
void MaskSplit(uint8_t* a, int maskLayer, uint8_t* b);
