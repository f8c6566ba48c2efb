// quorvantile-capture: runs the demo's own start-up and frames headless (SDL's
// offscreen video driver) on a fixed clock and writes chosen frames as PNG.
//
//   quorvantile-capture [--fps N] [--size WxH] [--at T]... [--range A:B] [--out DIR]
//                       [--contact-sheet FILE]
//
// Times are centiseconds of demo time. Frame k is drawn at t = floor(k x 100 / fps),
// so that particles, ropes and trails, which advance once per drawn frame, see the
// same frames every run; every frame up to the last one asked for is drawn in order.
// Frames asked for with --at between two steps are drawn in their place. Without
// --at and --range the whole demo is written.
#include "content/content.h"
#include "engine/engine.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "tools/common/label.h"
#include "tools/common/offscreen.h"
#include "tools/common/png.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

struct CaptureOptions {
    int fps = 50;
    int width = 640;
    int height = 480;
    std::vector<int> at;
    bool hasRange = false;
    int rangeFirst = 0;
    int rangeLast = 0;
    std::string outDir = ".";
    std::string contactSheet;
};

int Usage(const char* problem)
{
    if (problem)
        std::fprintf(stderr, "quorvantile-capture: %s\n", problem);
    std::fprintf(stderr,
                 "usage: quorvantile-capture [--fps N] [--size WxH] [--at T]... [--range A:B]\n"
                 "                           [--out DIR] [--contact-sheet FILE]\n"
                 "  times in centiseconds; defaults: --fps 50 --size 640x480 --out .\n");
    return 2;
}

bool ParseInt(const char* text, int* value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 0 || parsed > 1000000)
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool ParsePair(const char* text, char separator, int* a, int* b)
{
    const char* split = std::strchr(text, separator);
    if (!split)
        return false;
    const std::string first(text, split);
    return ParseInt(first.c_str(), a) && ParseInt(split + 1, b);
}

// 0 when the options are usable, else the exit code after a message.
int ParseOptions(int argc, char** argv, CaptureOptions* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h")
            return Usage(nullptr);
        if (i + 1 >= argc)
            return Usage(("missing value after " + name).c_str());
        const char* value = argv[++i];
        if (name == "--fps") {
            if (!ParseInt(value, &options->fps) || options->fps < 1 || options->fps > 1000)
                return Usage("--fps takes a whole number from 1 to 1000");
        } else if (name == "--size") {
            if (!ParsePair(value, 'x', &options->width, &options->height) || options->width < 16 ||
                options->height < 16 || options->width > 8192 || options->height > 8192)
                return Usage("--size takes WxH, each from 16 to 8192");
        } else if (name == "--at") {
            int t = 0;
            if (!ParseInt(value, &t))
                return Usage("--at takes a time in centiseconds");
            options->at.push_back(t);
        } else if (name == "--range") {
            if (!ParsePair(value, ':', &options->rangeFirst, &options->rangeLast) ||
                options->rangeFirst > options->rangeLast)
                return Usage("--range takes A:B in centiseconds with A <= B");
            options->hasRange = true;
        } else if (name == "--out") {
            options->outDir = value;
        } else if (name == "--contact-sheet") {
            options->contactSheet = value;
        } else {
            return Usage(("unknown option " + name).c_str());
        }
    }
    return 0;
}

// Demo time of step k.
int StepTime(long k, int fps)
{
    return static_cast<int>(k * 100 / fps);
}

struct Schedule {
    std::vector<int> drawn;   // every frame time, ascending
    std::set<int> written;    // the ones to write
};

Schedule MakeSchedule(const CaptureOptions& options, int endTime)
{
    Schedule schedule;
    for (int t : options.at)
        schedule.written.insert(t);
    const bool whole = options.at.empty() && !options.hasRange;
    const int first = whole ? 0 : options.rangeFirst;
    const int last = whole ? endTime - 1 : options.rangeLast;
    if (whole || options.hasRange) {
        for (long k = 0;; ++k) {
            const int t = StepTime(k, options.fps);
            if (t > last)
                break;
            if (t >= first)
                schedule.written.insert(t);
        }
    }
    // The demo ends at endTime; no frame is drawn there or later.
    for (auto it = schedule.written.begin(); it != schedule.written.end();) {
        if (*it >= endTime) {
            std::fprintf(stderr, "quorvantile-capture: %d cs is not before the end (%d cs), skipped\n", *it,
                         endTime);
            it = schedule.written.erase(it);
        } else {
            ++it;
        }
    }
    if (schedule.written.empty())
        return schedule;
    const int lastWritten = *schedule.written.rbegin();
    std::set<int> times(schedule.written);
    for (long k = 0;; ++k) {
        const int t = StepTime(k, options.fps);
        if (t > lastWritten)
            break;
        times.insert(t);
    }
    schedule.drawn.assign(times.begin(), times.end());
    return schedule;
}

std::string FramePath(const std::string& dir, int t)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", t);
    return (std::filesystem::path(dir) / name).string();
}

// The back buffer, rows top to bottom.
std::vector<uint8_t> ReadFrame(int width, int height)
{
    std::vector<uint8_t> bottomUp(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&topDown[y * row], &bottomUp[(height - 1 - y) * row], row);
    return topDown;
}

struct Thumbnail {
    int t;
    std::vector<uint8_t> rgb;
};

constexpr int THUMB_WIDTH = 160;
constexpr int LABEL_HEIGHT = 14;
constexpr int SHEET_COLUMNS = 10;

// Box-filtered down to THUMB_WIDTH across.
std::vector<uint8_t> Shrink(const std::vector<uint8_t>& frame, int width, int height, int thumbHeight)
{
    std::vector<uint8_t> out(static_cast<std::size_t>(THUMB_WIDTH) * thumbHeight * 3);
    for (int y = 0; y < thumbHeight; ++y) {
        const int sy0 = y * height / thumbHeight, sy1 = std::max(sy0 + 1, (y + 1) * height / thumbHeight);
        for (int x = 0; x < THUMB_WIDTH; ++x) {
            const int sx0 = x * width / THUMB_WIDTH, sx1 = std::max(sx0 + 1, (x + 1) * width / THUMB_WIDTH);
            for (int c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (int sy = sy0; sy < sy1; ++sy)
                    for (int sx = sx0; sx < sx1; ++sx)
                        sum += frame[(static_cast<std::size_t>(sy) * width + sx) * 3 + c];
                out[(static_cast<std::size_t>(y) * THUMB_WIDTH + x) * 3 + c] =
                    static_cast<uint8_t>(sum / ((sy1 - sy0) * (sx1 - sx0)));
            }
        }
    }
    return out;
}

bool WriteContactSheet(const std::string& path, const std::vector<Thumbnail>& thumbs, int thumbHeight)
{
    const int columns = std::min<int>(SHEET_COLUMNS, static_cast<int>(thumbs.size()));
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
    return WriteCanvas(path, sheet);
}

} // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    if (const int code = ParseOptions(argc, argv, &options))
        return code;
    std::error_code error;
    std::filesystem::create_directories(options.outDir, error);
    if (error) {
        std::fprintf(stderr, "quorvantile-capture: cannot make %s\n", options.outDir.c_str());
        return 1;
    }

    // Headless: no window on any screen, and no sound device is opened.
    if (!StartDemoOffscreen(options.width, options.height)) {
        std::fprintf(stderr, "quorvantile-capture: no GL window (SDL_VIDEODRIVER=%s)\n",
                     std::getenv("SDL_VIDEODRIVER"));
        return 1;
    }

    const int endTime = static_cast<int>(std::ceil(EngineTables.EndTime));
    const Schedule schedule = MakeSchedule(options, endTime);
    if (schedule.written.empty()) {
        std::fprintf(stderr, "quorvantile-capture: no frame to write\n");
        return 1;
    }
    const int thumbHeight = std::max(1, THUMB_WIDTH * options.height / options.width);
    std::vector<Thumbnail> thumbs;

    const auto started = std::chrono::steady_clock::now();
    auto lastReport = started;
    std::size_t writtenCount = 0;
    for (std::size_t i = 0; i < schedule.drawn.size(); ++i) {
        const int t = schedule.drawn[i];
        PlatformMessage message;
        while (PlatformPeekMessage(&message)) {
            if (message.kind != MESSAGE_QUIT)
                PlatformDispatchMessage(message);
        }
        DrawFrame(static_cast<float>(t));
        if (schedule.written.count(t)) {
            const std::vector<uint8_t> frame = ReadFrame(options.width, options.height);
            const std::string path = FramePath(options.outDir, t);
            if (!WritePng(path, frame.data(), options.width, options.height, 3)) {
                std::fprintf(stderr, "\nquorvantile-capture: cannot write %s\n", path.c_str());
                return 1;
            }
            ++writtenCount;
            if (!options.contactSheet.empty())
                thumbs.push_back({ t, Shrink(frame, options.width, options.height, thumbHeight) });
        }
        PlatformSwapBuffers();

        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport > std::chrono::seconds(1) || i + 1 == schedule.drawn.size()) {
            lastReport = now;
            const double seconds = std::chrono::duration<double>(now - started).count();
            std::fprintf(stderr, "\rframe %zu/%zu  t=%d cs  written %zu/%zu  %.1f s", i + 1,
                         schedule.drawn.size(), t, writtenCount, schedule.written.size(), seconds);
        }
    }
    std::fprintf(stderr, "\n");

    if (!options.contactSheet.empty() && !WriteContactSheet(options.contactSheet, thumbs, thumbHeight)) {
        std::fprintf(stderr, "quorvantile-capture: cannot write %s\n", options.contactSheet.c_str());
        return 1;
    }
    // The music was never started; the window goes the ordinary way.
    DestroyMainWindow();
    return 0;
}
