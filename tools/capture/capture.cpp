// quorvantile-capture: runs the demo's own start-up and frames headless (SDL's
// offscreen video driver) on a fixed clock, and writes chosen frames as PNG, a video
// with the demo's music, or the music alone. See schedule.h for which frames are
// drawn and options.cpp for the command line.
//
// Every output is checked before the first frame is drawn, written under a temporary
// name and renamed into place when complete; Ctrl-C and SIGTERM remove what is
// unfinished and end the tool at once (exit 130 and 143).
#include "content/content.h"
#include "engine/engine.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/frame_writer.h"
#include "tools/capture/options.h"
#include "tools/capture/progress.h"
#include "tools/capture/schedule.h"
#include "tools/capture/soundtrack.h"
#include "tools/capture/video_file.h"
#include "tools/common/command_line.h"
#include "tools/common/offscreen.h"
#include "tools/common/output_file.h"
#include "tools/common/wav_file.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const ToolInfo Tool = { CAPTURE_TOOL_NAME, "" };

// Every file and folder the run will write, before any work.
bool CheckOutputs(const CaptureOptions& options, std::string* error)
{
    if (options.videoFormat) {
        const std::string missing = MissingEncoder(*options.videoFormat);
        if (!missing.empty()) {
            *error = "cannot write " + options.video + ": the installed FFmpeg libraries have " + missing;
            return false;
        }
    }
    if (options.writePng && !PrepareOutputFolder(options.outDir, error))
        return false;
    for (const std::string* path : { &options.video, &options.audio, &options.contactSheet }) {
        if (!path->empty() && !CheckOutputFile(*path, error))
            return false;
    }
    return true;
}

bool WriteSoundFile(const std::string& path, int64_t first, int64_t end, std::string* error)
{
    Soundtrack sound;
    if (!sound.Start()) {
        *error = "cannot load the demo's module";
        return false;
    }
    sound.Skip(first);
    OutputFile file(path);
    WavWriter wav(file, SOUNDTRACK_RATE);
    bool written = file.Open() && wav.Begin();
    std::vector<int16_t> block;
    constexpr int64_t CHUNK = 4096;
    for (int64_t at = first; written && at < end;) {
        const int64_t count = std::min(CHUNK, end - at);
        block.resize(static_cast<std::size_t>(count) * 2);
        sound.Render(block.data(), count);
        written = wav.Take(block.data(), static_cast<std::size_t>(count));
        at += count;
    }
    if (written && wav.Finish() && file.Commit())
        return true;
    *error = file.Error();
    return false;
}

// The window at the size asked for, or why not.
bool StartDrawing(int width, int height, std::string* error)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (!StartDemoOffscreen(width, height)) {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        *error = "no GL window of " + size + " (SDL_VIDEODRIVER=" + (driver ? driver : "") + ")";
        return false;
    }
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLint largest[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    if (viewport[2] != width || viewport[3] != height || width > largest[0] || height > largest[1]) {
        *error = "GL cannot draw " + size + " here (at most " + std::to_string(largest[0]) + "x" +
                 std::to_string(largest[1]) + ")";
        return false;
    }
    return true;
}

void PumpMessages()
{
    PlatformMessage message;
    while (PlatformPeekMessage(&message)) {
        if (message.kind != MESSAGE_QUIT)
            PlatformDispatchMessage(message);
    }
}

// The back buffer of the frame just drawn, 4 bytes a pixel (R, G, B, unused), rows
// bottom to top: whole words a pixel, which every GL and the fixed-function layer
// read. The swap that follows waits for the frame anyway, so a read that does not
// wait (into a pixel buffer) would buy nothing.
void ReadBackFrame(int width, int height, uint8_t* to)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, to);
}

// Draws every scheduled frame and hands those to write over. False when writing
// failed.
bool DrawAndWrite(const CaptureOptions& options, const Schedule& schedule, FrameWriter& writer, int drawnWidth,
                  int drawnHeight)
{
    Progress progress(static_cast<int64_t>(schedule.drawn.size()), stderr);
    bool ok = true;
    for (std::size_t i = 0; i < schedule.drawn.size() && ok; ++i) {
        const int t = schedule.drawn[i];
        PumpMessages();
        DrawFrame(static_cast<float>(t));
        if (schedule.ReadsBack(t)) {
            CapturedFrame* frame = writer.Acquire();
            ok = frame != nullptr;
            if (ok) {
                ReadBackFrame(drawnWidth, drawnHeight, frame->pixels.data());
                frame->t = t;
                frame->png = options.writePng && schedule.png.count(t) != 0;
                frame->video = schedule.video.count(t) != 0;
                writer.Submit(frame);
            }
        }
        PlatformSwapBuffers();
        progress.Update(static_cast<int64_t>(i + 1));
    }
    progress.Finish();
    return ok;
}

int RunCapture(int argc, char** argv)
{
    InstallInterruptHandlers();
    CaptureOptions options;
    if (const int code = ParseCaptureOptions(argc, argv, &options); code >= 0)
        return code;
    // A run with nothing to write is refused before any output folder is made.
    const int endTime = static_cast<int>(std::ceil(ComputeEndTime(TimelineTracks[0])));
    const Schedule schedule = MakeSchedule(options, endTime);
    for (const std::string& note : schedule.notes)
        std::fprintf(stderr, "%s: %s\n", Tool.name, note.c_str());
    if (options.Draws() && schedule.png.empty() && schedule.video.empty() && !options.drawOnly)
        return Failure(Tool, "no frame to write");
    if (!options.audio.empty() && schedule.soundEnd <= schedule.soundFirst)
        return Failure(Tool, "no sound to write");
    std::string error;
    if (!CheckOutputs(options, &error))
        return Failure(Tool, error);

    // The sound alone needs no drawing.
    if (!options.audio.empty() && !WriteSoundFile(options.audio, schedule.soundFirst, schedule.soundEnd, &error))
        return Failure(Tool, error);
    if (!options.Draws())
        return 0;

    const int drawnWidth = options.width * options.supersample;
    const int drawnHeight = options.height * options.supersample;
    if (!StartDrawing(drawnWidth, drawnHeight, &error))
        return Failure(Tool, error);

    FrameWriterSetup setup;
    setup.drawnWidth = drawnWidth;
    setup.drawnHeight = drawnHeight;
    setup.width = options.width;
    setup.height = options.height;
    setup.pngDir = options.outDir;
    setup.thumbnails = !options.contactSheet.empty();
    setup.fps = options.fps;
    setup.soundFirst = schedule.soundFirst;
    setup.soundEnd = schedule.soundEnd;
    std::unique_ptr<VideoFile> video;
    Soundtrack videoSound;
    if (options.videoFormat) {
        VideoSettings settings;
        settings.pictureWidth = options.width;
        settings.pictureHeight = options.height;
        PaddedSize(options, &settings.frameWidth, &settings.frameHeight);
        settings.fps = options.fps;
        settings.crf = options.crf;
        settings.soundRate = SOUNDTRACK_RATE;
        video = std::make_unique<VideoFile>(options.video, *options.videoFormat, settings);
        if (!video->Open())
            return Failure(Tool, video->Error());
        if (!videoSound.Start())
            return Failure(Tool, "cannot load the demo's module");
        videoSound.Skip(schedule.soundFirst);
        setup.video = video.get();
        setup.sound = &videoSound;
    }

    bool ok = true;
    std::vector<Thumbnail> thumbnails;
    {
        FrameWriter writer(setup);
        ok = DrawAndWrite(options, schedule, writer, drawnWidth, drawnHeight);
        ok = writer.Finish() && ok;
        error = writer.Error();
        thumbnails = std::move(writer.Thumbnails());
    }
    if (ok && !options.contactSheet.empty() &&
        !WriteContactSheet(options.contactSheet, thumbnails, ThumbnailHeight(options.width, options.height), &error))
        ok = false;
    // The music was never started; the window goes the ordinary way.
    DestroyMainWindow();
    return ok ? 0 : Failure(Tool, error);
}

} // namespace

int main(int argc, char** argv)
{
    return RunTool(Tool, RunCapture, argc, argv);
}
