// Thumbnails and the sheet they are laid out on.
#include "tools/capture/contact_sheet.h"

#include "tools/common/label.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int LABEL_HEIGHT = 14;
constexpr int SHEET_COLUMNS = 10;

} // namespace

int ThumbnailHeight(int width, int height)
{
    return std::max(1, THUMB_WIDTH * height / width);
}

Thumbnail MakeThumbnail(int t, const uint8_t* frame, int width, int height)
{
    const int thumbHeight = ThumbnailHeight(width, height);
    Thumbnail thumb{ t, std::vector<uint8_t>(static_cast<std::size_t>(THUMB_WIDTH) * thumbHeight * 3) };
    for (int y = 0; y < thumbHeight; ++y) {
        const int sy0 = y * height / thumbHeight, sy1 = std::max(sy0 + 1, (y + 1) * height / thumbHeight);
        for (int x = 0; x < THUMB_WIDTH; ++x) {
            const int sx0 = x * width / THUMB_WIDTH, sx1 = std::max(sx0 + 1, (x + 1) * width / THUMB_WIDTH);
            for (int c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (int sy = sy0; sy < sy1; ++sy)
                    for (int sx = sx0; sx < sx1; ++sx)
                        sum += frame[(static_cast<std::size_t>(sy) * width + sx) * 3 + c];
                thumb.rgb[(static_cast<std::size_t>(y) * THUMB_WIDTH + x) * 3 + c] =
                    static_cast<uint8_t>(sum / ((sy1 - sy0) * (sx1 - sx0)));
            }
        }
    }
    return thumb;
}

bool WriteContactSheet(const std::string& path, const std::vector<Thumbnail>& thumbs, int thumbHeight,
                       std::string* error)
{
    const int columns = std::max(1, std::min<int>(SHEET_COLUMNS, static_cast<int>(thumbs.size())));
    const int rows = (static_cast<int>(thumbs.size()) + columns - 1) / columns;
    const int cellWidth = THUMB_WIDTH + 4, cellHeight = thumbHeight + LABEL_HEIGHT + 4;
    const uint8_t background[3] = { 40, 40, 48 };
    const uint8_t ink[3] = { 255, 255, 255 };
    Canvas sheet = MakeCanvas(columns * cellWidth + 4, rows * cellHeight + 4, background);
    for (std::size_t i = 0; i < thumbs.size(); ++i) {
        const int x = 4 + static_cast<int>(i % columns) * cellWidth;
        const int y = 4 + static_cast<int>(i / columns) * cellHeight;
        for (int row = 0; row < thumbHeight; ++row)
            std::memcpy(&sheet.rgb[(static_cast<std::size_t>(y + row) * sheet.width + x) * 3],
                        &thumbs[i].rgb[static_cast<std::size_t>(row) * THUMB_WIDTH * 3], THUMB_WIDTH * 3);
        char label[32];
        std::snprintf(label, sizeof label, "%d.%02d s", thumbs[i].t / 100, thumbs[i].t % 100);
        DrawLabel(sheet, x + 2, y + thumbHeight + 2, label, ink, 2);
    }
    return WriteCanvas(path, sheet, error);
}
