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
#include <initializer_list>

namespace {

// With QUORVANTILE_REPORT set in its environment, the demo says on stderr when it took
// its time zero and on which frame it ended, on its own clock (DemoClockNow): what a
// test of the real-time run measures, whatever else the machine is doing.
const bool ReportTimes = std::getenv("QUORVANTILE_REPORT") != nullptr;
float PreviousFrameTime = -1.0f;

// One line of the report on stderr: the parts, each followed by its number in
// decimal. Written without printf, whose formatting engine the program does not link.
void Report(std::initializer_list<const char*> parts, std::initializer_list<int> numbers)
{
    char line[160];
    size_t at = 0;
    const int* number = numbers.begin();
    for (const char* part : parts) {
        for (; *part && at < sizeof line - 16; ++part)
            line[at++] = *part;
        if (number == numbers.end() || at > sizeof line - 16)
            continue;
        char digits[12];
        int count = 0;
        long long value = *number++;
        const bool negative = value < 0;
        if (negative)
            value = -value;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        if (negative)
            line[at++] = '-';
        while (count > 0)
            line[at++] = digits[--count];
    }
    line[at++] = '\n';
    line[at] = '\0';
    std::fputs(line, stderr);
}

} // namespace

void DrawFrame(float t)
{
    if (t >= EngineTables.EndTime) {
        if (ReportTimes)
            Report({ "quorvantile: ended at clock ", " on the frame at ", " after the frame at " },
                   { static_cast<int>(DemoClockNow()), static_cast<int>(t), static_cast<int>(PreviousFrameTime) });
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
        Report({ "quorvantile: time zero at clock " }, { static_cast<int>(EngineTables.StartTime) });
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
    // Nothing of the demo throws: it is built without exceptions, and running out of
    // memory ends the run with "Not Enough Memory." where the allocation fails
    // (AllocateForever, and the program's operator new in shell/out_of_memory.cpp).
    return RunWindowAndLoop();
}
