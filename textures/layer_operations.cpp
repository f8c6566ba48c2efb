// The five layer operations of the layer program. Each fills one square greyscale
// layer of power-of-two size; sources and curves come through EngineTables.
#include "textures/textures.h"

#include "core/engine_tables.h"
#include "platform/platform.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

// The hash multipliers of the cell feature points in y.
constexpr uint32_t CELL_HASH_Y1 = 7935456u;
constexpr uint32_t CELL_HASH_Y2 = 8946567u;

// Toroidal diamond-square. The DemoRandom state is set to the seed (arg1); level L
// starts at arg2 and grows by one per pass. A point's value from the sum S of its
// four neighbours is S / 4 once L >= 8; below that a random byte r (bits 16..23 of
// the stepped state) is mixed in as (r * (8 - L) + (S >> 2) * L) >> 3. Each pass
// runs all square steps, then all diamond steps, so random numbers are drawn in that
// order. Coordinates wrap with the mask, so the layer tiles.
void Fractal(uint8_t* destination, int size, const LayerRecord& record)
{
    const int mask = size - 1;
    auto at = [&](int x, int y) -> uint8_t& { return destination[(y & mask) * size + (x & mask)]; };
    int level = record.arg2;
    auto mix = [&](int sum) -> uint8_t {
        if (level >= 8)
            return static_cast<uint8_t>(sum >> 2);
        DemoRandom();
        const int r = static_cast<int>((DemoRandomState >> 16) & 255);
        return static_cast<uint8_t>((r * (8 - level) + (sum >> 2) * level) >> 3);
    };

    DemoRandomState = record.arg1;
    destination[0] = 128;
    for (int n = size; n > 1; n /= 2) {
        const int h = n / 2;
        for (int y = 0; y < size; y += n)
            for (int x = 0; x < size; x += n)
                at(x + h, y + h) = mix(at(x, y) + at(x + n, y) + at(x, y + n) + at(x + n, y + n));
        for (int y = 0; y < size; y += n) {
            for (int x = 0; x < size; x += n) {
                const int centre = at(x + h, y + h);
                at(x + h, y) = mix(at(x, y) + at(x + n, y) + centre + at(x + h, y - h));
                at(x, y + h) = mix(at(x, y) + at(x, y + n) + centre + at(x - h, y + h));
            }
        }
        ++level;
    }
}

// 255 * sin(x) * sin(y) over half a period each way: one bump, 0 along the top and
// left edges and 255 at the centre. The table step is 1024 / size entries per texel.
void Sine(uint8_t* destination, int size, const LayerRecord& record)
{
    const float* table = EngineTables.LayerSineTable;
    const int step = LAYER_SINE_TABLE_SIZE >> (record.sizeLog2 + 1);
    for (int y = 0; y < size; ++y) {
        const double row = table[(y * step) & (LAYER_SINE_TABLE_SIZE - 1)];
        for (int x = 0; x < size; ++x) {
            const double column = table[(x * step) & (LAYER_SINE_TABLE_SIZE - 1)];
            destination[y * size + x] = static_cast<uint8_t>(static_cast<int>(255.0 * column * row));
        }
    }
}

// (A * B) >> 8 texel by texel; both sources are at least as large as the destination
// and are read in memory order.
void Multiply(uint8_t* destination, int size, const LayerRecord& record)
{
    const uint8_t* a = EngineTables.LayerStore[record.arg1];
    const uint8_t* b = EngineTables.LayerStore[record.arg2];
    const int count = size * size;
    for (int k = 0; k < count; ++k)
        destination[k] = static_cast<uint8_t>((a[k] * b[k]) >> 8);
}

// Every texel of the source layer (arg1) through curve arg2 (1..28).
void Remap(uint8_t* destination, int size, const LayerRecord& record)
{
    assert(record.arg2 >= 1 && record.arg2 <= CURVE_COUNT && "remap needs a curve 1..28");
    const uint8_t* source = EngineTables.LayerStore[record.arg1];
    const uint8_t* curve = EngineTables.CurveTable + (record.arg2 - 1) * CURVE_SIZE;
    const int count = size * size;
    for (int k = 0; k < count; ++k)
        destination[k] = curve[source[k]];
}

// The feature point of one cell: its offset from the cell origin and the h1 hash
// that shades the cell.
struct CellPoint {
    int dx;
    int dy;
    int32_t shade;
};

// Truncated square roots of the squared distances that cells of up to 32 texels can
// produce (both offsets below 64); larger ones fall back to std::sqrt.
constexpr int CELL_ROOT_TABLE_SIZE = 2 * 63 * 63 + 1;
struct CellRootTable {
    uint8_t root[CELL_ROOT_TABLE_SIZE];
    CellRootTable()
    {
        for (int n = 0; n < CELL_ROOT_TABLE_SIZE; ++n)
            root[n] = static_cast<uint8_t>(std::sqrt(static_cast<double>(n)));
    }
};

// A cellular pattern with one feature point per w x w cell (w = 1 << arg2). The
// DemoRandom state is set once to M = 435233605 - seed * 1720354423 (seed = low 7
// bits of arg1), which is also the hash multiplier. Each texel takes the nearest of
// the points of its own and the eight neighbouring cells, visited row by row from
// the upper left (distance truncated to an integer; the first minimum in that order
// wins); with 0x80 in arg1 it is the low byte of that cell's h1 hash, else the
// distance times w limited to 255. Hashes use wrapped cell origins, so the pattern
// tiles; distances use unwrapped ones.
void Cells(uint8_t* destination, int size, const LayerRecord& record)
{
    static const CellRootTable roots;
    const int shift = record.arg2;
    const int w = 1 << shift;
    const bool shadeMode = (record.arg1 & 0x80) != 0;
    const uint32_t multiplier = 435233605u - (record.arg1 & 127u) * 1720354423u;
    DemoRandomState = multiplier;

    // The points depend only on the wrapped cell origin: hash each cell once. A layer
    // smaller than one cell wraps every origin to 0.
    const int mask = size - 1;
    const int cellsPerSide = size >= w ? size >> shift : 1;
    auto* points = static_cast<CellPoint*>(std::malloc(sizeof(CellPoint) * cellsPerSide * cellsPerSide));
    if (!points)
        PlatformFailStartUp("Not Enough Memory.", EXIT_NO_MEMORY);
    for (int cy = 0; cy < cellsPerSide; ++cy) {
        for (int cx = 0; cx < cellsPerSide; ++cx) {
            const uint32_t wx = static_cast<uint32_t>((cx << shift) & mask);
            const uint32_t wy = static_cast<uint32_t>((cy << shift) & mask);
            const int32_t h1 = static_cast<int32_t>(wx * multiplier + wy * CELL_HASH_Y1) >> 16;
            const int32_t h2 = static_cast<int32_t>(wx * multiplier + wy * CELL_HASH_Y2) >> 16;
            points[cy * cellsPerSide + cx] = CellPoint{h1 & (w - 1), h2 & (w - 1), h1};
        }
    }

    // All texels of one cell see the same nine candidate points.
    const int block = size < w ? size : w;
    for (int originY = 0; originY < size; originY += w) {
        for (int originX = 0; originX < size; originX += w) {
            CellPoint candidates[9];
            int n = 0;
            for (int oy = -w; oy <= w; oy += w) {
                const int cy = originY + oy;
                for (int ox = -w; ox <= w; ox += w) {
                    const int cx = originX + ox;
                    const CellPoint& point = points[((cy & mask) >> shift) * cellsPerSide + ((cx & mask) >> shift)];
                    candidates[n++] = CellPoint{cx + point.dx, cy + point.dy, point.shade};
                }
            }
            for (int y = originY; y < originY + block; ++y) {
                for (int x = originX; x < originX + block; ++x) {
                    int best = 255;
                    int32_t bestShade = 0;
                    for (const CellPoint& candidate : candidates) {
                        const int dx = x - candidate.dx;
                        const int dy = y - candidate.dy;
                        const int squared = dx * dx + dy * dy;
                        const int distance = squared < CELL_ROOT_TABLE_SIZE
                                                 ? roots.root[squared]
                                                 : static_cast<int>(std::sqrt(static_cast<double>(squared)));
                        if (distance < best) {
                            best = distance;
                            bestShade = candidate.shade;
                        }
                    }
                    destination[y * size + x] =
                        static_cast<uint8_t>(shadeMode ? bestShade & 255 : (best * w > 255 ? 255 : best * w));
                }
            }
        }
    }
    std::free(points);
}

} // namespace

const LayerOperation LayerOperations[LAYER_OPERATION_COUNT] = {Fractal, Sine, Multiply, Remap, Cells};
static_assert(std::size(LayerOperations) == LAYER_OPERATION_COUNT);
static_assert(LAYER_FRACTAL == 0 && LAYER_SINE == 1 && LAYER_MULTIPLY == 2 && LAYER_REMAP == 3 && LAYER_CELLS == 4);
