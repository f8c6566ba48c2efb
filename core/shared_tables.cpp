// EngineTables, the mathematical tables shared by the geometry code, and the font's
// work areas.
#include "core/engine_tables.h"

#include "platform/platform.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cmath>
#include <cstdlib>
#include <cstring>

EngineTablesRecord EngineTables;

void* AllocateForever(std::size_t bytes)
{
    void* memory = std::calloc(1, bytes);
    if (!memory)
        PlatformFailStartUp("Not Enough Memory.", EXIT_NO_MEMORY);
#if defined(__SANITIZE_ADDRESS__)
    // Never freed by design; tests that run the start-up again drop the pointers.
    __lsan_ignore_object(memory);
#endif
    return memory;
}

void BuildSharedTables()
{
    // The angle is accumulated in single precision, step by step, rather than
    // computed as i * step: the table's exact values depend on that rounding.
    float* sine = static_cast<float*>(AllocateForever(SINE_TABLE_SIZE * sizeof(float)));
    const float step = 0.0015339808f;   // 2pi / 4096 in single precision
    float angle = 0.0f;
    for (int i = 0; i < SINE_TABLE_SIZE; ++i) {
        sine[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
        angle += step;
    }
    EngineTables.SineTable = sine;
    EngineTables.CosineTable = sine + COSINE_OFFSET;

    // Entry 0 is 1.0; entry j >= 1 is b * b with b falling by 1/512 after each entry,
    // so entries 0 and 1 are both 1.0 and entry 511 is (2/512)^2.
    float* falloff = static_cast<float*>(AllocateForever(FALLOFF_TABLE_SIZE * sizeof(float)));
    falloff[0] = 1.0f;
    float b = 1.0f;
    for (int j = 1; j < FALLOFF_TABLE_SIZE; ++j) {
        falloff[j] = b * b;
        b -= 1.0f / 512.0f;
    }
    EngineTables.FalloffTable = falloff;
}

void BuildFontWorkAreas()
{
    GlyphBox* boxes = static_cast<GlyphBox*>(AllocateForever(GLYPH_COUNT * sizeof(GlyphBox)));
    EngineTables.GlyphBoxes = boxes;
    EngineTables.GlyphBoxCursor = boxes;

    uint8_t* scratch = static_cast<uint8_t*>(AllocateForever(SCRATCH_BLOCK_BYTES));
    EngineTables.ScratchBlock = scratch;

    int32_t* glyphIndex = reinterpret_cast<int32_t*>(scratch + SCRATCH_GLYPH_INDEX);
    for (int p = 0; p < GLYPH_COUNT; ++p)
        glyphIndex[static_cast<uint8_t>(FontCharacters[p])] = p + 1;
    EngineTables.GlyphIndex = glyphIndex;
}
