// The demo's run: the start-up question, the window, the engine and the music, then the
// message loop and the per-frame driver.
#include "content/content.h"
#include "engine/engine.h"
#include "music/music.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

// With QUORVANTILE_REPORT set in its environment, the demo says on stderr when it took
// its time zero and on which frame it ended, on its own clock (DemoClockNow): what a
// test of the real-time run measures, whatever else the machine is doing.
const bool ReportTimes = std::getenv("QUORVANTILE_REPORT") != nullptr;
float PreviousFrameTime = -1.0f;

} // namespace

void DrawFrame(float t)
{
    if (t >= EngineTables.EndTime) {
        if (ReportTimes)
            std::fprintf(stderr, "quorvantile: ended at clock %d on the frame at %d after the frame at %d\n",
                         static_cast<int>(DemoClockNow()), static_cast<int>(t), static_cast<int>(PreviousFrameTime));
        // The end of the demo: no teardown, no further frame. The music thread is
        // still mixing, so the process ends without running static destructors
        // under its feet.
        PlatformEndProcess(0);
    }
    PreviousFrameTime = t;

    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // From here on every view draws inside its own scissor box.
    glEnable(GL_SCISSOR_TEST);
    BakeFontAtlasOnce();
    // Later tracks draw over earlier ones; depth is shared and not cleared between them.
    for (const TimelineEntry* track : TimelineTracks)
        DrawTrack(track, t);
}

namespace {

int LoopExitCode = EXIT_DONE;   // of the quit message that ended the loop

int RunWindowAndLoop()
{
    const bool fullscreen = PlatformAskYesNo("Are you fullscreen ?", WindowTitle, ICON_QUESTION) != ANSWER_NO;
    if (!BeginDemo(fullscreen))
        return WindowExitCode;
    while (StepDemo()) {
    }
    return EndDemo();
}

} // namespace

bool BeginDemo(bool fullscreen)
{
    if (!CreateMainWindow(WindowTitle, 640, 480, 32, fullscreen))
        return false;
    StartEngine();
    EngineTables.StartTime = DemoClockNow();
    if (ReportTimes)
        std::fprintf(stderr, "quorvantile: time zero at clock %d\n", static_cast<int>(EngineTables.StartTime));
    StartMusic();
    LoopExitCode = EXIT_DONE;
    return true;
}

bool StepDemo()
{
    PlatformMessage message;
    while (PlatformPeekMessage(&message)) {
        if (message.kind == MESSAGE_QUIT) {
            LoopExitCode = static_cast<int>(message.code);
            return false;
        }
        PlatformDispatchMessage(message);
    }
    if (Active)
        DrawFrame(static_cast<float>(ElapsedTime()));
    // Escape ends the loop before the next swap; the exit code is then 0.
    if (KeyDown[VKEY_ESCAPE])
        return false;
    PlatformSwapBuffers();
    return true;
}

int EndDemo()
{
    DestroyMainWindow();
    return LoopExitCode;
}

int RunDemo()
{
    // Nothing of the demo throws by design; what the C++ runtime may throw (memory,
    // threads) ends the run with a message rather than an abort.
    try {
        return RunWindowAndLoop();
    } catch (const std::bad_alloc&) {
        PlatformFailStartUp("Not Enough Memory.", EXIT_NO_MEMORY);
    } catch (const std::exception& error) {
        PlatformFailStartUp(error.what(), EXIT_UNEXPECTED);
    }
}
