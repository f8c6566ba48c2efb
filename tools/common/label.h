// RGB pictures for the tools' sheets and charts, with short labels in a 3 x 5 pixel
// font (digits, letters without case, and . : - = + / ( ) and space).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // rows top to bottom
};

Canvas MakeCanvas(int width, int height, const uint8_t colour[3]);
// Clipped to the canvas.
void FillBox(Canvas& canvas, int x, int y, int width, int height, const uint8_t colour[3]);
// Each font pixel becomes scale x scale canvas pixels; characters advance 4 x scale.
// Characters outside the font are drawn as blanks. Returns the x after the text.
int DrawLabel(Canvas& canvas, int x, int y, const std::string& text, const uint8_t colour[3], int scale);
int LabelWidth(const std::string& text, int scale);
bool WriteCanvas(const std::string& path, const Canvas& canvas, std::string* error = nullptr);
