// The CPU half of the texture generator: the random generator, HSV conversion, the
// curve program, the layer sine table, the layer program and the texture images.
// Nothing here touches OpenGL, so tools and tests run it without a window.
#include "textures/textures.h"

#include "core/engine_tables.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <numbers>

uint32_t DemoRandomState = 0;

int32_t DemoRandom()
{
    DemoRandomState = 435233605u - DemoRandomState * 1720354423u;
    return static_cast<int32_t>(DemoRandomState) >> 16;
}

namespace {

enum HsvPart { HSV_V, HSV_P, HSV_Q, HSV_T };
// Which of v, p, q, t become red, green and blue in each of the six hue sectors.
constexpr uint8_t HsvSectorParts[6][3] = {
    {HSV_V, HSV_T, HSV_P}, {HSV_Q, HSV_V, HSV_P}, {HSV_P, HSV_V, HSV_T},
    {HSV_P, HSV_Q, HSV_V}, {HSV_T, HSV_P, HSV_V}, {HSV_V, HSV_P, HSV_Q},
};

// Without branches, since hue over a noise layer jumps between sectors at random.
// With s = 0, p, q and t all equal v, so grey needs no case of its own.
inline void ConvertHsv(int h, int s, int v, uint8_t* out)
{
    const int t6 = h * 6;          // 0..1530
    const int sector = t6 >> 8;    // 0..5
    const int f = t6 & 255;
    int parts[4];
    parts[HSV_V] = v;
    parts[HSV_P] = v * (255 - s) / 255;
    parts[HSV_Q] = v * (65025 - f * s) / 65025;
    parts[HSV_T] = v * (65025 - (255 - f) * s) / 65025;
    const uint8_t* pick = HsvSectorParts[sector];
    out[0] = static_cast<uint8_t>(parts[pick[0]]);
    out[1] = static_cast<uint8_t>(parts[pick[1]]);
    out[2] = static_cast<uint8_t>(parts[pick[2]]);
}

} // namespace

void HsvToRgb(int h, int s, int v, uint8_t* out)
{
    assert(h >= 0 && h <= 255 && s >= 0 && s <= 255 && v >= 0 && v <= 255 && "HsvToRgb takes bytes");
    ConvertHsv(h, s, v, out);
}

namespace {

// The sine curve's phase step per input unit: a single-precision constant a little
// over 2pi / 256 (0.0245437), so f periods overshoot slightly over the 256 inputs.
constexpr float CURVE_SINE_STEP = 0.0245529f;

// Each output is the low 8 bits of the computed integer. Ramps divide in signed
// integer arithmetic truncating toward zero, so descending ramps fall from y0 to y1.
void BuildCurve(const CurveRecord& record, uint8_t* curve)
{
    const int scale = record.kind == CURVE_RAMP_TIMES_4 ? 4 : 1;
    int value = 0;   // an unknown kind repeats the previous output
    for (int i = 0; i < CURVE_SIZE; ++i) {
        if (record.kind == CURVE_RAMP || record.kind == CURVE_RAMP_TIMES_4) {
            const int x0 = record.arg1, x1 = record.arg3;
            const int y0 = record.arg2 * scale, y1 = record.arg4 * scale;
            if (i < x0)
                value = y0;
            else if (i < x1)
                value = y0 + (y1 - y0) * (i - x0) / (x1 - x0);
            else
                value = y1;
        } else if (record.kind == CURVE_SINE) {
            const double phase = static_cast<double>(record.arg1) * i * static_cast<double>(CURVE_SINE_STEP);
            value = static_cast<int>(record.arg2 * std::sin(phase)) + record.arg3;
        }
        curve[i] = static_cast<uint8_t>(value);
    }
}

// sin(i * 2pi / 2048) with the angle accumulated in single precision, one step at a
// time; the rounding of that sum is part of the layers' exact values.
void FillLayerSineTable(float* table)
{
    // Every build does single-precision arithmetic in single precision (SSE2 on
    // 32-bit x86 too), so the running sum is rounded at each step.
    const float step = static_cast<float>(2.0 * std::numbers::pi * (1.0 / 2048.0));
    float angle = 0.0f;
    for (int i = 0; i < LAYER_SINE_TABLE_SIZE; ++i) {
        table[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
        angle += step;
    }
}

int LayerSize(int layer) { return 1 << LayerProgram[layer].sizeLog2; }

} // namespace

void GenerateTextureLayers()
{
    assert(EngineTables.CurveTable && EngineTables.LayerSineTable && EngineTables.LayerStore &&
           "BuildTextureLayers must run before the layers are regenerated");
    for (int n = 0; n < CURVE_COUNT; ++n)
        BuildCurve(CurveProgram[n], EngineTables.CurveTable + n * CURVE_SIZE);
    FillLayerSineTable(EngineTables.LayerSineTable);

    uint8_t** layers = EngineTables.LayerStore;
    for (int i = 0; i < LAYER_COUNT; ++i) {
        const int size = LayerSize(i);
        std::memset(layers[i], 0, static_cast<std::size_t>(size) * size);
    }
    for (int i = 0; i < LAYER_COUNT; ++i) {
        const LayerRecord& record = LayerProgram[i];
        assert(record.operation < LAYER_OPERATION_COUNT && "layer operation code out of range");
        LayerOperations[record.operation](layers[i], LayerSize(i), record);
    }
}

void BuildTextureLayers()
{
    EngineTables.CurveTable = static_cast<uint8_t*>(AllocateForever(CURVE_COUNT * CURVE_SIZE));
    EngineTables.LayerSineTable =
        static_cast<float*>(AllocateForever(LAYER_SINE_TABLE_SIZE * sizeof(float)));

    // One block: the pointer table, then every layer's texels in layer order.
    std::size_t texels = 0;
    for (int i = 0; i < LAYER_COUNT; ++i)
        texels += static_cast<std::size_t>(LayerSize(i)) * LayerSize(i);
    const std::size_t table = LAYER_COUNT * sizeof(uint8_t*);
    uint8_t* block = static_cast<uint8_t*>(AllocateForever(table + texels));
    uint8_t** layers = reinterpret_cast<uint8_t**>(block);
    uint8_t* cursor = block + table;
    for (int i = 0; i < LAYER_COUNT; ++i) {
        layers[i] = cursor;
        cursor += static_cast<std::size_t>(LayerSize(i)) * LayerSize(i);
    }
    EngineTables.LayerStore = layers;

    GenerateTextureLayers();
}

int TextureSize(int texture) { return 1 << TextureProgram[texture].sizeLog2; }

const uint8_t* TextureImage(int texture)
{
    if (TextureSize(texture) == 1)
        return TextureProgram[texture].channels;
    return EngineTables.TexturePixels[texture];
}

namespace {

// One image: the record's layers, each through its curve when it names one, mixed
// as HSV or as direct RGB. A texture smaller than its layers reads their first
// size x size texels in memory order.
void FillTextureImage(const TextureRecord& record, uint8_t* image)
{
    const int size = 1 << record.sizeLog2;
    const int count = size * size;
    uint8_t* const* layers = EngineTables.LayerStore;
    const uint8_t* source[3];
    const uint8_t* curve[4];
    for (int c = 0; c < 4; ++c)
        curve[c] = record.curves[c] ? EngineTables.CurveTable + (record.curves[c] - 1) * CURVE_SIZE : nullptr;
    for (int c = 0; c < 3; ++c)
        source[c] = layers[record.channels[c]];
    const bool alphaLayer = (record.flags & TEX_ALPHA_LAYER) != 0;
    const bool direct = (record.flags & TEX_RGB_DIRECT) != 0;
    const uint8_t* alphaSource = alphaLayer ? layers[record.channels[3]] : nullptr;

    for (int k = 0; k < count; ++k) {
        int c0 = source[0][k], c1 = source[1][k], c2 = source[2][k];
        if (curve[0]) c0 = curve[0][c0];
        if (curve[1]) c1 = curve[1][c1];
        if (curve[2]) c2 = curve[2][c2];
        uint8_t* texel = image + 4 * k;
        if (direct) {
            texel[0] = static_cast<uint8_t>(c0);
            texel[1] = static_cast<uint8_t>(c1);
            texel[2] = static_cast<uint8_t>(c2);
        } else {
            ConvertHsv(c0, c1, c2, texel);
        }
        if (alphaLayer) {
            const int a = alphaSource[k];
            texel[3] = curve[3] ? curve[3][a] : static_cast<uint8_t>(a);
        } else {
            texel[3] = record.channels[3];
        }
    }
}

std::size_t ImageBytes(int texture)
{
    const std::size_t size = static_cast<std::size_t>(TextureSize(texture));
    return size == 1 ? 0 : size * size * 4;
}

} // namespace

void GenerateTextureImages()
{
    assert(EngineTables.TexturePixels && EngineTables.LayerStore &&
           "BuildTextureLayers and BuildTextureImages must run before images are regenerated");
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        if (TextureSize(i) > 1)
            FillTextureImage(TextureProgram[i], EngineTables.TexturePixels[i]);
    }
}

void BuildTextureImages()
{
    // One block: the pointer table, then the images packed in texture order. A 1 x 1
    // texture has no image here; its pointer is where the next image begins.
    std::size_t bytes = 0;
    for (int i = 0; i < TEXTURE_COUNT; ++i)
        bytes += ImageBytes(i);
    const std::size_t table = TEXTURE_COUNT * sizeof(uint8_t*);
    uint8_t* block = static_cast<uint8_t*>(AllocateForever(table + bytes));
    uint8_t** images = reinterpret_cast<uint8_t**>(block);
    uint8_t* cursor = block + table;
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        images[i] = cursor;
        cursor += ImageBytes(i);
    }
    EngineTables.TexturePixels = images;

    GenerateTextureImages();
}
