// EngineTables, the record through which every subsystem reaches the resources built
// at start-up, with the shared tables it points at and the memory they live in. The
// lowest layer of the demo's graphics: it knows the other subsystems' records only by
// name.
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

// SineTable, CosineTable and FalloffTable.
void BuildSharedTables();
// GlyphBoxes and ScratchBlock, zero-filled, and GlyphIndex inside ScratchBlock.
void BuildFontWorkAreas();

// Zero-filled memory that lives until the process ends; when none is left, says so
// and ends the process with exit code EXIT_NO_MEMORY (platform/platform.h).
void* AllocateForever(std::size_t bytes);
