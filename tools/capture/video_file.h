// One video file with picture and sound, encoded in-process by the FFmpeg libraries.
// The container and codecs follow the file's extension:
//   .mp4   H.264 (yuv420p, constant quality) and AAC
//   .webm  VP9 (yuv420p, constant quality) and Opus
//   .mkv   FFV1 (RGB, lossless) and FLAC: the exact frames and samples
// The file is written under a temporary name and renamed into place by Finish.
#pragma once

#include "tools/common/output_file.h"

#include <cstdint>
#include <memory>
#include <string>

struct VideoFormat;

// The format for path's extension (case ignored), or null.
const VideoFormat* FindVideoFormat(const std::string& path);
// "mp4", "webm" or "mkv".
const char* VideoFormatName(const VideoFormat& format);
// Whether the format takes --crf, and its default and largest value.
bool VideoFormatHasQuality(const VideoFormat& format, int* defaultCrf, int* maxCrf);
// Whether its pictures need an even width and height (the 4:2:0 formats).
bool VideoFormatNeedsEvenSize(const VideoFormat& format);
// Empty when the installed libraries hold every encoder the format needs, else
// "no X encoder (name)" for the first one missing.
std::string MissingEncoder(const VideoFormat& format);

struct VideoSettings {
    int pictureWidth = 0;    // the picture handed to WritePicture
    int pictureHeight = 0;
    int frameWidth = 0;      // the video frame: the picture centred, black around it
    int frameHeight = 0;
    int fps = 60;
    int crf = -1;            // -1: the format's default
    int soundRate = 44100;   // of the interleaved 16-bit stereo handed to WriteSound
};

class VideoFile {
public:
    VideoFile(std::string path, const VideoFormat& format, const VideoSettings& settings);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Creates the temporary file, opens the encoders and writes the header.
    bool Open();
    // One picture: pictureWidth x pictureHeight pixels of 4 bytes (R, G, B, unused),
    // rows bottom to top as GL reads them back.
    bool WritePicture(const uint8_t* rgbx);
    // Stereo frames, interleaved.
    bool WriteSound(const int16_t* samples, int64_t frames);
    // Drains the encoders, writes the index and renames the file into place.
    bool Finish();

    // "cannot write PATH: reason", or empty.
    const std::string& Error() const { return error_; }

private:
    struct Streams;
    bool Fail(const std::string& what, int averror);

    const VideoFormat& format_;
    VideoSettings settings_;
    OutputFile file_;
    std::unique_ptr<Streams> streams_;
    std::string error_;
};
