// Options, their defaults (which differ for a video) and the combinations refused.
#include "tools/capture/options.h"

#include "tools/capture/video_file.h"
#include "tools/common/command_line.h"

#include <cstdlib>

const char* const CAPTURE_TOOL_NAME = "quorvantile-capture";

namespace {

const ToolInfo Tool = {
    CAPTURE_TOOL_NAME,
    "usage: quorvantile-capture [--video FILE] [--audio FILE] [--out DIR] [--contact-sheet FILE]\n"
    "                           [--range A:B] [--at T]... [--fps N] [--size WxH] [--supersample N]\n"
    "                           [--pad W:H] [--crf N] [--draw-only]\n"
    "Draws the demo off screen on a fixed clock and writes its frames, a video with its\n"
    "music, or the music alone. Times are centiseconds of demo time.\n"
    "  --video FILE          picture and sound in one file, by extension: .mp4 (H.264 and\n"
    "                        AAC), .webm (VP9 and Opus), .mkv (lossless FFV1 and FLAC)\n"
    "  --audio FILE          the soundtrack alone: WAV, 44,100 Hz, 16-bit stereo\n"
    "  --out DIR             PNG frames named frame_TTTTT.png; the output when no other\n"
    "                        is asked for (then in .)\n"
    "  --contact-sheet FILE  small pictures of the frames written, on one PNG\n"
    "  --range A:B           only this span: PNG frames from A to B inclusive; a video and\n"
    "                        the sound from A up to B. Default: the whole demo\n"
    "  --at T                one PNG frame at time T; repeatable; not with --video\n"
    "  --fps N               frames per second: default 60 with --video, else 50\n"
    "  --size WxH            picture size: default 1440x1080 with --video, else 640x480\n"
    "  --supersample N       draw at N times the size and filter down, 1 to 4 (default 1)\n"
    "  --pad W:H             video: centre the picture in a frame of that shape with black\n"
    "                        bars (--pad 16:9 turns 1440x1080 into 1920x1080)\n"
    "  --crf N               video: constant quality, lower is better: .mp4 0 to 51\n"
    "                        (default 18), .webm 0 to 63 (default 31)\n"
    "  --draw-only           draw the frames and write nothing (for timing)\n"
    "  --help, --version\n",
};

const OptionDefinition Options[] = {
    { "--fps", OptionKind::Value },
    { "--size", OptionKind::Value },
    { "--supersample", OptionKind::Value },
    { "--at", OptionKind::Repeated },
    { "--range", OptionKind::Value },
    { "--out", OptionKind::Value },
    { "--contact-sheet", OptionKind::Value },
    { "--video", OptionKind::Value },
    { "--audio", OptionKind::Value },
    { "--crf", OptionKind::Value },
    { "--pad", OptionKind::Value },
    { "--draw-only", OptionKind::Flag },
};

constexpr int MAX_TIME_CS = 1000000;

bool ParsePair(const std::string& text, char separator, int min, int max, int* a, int* b)
{
    const std::size_t split = text.find(separator);
    return split != std::string::npos && ParseWholeNumber(text.substr(0, split), min, max, a) &&
           ParseWholeNumber(text.substr(split + 1), min, max, b);
}

// Checks what goes with a video; -1 when all is well.
int ParseVideoOptions(const ParsedCommandLine& line, CaptureOptions* options)
{
    if (options->video.empty()) {
        for (const char* name : { "--crf", "--pad" }) {
            if (line.Has(name))
                return UsageError(Tool, std::string(name) + " goes with --video");
        }
        return -1;
    }
    options->videoFormat = FindVideoFormat(options->video);
    if (!options->videoFormat)
        return UsageError(Tool, "--video takes a file ending in .mp4, .webm or .mkv: " + options->video);
    if (!options->at.empty())
        return UsageError(Tool, "--at does not go with --video (use --range A:B)");
    if (options->fps > 100)
        return UsageError(Tool, "--fps for a video takes 1 to 100");
    if (options->hasRange && options->rangeFirst == options->rangeLast)
        return UsageError(Tool, "--range A:B for a video needs A < B");
    int defaultCrf = 0, maxCrf = 0;
    const bool hasQuality = VideoFormatHasQuality(*options->videoFormat, &defaultCrf, &maxCrf);
    if (line.Has("--crf")) {
        const std::string name = VideoFormatName(*options->videoFormat);
        if (!hasQuality)
            return UsageError(Tool, "--crf does not go with ." + name + ", which is lossless");
        if (!ParseWholeNumber(line.Value("--crf"), 0, maxCrf, &options->crf))
            return UsageError(Tool, "--crf for ." + name + " takes 0 to " + std::to_string(maxCrf));
    }
    if (line.Has("--pad") && (!ParsePair(line.Value("--pad"), ':', 1, 100, &options->padAspectWidth,
                                         &options->padAspectHeight)))
        return UsageError(Tool, "--pad takes W:H, each from 1 to 100 (16:9, say)");
    if (VideoFormatNeedsEvenSize(*options->videoFormat) && (options->width % 2 || options->height % 2))
        return UsageError(Tool, "--size for ." + std::string(VideoFormatName(*options->videoFormat)) +
                                    " takes even numbers");
    return -1;
}

} // namespace

int ParseCaptureOptions(int argc, char** argv, CaptureOptions* options)
{
    ParsedCommandLine line;
    if (const int code = ParseCommandLine(Tool, argc, argv, 1, Options, &line); code >= 0)
        return code;
    if (!line.operands.empty())
        return UsageError(Tool, "unexpected argument " + line.operands.front());

    options->video = line.Value("--video");
    options->audio = line.Value("--audio");
    options->contactSheet = line.Value("--contact-sheet");
    options->drawOnly = line.Has("--draw-only");
    if (!options->video.empty()) {
        options->fps = 60;
        options->width = 1440;
        options->height = 1080;
    }
    if (line.Has("--fps") && !ParseWholeNumber(line.Value("--fps"), 1, 1000, &options->fps))
        return UsageError(Tool, "--fps takes a whole number from 1 to 1000");
    if (line.Has("--size") && !ParsePair(line.Value("--size"), 'x', 16, 8192, &options->width, &options->height))
        return UsageError(Tool, "--size takes WxH, each from 16 to 8192");
    if (line.Has("--supersample") && !ParseWholeNumber(line.Value("--supersample"), 1, 4, &options->supersample))
        return UsageError(Tool, "--supersample takes 1 to 4");
    for (const std::string& value : line.Values("--at")) {
        int t = 0;
        if (!ParseWholeNumber(value, 0, MAX_TIME_CS, &t))
            return UsageError(Tool, "--at takes a time in centiseconds");
        options->at.push_back(t);
    }
    if (line.Has("--range")) {
        if (!ParsePair(line.Value("--range"), ':', 0, MAX_TIME_CS, &options->rangeFirst, &options->rangeLast) ||
            options->rangeFirst > options->rangeLast)
            return UsageError(Tool, "--range takes A:B in centiseconds with A <= B");
        options->hasRange = true;
    }
    if (const int code = ParseVideoOptions(line, options); code >= 0)
        return code;

    // PNG frames are the output when nothing else is asked for.
    options->writePng = line.Has("--out") ||
                        (options->video.empty() && options->audio.empty() && !options->drawOnly);
    options->outDir = line.Value("--out", ".");
    if (options->drawOnly && (options->writePng || !options->video.empty() || !options->audio.empty() ||
                              !options->contactSheet.empty()))
        return UsageError(Tool, "--draw-only writes nothing, so it takes no output option");
    if (!options->video.empty() && options->video == options->audio)
        return UsageError(Tool, "--video and --audio name the same file");
    return -1;
}

void PaddedSize(const CaptureOptions& options, int* frameWidth, int* frameHeight)
{
    *frameWidth = options.width;
    *frameHeight = options.height;
    const int64_t aw = options.padAspectWidth, ah = options.padAspectHeight;
    if (aw > 0 && ah > 0) {
        // Pillarbox a picture narrower than the shape, letterbox a wider one.
        if (options.width * ah < options.height * aw)
            *frameWidth = static_cast<int>((options.height * aw + ah - 1) / ah);
        else
            *frameHeight = static_cast<int>((options.width * ah + aw - 1) / aw);
    }
    if (options.videoFormat && VideoFormatNeedsEvenSize(*options.videoFormat)) {
        *frameWidth += *frameWidth % 2;
        *frameHeight += *frameHeight % 2;
    }
}
