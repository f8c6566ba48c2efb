// The contact sheet: small pictures of the frames written, ten to a row, each
// labelled with its time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Thumbnail {
    int t;                      // centiseconds
    std::vector<uint8_t> rgb;   // THUMB_WIDTH x ThumbnailHeight(...) pixels
};

constexpr int THUMB_WIDTH = 160;

int ThumbnailHeight(int width, int height);
// Box-filtered from an RGB frame, rows top to bottom.
Thumbnail MakeThumbnail(int t, const uint8_t* rgb, int width, int height);
bool WriteContactSheet(const std::string& path, const std::vector<Thumbnail>& thumbs, int thumbHeight,
                       std::string* error);
