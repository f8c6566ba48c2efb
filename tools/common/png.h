// A small PNG writer for the tools: 8-bit greyscale, RGB or RGBA images.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height pixels of `channels` bytes each (1 grey, 3 RGB, 4 RGBA),
// rows top to bottom, under a temporary name renamed into place when complete.
// False when the file cannot be written, with the reason in *error when given.
bool WritePng(const std::string& path, const uint8_t* pixels, int width, int height, int channels,
              std::string* error = nullptr);
