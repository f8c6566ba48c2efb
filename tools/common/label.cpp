// A 3 x 5 pixel font and box drawing on RGB canvases.
#include "tools/common/label.h"

#include "tools/common/png.h"

#include <algorithm>

namespace {

// One row of three bits per entry, top row first, high bit left.
struct FontGlyph {
    char character;
    uint8_t rows[5];
};

constexpr FontGlyph Font[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}},
    {'a', {2, 5, 7, 5, 5}}, {'b', {6, 5, 6, 5, 6}}, {'c', {3, 4, 4, 4, 3}}, {'d', {6, 5, 5, 5, 6}},
    {'e', {7, 4, 6, 4, 7}}, {'f', {7, 4, 6, 4, 4}}, {'g', {3, 4, 5, 5, 3}}, {'h', {5, 5, 7, 5, 5}},
    {'i', {7, 2, 2, 2, 7}}, {'j', {1, 1, 1, 5, 2}}, {'k', {5, 5, 6, 5, 5}}, {'l', {4, 4, 4, 4, 7}},
    {'m', {5, 7, 7, 5, 5}}, {'n', {6, 5, 5, 5, 5}}, {'o', {2, 5, 5, 5, 2}}, {'p', {6, 5, 6, 4, 4}},
    {'q', {2, 5, 5, 6, 3}}, {'r', {6, 5, 6, 5, 5}}, {'s', {3, 4, 2, 1, 6}}, {'t', {7, 2, 2, 2, 2}},
    {'u', {5, 5, 5, 5, 7}}, {'v', {5, 5, 5, 5, 2}}, {'w', {5, 5, 7, 7, 5}}, {'x', {5, 5, 2, 5, 5}},
    {'y', {5, 5, 2, 2, 2}}, {'z', {7, 1, 2, 4, 7}},
    {'.', {0, 0, 0, 0, 2}}, {':', {0, 2, 0, 2, 0}}, {'-', {0, 0, 7, 0, 0}}, {'=', {0, 7, 0, 7, 0}},
    {'+', {0, 2, 7, 2, 0}}, {'/', {1, 1, 2, 4, 4}}, {'(', {1, 2, 2, 2, 1}}, {')', {4, 2, 2, 2, 4}},
};

const FontGlyph* FindGlyph(char c)
{
    if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    for (const FontGlyph& glyph : Font) {
        if (glyph.character == c)
            return &glyph;
    }
    return nullptr;
}

} // namespace

Canvas MakeCanvas(int width, int height, const uint8_t colour[3])
{
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    FillBox(canvas, 0, 0, width, height, colour);
    return canvas;
}

void FillBox(Canvas& canvas, int x, int y, int width, int height, const uint8_t colour[3])
{
    const int x0 = std::max(x, 0), x1 = std::min(x + width, canvas.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + height, canvas.height);
    for (int row = y0; row < y1; ++row) {
        for (int col = x0; col < x1; ++col) {
            uint8_t* p = &canvas.rgb[(static_cast<std::size_t>(row) * canvas.width + col) * 3];
            p[0] = colour[0];
            p[1] = colour[1];
            p[2] = colour[2];
        }
    }
}

int DrawLabel(Canvas& canvas, int x, int y, const std::string& text, const uint8_t colour[3], int scale)
{
    for (char c : text) {
        if (const FontGlyph* glyph = FindGlyph(c)) {
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (glyph->rows[row] & (4 >> col))
                        FillBox(canvas, x + col * scale, y + row * scale, scale, scale, colour);
        }
        x += 4 * scale;
    }
    return x;
}

int LabelWidth(const std::string& text, int scale)
{
    return static_cast<int>(text.size()) * 4 * scale;
}

bool WriteCanvas(const std::string& path, const Canvas& canvas, std::string* error)
{
    return WritePng(path, canvas.rgb.data(), canvas.width, canvas.height, 3, error);
}
