// `textures OUT_DIR`: runs the CPU half of the texture generator (no window, no GL)
// and writes what it made: layer_NN.png (greyscale), texture_NN.png (RGBA),
// curves.png (one plot per curve), layers.png and textures.png (labelled contact
// sheets, RGB with alpha ignored) and manifest.tsv (kind, number, size, FNV-1a 64 of
// the raw bytes; texture bytes are RGBA rows in memory order).
#include "tools/assets/assets.h"

#include "engine/engine.h"
#include "textures/textures.h"
#include "tools/common/command_line.h"
#include "tools/common/fnv1a.h"
#include "tools/common/output_file.h"
#include "tools/common/png.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A 3 x 5 digit font, one row of three bits per entry, top row first, high bit left.
constexpr uint8_t DigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr int DIGIT_SCALE = 2;
constexpr int DIGIT_ADVANCE = 4 * DIGIT_SCALE;

// An RGB picture for the contact sheets.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Canvas(int w, int h, uint8_t grey) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, grey) {}

    void Put(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
};

void DrawNumber(Canvas& canvas, int x, int y, int number)
{
    const std::string text = std::to_string(number);
    for (char c : text) {
        const uint8_t* rows = DigitRows[c - '0'];
        for (int row = 0; row < 5 * DIGIT_SCALE; ++row)
            for (int col = 0; col < 3 * DIGIT_SCALE; ++col)
                if (rows[row / DIGIT_SCALE] & (4 >> (col / DIGIT_SCALE)))
                    canvas.Put(x + col, y + row, 255, 255, 255);
        x += DIGIT_ADVANCE;
    }
}

// A picture of side `size` with `channels` bytes a texel (1 grey, 4 RGBA).
struct Picture {
    const uint8_t* texels;
    int size;
    int channels;
};

// Every picture scaled (nearest texel) into a CELL x CELL box under its number.
bool WriteContactSheet(const std::string& path, const std::vector<Picture>& pictures, int firstNumber,
                       std::string* error)
{
    constexpr int CELL = 128, MARGIN = 6, LABEL = 5 * DIGIT_SCALE + 6, COLUMNS = 6;
    const int rows = (static_cast<int>(pictures.size()) + COLUMNS - 1) / COLUMNS;
    const int cellWidth = CELL + 2 * MARGIN, cellHeight = CELL + LABEL + MARGIN;
    Canvas canvas(COLUMNS * cellWidth, rows * cellHeight, 40);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& picture = pictures[i];
        const int left = static_cast<int>(i % COLUMNS) * cellWidth + MARGIN;
        const int top = static_cast<int>(i / COLUMNS) * cellHeight;
        DrawNumber(canvas, left, top + 3, firstNumber + static_cast<int>(i));
        for (int y = 0; y < CELL; ++y) {
            for (int x = 0; x < CELL; ++x) {
                const int sx = x * picture.size / CELL, sy = y * picture.size / CELL;
                const uint8_t* t = picture.texels + (static_cast<std::size_t>(sy) * picture.size + sx) * picture.channels;
                if (picture.channels == 1)
                    canvas.Put(left + x, top + LABEL + y, t[0], t[0], t[0]);
                else
                    canvas.Put(left + x, top + LABEL + y, t[0], t[1], t[2]);
            }
        }
    }
    return WritePng(path, canvas.rgb.data(), canvas.width, canvas.height, 3, error);
}

// Each curve as a 256 x 64 plot (input right, output up) under its number.
bool WriteCurvePlots(const std::string& path, std::string* error)
{
    constexpr int PLOT = 64, LABEL = 5 * DIGIT_SCALE + 6, COLUMNS = 4, WIDTH = 256 + 12;
    const int rows = (CURVE_COUNT + COLUMNS - 1) / COLUMNS;
    Canvas canvas(COLUMNS * WIDTH, rows * (PLOT + LABEL + 4), 40);
    for (int n = 0; n < CURVE_COUNT; ++n) {
        const uint8_t* curve = EngineTables.CurveTable + n * CURVE_SIZE;
        const int left = (n % COLUMNS) * WIDTH + 6;
        const int top = (n / COLUMNS) * (PLOT + LABEL + 4);
        DrawNumber(canvas, left, top + 3, n + 1);
        for (int i = 0; i < CURVE_SIZE; ++i) {
            for (int y = 0; y < PLOT; ++y)
                canvas.Put(left + i, top + LABEL + y, 16, 16, 16);
            canvas.Put(left + i, top + LABEL + PLOT - 1 - curve[i] / 4, 255, 220, 64);
        }
    }
    return WritePng(path, canvas.rgb.data(), canvas.width, canvas.height, 3, error);
}

std::string Numbered(const std::string& dir, const char* stem, int number)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s_%02d.png", stem, number);
    return (std::filesystem::path(dir) / name).string();
}

void WriteManifestRow(OutputFile& file, const char* kind, int number, const char* size, const uint8_t* bytes,
                      std::size_t count)
{
    file.Print("%s\t%d\t%s\t%016" PRIx64 "\n", kind, number, size, HashFnv1a64(bytes, count));
}

} // namespace

int InspectTextures(int argc, char** argv)
{
    std::string dir;
    if (const int code = ParseOutputFolder(argc, argv, "usage: quorvantile-inspect textures OUT_DIR\n", &dir);
        code >= 0)
        return code;
    std::string error;

    BuildTextureLayers();
    BuildTextureImages();

    bool written = true;
    std::vector<Picture> layers, textures;
    for (int i = 0; i < LAYER_COUNT && written; ++i) {
        const int size = 1 << LayerProgram[i].sizeLog2;
        layers.push_back({EngineTables.LayerStore[i], size, 1});
        written = WritePng(Numbered(dir, "layer", i), EngineTables.LayerStore[i], size, size, 1, &error);
    }
    for (int i = 0; i < TEXTURE_COUNT && written; ++i) {
        textures.push_back({TextureImage(i), TextureSize(i), 4});
        written = WritePng(Numbered(dir, "texture", i), TextureImage(i), TextureSize(i), TextureSize(i), 4, &error);
    }
    const std::filesystem::path folder(dir);
    written = written && WriteContactSheet((folder / "textures.png").string(), textures, 0, &error) &&
              WriteContactSheet((folder / "layers.png").string(), layers, 0, &error) &&
              WriteCurvePlots((folder / "curves.png").string(), &error);
    if (!written)
        return Failure(InspectTool, error);

    OutputFile manifest((folder / "manifest.tsv").string());
    if (!manifest.Open())
        return Failure(InspectTool, manifest.Error());
    manifest.Print("kind\tnumber\tsize\tfnv1a64\n");
    for (int n = 0; n < CURVE_COUNT; ++n)
        WriteManifestRow(manifest, "curve", n + 1, "256", EngineTables.CurveTable + n * CURVE_SIZE, CURVE_SIZE);
    for (int i = 0; i < LAYER_COUNT; ++i) {
        const int size = layers[i].size;
        const std::string dims = std::to_string(size) + "x" + std::to_string(size);
        WriteManifestRow(manifest, "layer", i, dims.c_str(), layers[i].texels, static_cast<std::size_t>(size) * size);
    }
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const int size = TextureSize(i);
        const std::string dims = std::to_string(size) + "x" + std::to_string(size);
        WriteManifestRow(manifest, "texture", i, dims.c_str(), TextureImage(i),
                         static_cast<std::size_t>(size) * size * 4);
    }
    if (!manifest.Commit())
        return Failure(InspectTool, manifest.Error());
    std::printf("wrote %d layers, %d textures, sheets and manifest.tsv to %s\n", LAYER_COUNT, TEXTURE_COUNT,
                dir.c_str());
    return 0;
}
