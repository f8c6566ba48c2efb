// The browser backend of the window, its GL context, message boxes and events, on
// emscripten's html5 API. The window is the page's canvas (#canvas) and its context
// is WebGL 2, which the fixed-function layer draws on. The page itself
// (app/web/index.html) lays the canvas out, asks the start-up question, asks
// for full screen inside the click and shows messages; the calls into it are in
// platform/web/library.js.
//
// The canvas draws at the size the page asks for (its displayed size times
// devicePixelRatio, 4:3, or the size fixed by ?size=WxH), within the GL limits. When
// that size changes (the browser window resized, full screen, another screen's
// density), the canvas and the layer's back buffer take it and a MESSAGE_SIZE goes
// to the window procedure, as a native window reports its resize.
//
// The window's steps that a canvas has map onto it; it has no window class, device
// context or pixel format (driver.h's defaults stand for those).
#include "platform/driver.h"

#include "platform/backend_common.h"
#include "platform/gles/fixed_function.h"

#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <deque>

extern "C" {
// platform/web/library.js
int WebAskYesNo(const char* text, const char* caption);
void WebShowMessage(const char* text, const char* caption, int icon);
int WebFullscreenRequested();
void WebLeaveFullscreen();
void WebShowCanvas();
void WebShowCursor(int show);
void WebEnded(int code);
void WebDrawingSize(int* width, int* height);
}

namespace {

constexpr const char* CANVAS = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE Context = 0;
bool Listening = false;            // the canvas's event callbacks are registered
bool WasFullscreen = false;
std::deque<PlatformMessage> Queue;
int DrawingWidth = 0;              // the canvas's size in pixels, as last set
int DrawingHeight = 0;

void Post(const PlatformMessage& message)
{
    Queue.push_back(message);
}

// KeyboardEvent.keyCode is the Windows virtual-key code for the keys the demo knows.
EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void*)
{
    PlatformMessage message;
    message.kind = type == EMSCRIPTEN_EVENT_KEYDOWN ? MESSAGE_KEYDOWN : MESSAGE_KEYUP;
    message.code = static_cast<intptr_t>(event->keyCode & 0xFF);
    Post(message);
    return event->keyCode == VKEY_ESCAPE;
}

// A hidden page is the browser's minimised window: no frames are drawn.
EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*)
{
    PlatformMessage message;
    message.kind = MESSAGE_ACTIVATE;
    message.minimised = event->hidden != 0;
    Post(message);
    return EM_FALSE;
}

// The browser leaves full screen on Escape and keeps that key to itself; leaving it
// counts as the Escape the demo would have seen.
EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*)
{
    if (WasFullscreen && !event->isFullscreen) {
        PlatformMessage message;
        message.kind = MESSAGE_KEYDOWN;
        message.code = VKEY_ESCAPE;
        Post(message);
    }
    WasFullscreen = event->isFullscreen != 0;
    return EM_FALSE;
}

// The largest drawing size the context takes in both directions: a size beyond it
// is scaled down, its shape kept.
void FitGlLimits(int* width, int* height)
{
    GLint viewport[2] = { 0, 0 };
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    const double scale = std::min({ 1.0, double(std::min(viewport[0], renderbuffer)) / *width,
                                    double(std::min(viewport[1], renderbuffer)) / *height });
    if (scale < 1.0) {
        *width = std::max(1, static_cast<int>(*width * scale));
        *height = std::max(1, static_cast<int>(*height * scale));
    }
}

// The size the page asks for, within the GL limits once there is a context.
void WantedDrawingSize(int* width, int* height)
{
    WebDrawingSize(width, height);
    *width = std::max(*width, 1);
    *height = std::max(*height, 1);
    if (Context > 0)
        FitGlLimits(width, height);
}

bool SetDrawingSize(int width, int height)
{
    if (emscripten_set_canvas_element_size(CANVAS, width, height) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    DrawingWidth = width;
    DrawingHeight = height;
    return true;
}

void Listen(bool on)
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on ? OnKey : nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on ? OnKey : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on ? OnVisibility : nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE,
                                             on ? OnFullscreenChange : nullptr);
    Listening = on;
}

} // namespace

// The page's left mouse button on the canvas (app/web/index.html): a touch or a
// pen never reaches here, so a tap does not end a full-screen run.
extern "C" EMSCRIPTEN_KEEPALIVE void WebLeftButtonDown()
{
    if (!Listening)
        return;
    PlatformMessage message;
    message.kind = MESSAGE_LBUTTONDOWN;
    Post(message);
}

namespace {

PlatformAnswer AskYesNo(const char* text, const char* caption, PlatformIcon)
{
    return WebAskYesNo(text, caption) ? ANSWER_YES : ANSWER_NO;
}

void ShowMessage(const char* text, const char* caption, PlatformIcon icon)
{
    WebShowMessage(text, caption, static_cast<int>(icon));
}

// The page asked for full screen inside the click that answered the question (the
// browser allows it nowhere else), and asks for a full-screen run only when it did. A
// refusal comes later and leaves the canvas in the page (WebWindowed), with no
// further question: the page knows why, and no video card is to blame.
bool SwitchDisplayMode(int, int, int)
{
    WasFullscreen = WebFullscreenRequested() != 0;
    return true;
}

// The canvas starts at the size asked for; the page's own size follows as a resize
// before the first frame.
bool CreateWindow(const char*, int width, int height, bool)
{
    if (!SetDrawingSize(width, height))
        return false;
    Listen(true);
    return true;
}

// An opaque canvas without depth or multisampling: the layer draws into its own
// back buffer, which has the depth, and copies it here for each frame.
bool CreateContext()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = EM_FALSE;
    Context = emscripten_webgl_create_context(CANVAS, &attributes);
    return Context > 0;
}

bool MakeContextCurrent()
{
    if (emscripten_webgl_make_context_current(Context) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    return StartGlLayer(DrawingWidth, DrawingHeight);
}

void ShowWindow()
{
    WebShowCanvas();
}

void ShowCursor(bool show)
{
    WebShowCursor(show ? 1 : 0);
}

void RestoreDisplayMode()
{
    WasFullscreen = false;
    WebLeaveFullscreen();
}

bool HasContext()
{
    return Context > 0;
}

bool ReleaseCurrentContext()
{
    StopGlLayer();
    return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
}

bool DeleteContext()
{
    const bool ok = emscripten_webgl_destroy_context(Context) == EMSCRIPTEN_RESULT_SUCCESS;
    Context = 0;
    return ok;
}

bool HasWindow()
{
    return Listening;
}

bool DestroyWindow()
{
    Listen(false);
    return true;
}

// The browser shows what the canvas holds once the animation-frame callback returns.
void SwapBuffers()
{
    if (Context > 0)
        PresentGlLayer();
}

// Once the queue has run dry, the canvas's wanted size is looked at (once a frame,
// as the shell empties the queue before each frame): a new one is set and reported
// as the window's new client size.
bool PeekMessage(PlatformMessage* message)
{
    if (Queue.empty() && Context > 0) {
        int width = 0, height = 0;
        WantedDrawingSize(&width, &height);
        if ((width != DrawingWidth || height != DrawingHeight) && SetDrawingSize(width, height)) {
            ResizeGlLayer(width, height);
            PlatformMessage resized;
            resized.kind = MESSAGE_SIZE;
            resized.width = width;
            resized.height = height;
            Post(resized);
        }
    }
    if (Queue.empty())
        return false;
    *message = Queue.front();
    Queue.pop_front();
    return true;
}

void PostQuit(int code)
{
    PlatformMessage message;
    message.kind = MESSAGE_QUIT;
    message.code = code;
    Post(message);
}

// There is no process to end: the page stops the sound, keeps the
// last frame on the canvas, dimmed, and offers to play again. Unwinding returns to
// the browser without running anything of the frame that called this.
void EndProcess(int code)
{
    std::fflush(nullptr);
    WebEnded(code);
    emscripten_unwind_to_js_event_loop();
}

} // namespace

// The pixel format is the context's attributes, chosen when it is made.
const WindowDriver BackendWindow = {
    .askYesNo = AskYesNo, .showMessage = ShowMessage, .switchDisplayMode = SwitchDisplayMode,
    .createWindow = CreateWindow, .createContext = CreateContext, .makeContextCurrent = MakeContextCurrent,
    .showWindow = ShowWindow, .showCursor = ShowCursor, .restoreDisplayMode = RestoreDisplayMode,
    .hasContext = HasContext, .releaseCurrentContext = ReleaseCurrentContext, .deleteContext = DeleteContext,
    .hasWindow = HasWindow, .destroyWindow = DestroyWindow, .swapBuffers = SwapBuffers,
    .endProcess = EndProcess, .peekMessage = PeekMessage, .postQuit = PostQuit,
};
