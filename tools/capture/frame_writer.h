// The capture's writing thread: the frames read back from GL go through a small
// bounded queue to a thread of their own that filters them down, converts, encodes
// and writes them, so that drawing and writing run side by side.
#pragma once

#include "tools/capture/contact_sheet.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class Soundtrack;
class VideoFile;

struct CapturedFrame {
    int t = 0;                      // centiseconds
    bool png = false;               // written as a PNG picture
    bool video = false;             // a frame of the video
    std::vector<uint8_t> pixels;    // drawn size, 4 bytes a pixel (R, G, B, unused), rows bottom up
};

struct FrameWriterSetup {
    int drawnWidth = 0;             // the back buffer
    int drawnHeight = 0;
    int width = 0;                  // the picture written
    int height = 0;
    std::string pngDir;             // for the PNG frames
    bool thumbnails = false;        // keep a thumbnail of every frame written
    VideoFile* video = nullptr;     // null: no video
    Soundtrack* sound = nullptr;    // the video's sound, started at soundFirst
    int fps = 60;
    int64_t soundFirst = 0;         // the sound's span, stereo frames from demo time 0
    int64_t soundEnd = 0;
};

class FrameWriter {
public:
    explicit FrameWriter(const FrameWriterSetup& setup);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // A free frame to fill, waiting while every frame is queued; null once writing
    // has failed.
    CapturedFrame* Acquire();
    // Queues a frame from Acquire for writing.
    void Submit(CapturedFrame* frame);
    // Writes what is queued and the rest of the video's sound, then ends the thread.
    // False when anything failed.
    bool Finish();

    bool Failed();
    std::string Error();
    std::vector<Thumbnail>& Thumbnails() { return thumbnails_; }

private:
    void Run();
    bool Write(CapturedFrame& frame);
    bool WriteSoundUpTo(int64_t end);
    void SetError(const std::string& error);

    FrameWriterSetup setup_;
    std::vector<std::unique_ptr<CapturedFrame>> frames_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<CapturedFrame*> free_;
    std::deque<CapturedFrame*> queued_;
    bool closing_ = false;
    std::string error_;
    std::thread thread_;

    // The writing thread's own.
    struct Scaler;
    std::unique_ptr<Scaler> scaler_;   // the supersampled picture filtered down
    std::vector<uint8_t> picture_;      // width x height, 4 bytes a pixel, bottom up
    std::vector<uint8_t> rgb_;          // width x height RGB, top down
    std::vector<int16_t> sound_;
    int64_t soundWritten_ = 0;          // the next stereo frame of the sound to write
    int64_t videoFrames_ = 0;
    std::vector<Thumbnail> thumbnails_;
};
