// The texture program: 28 lookup curves, 29 greyscale layers built from them, and 33
// RGBA textures mixed from the layers. textures/ defines what each field means.
#include "content/content.h"

// Curve n (1-based) is row n - 1. Ramps: arg1 = x0, arg2 = y0, arg3 = x1, arg4 = y1;
// sine: arg1 = frequency, arg2 = amplitude, arg3 = offset.
const CurveRecord CurveProgram[CURVE_COUNT] = {
    //  kind                 arg1  arg2  arg3  arg4
    { CURVE_RAMP,            96,   48,  140,  200 },   // 1
    { CURVE_RAMP,            32,    0,  255,   96 },   // 2
    { CURVE_RAMP,           126,   64,  130,  250 },   // 3
    { CURVE_RAMP_TIMES_4,     0,    0,  255,  255 },   // 4: 4 * i mod 256, a hue saw-tooth
    { CURVE_SINE,            16,  126,  128,    0 },   // 5
    { CURVE_RAMP,            80,    0,  178,  255 },   // 6
    { CURVE_RAMP_TIMES_4,     0,   45,  255,   84 },   // 7
    { CURVE_RAMP_TIMES_4,     0,   64,  255,  128 },   // 8
    { CURVE_RAMP_TIMES_4,     0,   32,  255,   48 },   // 9
    { CURVE_RAMP_TIMES_4,     0,   48,  255,   64 },   // 10
    { CURVE_RAMP,             0,  255,  255,    0 },   // 11: 255 - v
    { CURVE_RAMP,             0,    0,  192,  255 },   // 12
    { CURVE_RAMP,             0,  192,  255,  255 },   // 13
    { CURVE_RAMP,            20,   48,   80,  255 },   // 14
    { CURVE_RAMP,             0,  255,   90,    0 },   // 15
    { CURVE_RAMP,           122,  255,  126,    0 },   // 16: a steep step down at 124
    { CURVE_RAMP,             0,    0,  255,  192 },   // 17
    { CURVE_RAMP_TIMES_4,     0,    0,  255,   10 },   // 18
    { CURVE_RAMP,            18,    0,  180,  255 },   // 19
    { CURVE_RAMP_TIMES_4,     0,   48,  255,   79 },   // 20
    { CURVE_RAMP_TIMES_4,     0,   90,  255,  118 },   // 21
    { CURVE_RAMP,            32,    0,  191,  245 },   // 22
    { CURVE_RAMP,            32,    0,  240,  255 },   // 23
    { CURVE_SINE,            16,   16,   64,    0 },   // 24
    { CURVE_SINE,             6,  120,  128,    0 },   // 25
    { CURVE_RAMP,            32,   16,  196,  255 },   // 26
    { CURVE_RAMP_TIMES_4,     0,   56,  255,   68 },   // 27
    { CURVE_RAMP_TIMES_4,     0,    0,  255,  255 },   // 28
};

// Layers are numbered from 0; each may read the layers before it.
const LayerRecord LayerProgram[LAYER_COUNT] = {
    //  log2  operation        arg1  arg2
    {  7,    LAYER_FRACTAL,      0,    1 },   // 0
    {  7,    LAYER_FRACTAL,      8,    1 },   // 1
    {  7,    LAYER_FRACTAL,      5,    1 },   // 2
    {  7,    LAYER_FRACTAL,      6,    1 },   // 3
    {  7,    LAYER_FRACTAL,      8,    1 },   // 4: the same record as layer 1
    {  7,    LAYER_FRACTAL,      9,    1 },   // 5
    {  7,    LAYER_SINE,         0,    0 },   // 6: one smooth bump
    {  7,    LAYER_REMAP,        6,   12 },   // 7
    {  7,    LAYER_REMAP,        0,    6 },   // 8: mask
    {  7,    LAYER_REMAP,        1,    6 },   // 9: mask
    {  7,    LAYER_REMAP,        8,   11 },   // 10: inverse of 8
    {  7,    LAYER_REMAP,        9,   11 },   // 11: inverse of 9
    {  7,    LAYER_MULTIPLY,     8,    9 },   // 12: mask x mask
    {  7,    LAYER_MULTIPLY,     8,   11 },   // 13: mask x inverse
    {  7,    LAYER_MULTIPLY,    10,    9 },   // 14: inverse x mask
    {  7,    LAYER_MULTIPLY,    10,   11 },   // 15: inverse x inverse
    {  7,    LAYER_MULTIPLY,    12,    7 },   // 16: 12 to 15 times the bump
    {  7,    LAYER_MULTIPLY,    13,    7 },   // 17
    {  7,    LAYER_MULTIPLY,    14,    7 },   // 18
    {  7,    LAYER_MULTIPLY,    15,    7 },   // 19
    {  7,    LAYER_FRACTAL,      6,    4 },   // 20
    {  7,    LAYER_MULTIPLY,     7,    1 },   // 21
    {  7,    LAYER_MULTIPLY,    21,   20 },   // 22
    {  7,    LAYER_CELLS,      145,    4 },   // 23: flat shade per cell
    {  7,    LAYER_FRACTAL,     87,    4 },   // 24
    {  7,    LAYER_CELLS,       17,    4 },   // 25: distance to the nearest point
    {  8,    LAYER_FRACTAL,     87,    4 },   // 26: 256 x 256, for the font atlas
    {  7,    LAYER_MULTIPLY,    25,   21 },   // 27
    {  7,    LAYER_CELLS,      167,    4 },   // 28: leaves the DemoRandom state
};

// Textures are numbered from 0, in TextureBank order. Flags are TEX_* bits.
const TextureRecord TextureProgram[TEXTURE_COUNT] = {
    //  log2  channels               curves              flags
    {  7,   {  17,  18,  16,  18 }, {  0,  0,  0,  6 }, 0, 0x343 },   // 0
    {  7,   {   5,   2,   0,   0 }, {  4,  0,  6,  6 }, 0, 0x046 },   // 1
    {  7,   {   4,   2,   1,   1 }, {  4,  0,  6,  6 }, 0, 0x046 },   // 2
    {  7,   {   2,   2,   2,   2 }, { 10,  0,  6,  6 }, 0, 0x046 },   // 3
    {  7,   {   3,   2,   3,   3 }, {  7,  0,  6,  6 }, 0, 0x046 },   // 4
    {  7,   {   0,   2,   4,   4 }, {  8,  0,  6,  6 }, 0, 0x046 },   // 5
    {  7,   {   1,   2,   5,   5 }, {  9,  0,  6,  6 }, 0, 0x046 },   // 6
    {  7,   {   6,   0,  16,  16 }, {  0,  0, 13,  0 }, 0, 0x046 },   // 7: capture scratch
    {  7,   {   6,   0,  17,  17 }, {  0,  0, 13,  0 }, 0, 0x046 },   // 8: capture scratch and part
    {  7,   {   6,   0,  18,  18 }, {  0,  0, 13,  0 }, 0, 0x046 },   // 9: capture part
    {  7,   {   6,   0,  19,  19 }, {  0,  0, 13,  0 }, 0, 0x046 },   // 10: capture part
    {  7,   {   1,  20,  22, 255 }, { 20,  6,  0,  0 }, 0, 0x080 },   // 11
    {  7,   {  17,  18,  12, 208 }, {  0,  0, 17,  0 }, 0, 0x020 },   // 12
    {  7,   {  23,  20,  27,  27 }, {  9, 12, 26, 13 }, 0, 0x0C6 },   // 13: large capture target
    {  7,   {  23,   0,  25, 255 }, { 10,  0, 23,  0 }, 0, 0x000 },   // 14
    {  7,   {  20,   0,  20,  20 }, { 28,  0,  5, 16 }, 0, 0x142 },   // 15
    {  7,   {  24,   0,  24, 255 }, {  4,  0,  5,  0 }, 0, 0x140 },   // 16
    {  7,   {  17,  18,  23, 255 }, {  0,  0,  0,  0 }, 0, 0x000 },   // 17
    {  7,   {  23,   1,  20, 255 }, {  9,  0, 24,  0 }, 0, 0x020 },   // 18
    {  7,   {  20,  20,  21, 128 }, {  7, 12, 19,  0 }, 0, 0x0C0 },   // 19
    {  7,   {   1,  22,  21, 255 }, { 21,  0, 19,  0 }, 0, 0x080 },   // 20: glyph face
    {  7,   {  23,  20,  27,  27 }, { 27,  6, 26, 26 }, 0, 0x1C6 },   // 21
    {  7,   {   1,   3,   2, 255 }, {  9,  6,  0,  0 }, 0, 0x140 },   // 22
    {  7,   {   1,  20,   2, 255 }, {  9,  0, 24,  0 }, 0, 0x140 },   // 23
    {  7,   {   1,   3,   2, 255 }, { 18,  0, 19,  0 }, 0, 0x140 },   // 24
    {  7,   {   1,   3,   2, 255 }, { 18,  0, 14,  0 }, 0, 0x140 },   // 25
    {  0,   {   0,   0,   0, 255 }, {  0,  0,  0,  0 }, 0, 0x100 },   // 26: black texel
    {  0,   { 255, 255, 255, 255 }, {  0,  0,  0,  0 }, 0, 0x100 },   // 27: white texel
    {  0,   { 128, 128, 128, 255 }, {  0,  0,  0,  0 }, 0, 0x000 },   // 28: grey texel
    {  8,   {  26,  26,  26, 128 }, {  0,  0,  0,  0 }, 0, 0x150 },   // 29: font atlas
    {  4,   {   1,   3,   2, 255 }, {  0,  0,  0,  0 }, 0, 0x155 },   // 30: small capture target
    {  7,   {  23,  20,  27,  27 }, {  9, 12, 26, 13 }, 0, 0x1C6 },   // 31
    {  7,   {   6,   0,  16,  16 }, {  0,  0, 13,  0 }, 0, 0x046 },   // 32: second direct pass
};
