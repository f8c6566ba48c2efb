// The capture tool's command line.
#pragma once

#include <string>
#include <vector>

struct VideoFormat;

struct CaptureOptions {
    int fps = 50;
    int width = 640;
    int height = 480;
    int supersample = 1;         // drawn at this many times the size, filtered down
    std::vector<int> at;         // centiseconds
    bool hasRange = false;
    int rangeFirst = 0;
    int rangeLast = 0;
    bool writePng = false;
    std::string outDir = ".";
    std::string contactSheet;
    std::string video;
    const VideoFormat* videoFormat = nullptr;
    int crf = -1;                // -1: the format's default
    int padAspectWidth = 0;      // 0: no bars
    int padAspectHeight = 0;
    std::string audio;
    bool drawOnly = false;

    bool Draws() const { return writePng || !video.empty() || !contactSheet.empty() || drawOnly; }
};

// -1 when the capture goes on, otherwise the exit code to end with (after --help,
// --version or a usage error, which this prints).
int ParseCaptureOptions(int argc, char** argv, CaptureOptions* options);

// The video frame's size for a picture of width x height: the picture padded to
// the aspect asked for, to even sizes where the format needs them.
void PaddedSize(const CaptureOptions& options, int* frameWidth, int* frameHeight);

extern const char* const CAPTURE_TOOL_NAME;
