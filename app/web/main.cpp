// The demo's entry points in the browser. The page (app/web/index.html) owns
// the loop: it asks the start-up question, then calls WebStart inside the answer's
// handler and WebFrame from each animation frame. A still for tests and sharing is
// WebPrepareStill, then WebDrawStill for each frame on the fixed step.
#include "engine/engine.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <emscripten.h>

extern "C" {

// platform/web/library.js
void WebDrawingSize(int* width, int* height);

// The window, the engine and the music; 0 when there is no window.
EMSCRIPTEN_KEEPALIVE int WebStart(int fullscreen)
{
    return BeginDemo(fullscreen != 0) ? 1 : 0;
}

// One frame; 0 once the demo has ended by Escape or a quit, after its teardown.
// The end of the demo's time ends it from inside the frame (PlatformEndProcess).
EMSCRIPTEN_KEEPALIVE int WebFrame()
{
    if (StepDemo())
        return 1;
    EndDemo();
    return 0;
}

// The demo clock: centiseconds since its time zero, as the next frame is drawn at.
EMSCRIPTEN_KEEPALIVE double WebClock()
{
    return ElapsedTime();
}

// The demo's time zero on the page's clock (performance.now(), milliseconds), to
// within a millisecond: the music follows it.
EMSCRIPTEN_KEEPALIVE double WebDemoZero()
{
    return emscripten_get_now() - static_cast<double>(PlatformMilliseconds()) + EngineTables.StartTime * 10.0;
}

// The browser refused full screen after all: the canvas stays in the page and the
// demo runs as if No had been the answer.
EMSCRIPTEN_KEEPALIVE void WebWindowed()
{
    if (!Fullscreen)
        return;
    Fullscreen = false;
    PlatformShowCursor(true);
}

// The window at the page's drawing size and the engine, without music or clock, as
// the capture tool starts at its --size.
EMSCRIPTEN_KEEPALIVE int WebPrepareStill()
{
    int width = 0, height = 0;
    WebDrawingSize(&width, &height);
    if (!CreateMainWindow(WindowTitle, width, height, 32, false))
        return 0;
    StartEngine();
    return 1;
}

// The end of the demo's time, centiseconds; no frame is drawn there or later.
EMSCRIPTEN_KEEPALIVE float WebEndTime()
{
    return EngineTables.EndTime;
}

// Frame t (centiseconds) of a still's fixed step, drawn and shown; the page keeps
// t before the end.
EMSCRIPTEN_KEEPALIVE void WebDrawStill(float t)
{
    DrawFrame(t);
    PlatformSwapBuffers();
}

// Waits until the GL work so far is done, for timing frames. WebGL's glFinish may
// return at once; reading a pixel back cannot.
EMSCRIPTEN_KEEPALIVE void WebFinish()
{
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

} // extern "C"

int main()
{
    return 0;
}
