// The queue, and what the writing thread does with each frame.
#include "tools/capture/frame_writer.h"

#include "tools/capture/soundtrack.h"
#include "tools/capture/video_file.h"
#include "tools/common/png.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Frames between the drawing and the writing thread: enough to ride out a slow
// frame on either side, few enough to keep memory flat.
constexpr int QUEUED_FRAMES = 3;
// How much the writing thread yields to the renderer's.
constexpr int WRITER_NICENESS = 10;
// libswscale's vector code may read and write a little past a picture's last pixel.
constexpr std::size_t SCALER_SLACK = 64;

std::string FramePath(const std::string& dir, int t)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", t);
    return (std::filesystem::path(dir) / name).string();
}

} // namespace

// Supersampled frames are area-filtered: each written pixel is the mean of the
// N x N drawn pixels it covers.
struct FrameWriter::Scaler {
    SwsContext* context = nullptr;
    ~Scaler() { sws_freeContext(context); }
};

FrameWriter::FrameWriter(const FrameWriterSetup& setup)
    : setup_(setup)
{
    for (int i = 0; i < QUEUED_FRAMES; ++i) {
        frames_.push_back(std::make_unique<CapturedFrame>());
        free_.push_back(frames_.back().get());
    }
    if (setup.drawnWidth != setup.width || setup.drawnHeight != setup.height) {
        scaler_ = std::make_unique<Scaler>();
        scaler_->context = sws_getContext(setup.drawnWidth, setup.drawnHeight, AV_PIX_FMT_RGB0, setup.width,
                                          setup.height, AV_PIX_FMT_RGB0, SWS_AREA, nullptr, nullptr, nullptr);
        picture_.resize(static_cast<std::size_t>(setup.width) * setup.height * 4 + SCALER_SLACK);
        if (!scaler_->context)
            SetError("cannot filter the frames down");
    }
    soundWritten_ = setup.soundFirst;
    thread_ = std::thread([this] { Run(); });
}

FrameWriter::~FrameWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void FrameWriter::SetError(const std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (error_.empty())
        error_ = error;
}

bool FrameWriter::Failed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !error_.empty();
}

std::string FrameWriter::Error()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

CapturedFrame* FrameWriter::Acquire()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || !error_.empty(); });
    if (!error_.empty())
        return nullptr;
    CapturedFrame* frame = free_.front();
    free_.pop_front();
    lock.unlock();
    // Made on first use: a run that writes nothing holds no frames.
    frame->pixels.resize(static_cast<std::size_t>(setup_.drawnWidth) * setup_.drawnHeight * 4 + SCALER_SLACK);
    return frame;
}

void FrameWriter::Submit(CapturedFrame* frame)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(frame);
    }
    changed_.notify_all();
}

void FrameWriter::Run()
{
    // Drawing is the longer task and each frame waits for the renderer's threads:
    // they go first, and the writing fills the time they leave.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), WRITER_NICENESS);
    for (;;) {
        CapturedFrame* frame = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return !queued_.empty() || closing_; });
            if (queued_.empty())
                return;
            frame = queued_.front();
            queued_.pop_front();
        }
        // After a failure the frames still come back, so that the drawing side
        // never waits for ever.
        if (!Failed())
            Write(*frame);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(frame);
        }
        changed_.notify_all();
    }
}

bool FrameWriter::Write(CapturedFrame& frame)
{
    if (!frame.png && !frame.video && !setup_.thumbnails)
        return true;
    const uint8_t* picture = frame.pixels.data();
    const int width = setup_.width, height = setup_.height;
    if (scaler_) {
        const uint8_t* sources[1] = { picture };
        const int sourceStrides[1] = { setup_.drawnWidth * 4 };
        uint8_t* targets[1] = { picture_.data() };
        const int targetStrides[1] = { width * 4 };
        sws_scale(scaler_->context, sources, sourceStrides, 0, setup_.drawnHeight, targets, targetStrides);
        picture = picture_.data();
    }
    if (frame.png || setup_.thumbnails) {
        // RGB, rows top to bottom, for the PNG writer and the thumbnails.
        rgb_.resize(static_cast<std::size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            const uint8_t* from = picture + static_cast<std::size_t>(height - 1 - y) * width * 4;
            uint8_t* to = &rgb_[static_cast<std::size_t>(y) * width * 3];
            for (int x = 0; x < width; ++x, from += 4, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
    }
    if (frame.png) {
        std::string error;
        if (!WritePng(FramePath(setup_.pngDir, frame.t), rgb_.data(), width, height, 3, &error)) {
            SetError(error);
            return false;
        }
    }
    if (setup_.thumbnails)
        thumbnails_.push_back(MakeThumbnail(frame.t, rgb_.data(), width, height));
    if (frame.video && setup_.video) {
        if (!setup_.video->WritePicture(picture)) {
            SetError(setup_.video->Error());
            return false;
        }
        ++videoFrames_;
        // The sound up to the end of this frame, so the two streams stay interleaved.
        const int64_t end = setup_.soundFirst + videoFrames_ * SOUNDTRACK_RATE / setup_.fps;
        if (!WriteSoundUpTo(std::min(end, setup_.soundEnd)))
            return false;
    }
    return true;
}

bool FrameWriter::WriteSoundUpTo(int64_t end)
{
    if (!setup_.video || !setup_.sound)
        return true;
    constexpr int64_t CHUNK = 4096;
    while (soundWritten_ < end) {
        const int64_t count = std::min(CHUNK, end - soundWritten_);
        sound_.resize(static_cast<std::size_t>(count) * 2);
        setup_.sound->Render(sound_.data(), count);
        if (!setup_.video->WriteSound(sound_.data(), count)) {
            SetError(setup_.video->Error());
            return false;
        }
        soundWritten_ += count;
    }
    return true;
}

bool FrameWriter::Finish()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (Failed())
        return false;
    if (setup_.video) {
        if (!WriteSoundUpTo(setup_.soundEnd))
            return false;
        if (!setup_.video->Finish()) {
            SetError(setup_.video->Error());
            return false;
        }
    }
    return true;
}
