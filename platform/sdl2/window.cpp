// The SDL2 backend of the window, its GL context, message boxes and events.
//
// SDL has fewer steps than the Win32 sequence the shell walks through: there is no
// window class, no device context and no pixel format apart from the window. The
// steps that have a counterpart map onto it (video start-up, the GL attributes, the
// window, the context) so that each SDL failure is reported with the message of its
// step; the others are left to their defaults (driver.h).
#include "platform/backend_common.h"
#include "platform/driver.h"
#include "platform/gl.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

SDL_Window* Window = nullptr;
SDL_GLContext Context = nullptr;
bool VideoStarted = false;
bool ModeSwitched = false;
Uint32 QuitEventType = static_cast<Uint32>(-1);

Uint32 BoxFlags(PlatformIcon icon)
{
    switch (icon) {
    case ICON_STOP:
        return SDL_MESSAGEBOX_ERROR;
    case ICON_EXCLAMATION:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

// SDL key codes to the Windows virtual-key codes the demo's key table is indexed
// by. Keys without a counterpart map to 0.
int VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return 0x70 + (key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE: return VKEY_ESCAPE;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN: return 0x0D;
    case SDLK_SPACE: return 0x20;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    default: return 0;
    }
}

bool IsMinimised()
{
    return Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_MINIMIZED) != 0;
}

// Without a display SDL falls back to drivers that draw nowhere; the demo would
// then run unseen with its music playing. Those drivers serve only who names them
// in SDL_VIDEODRIVER (the capture tool and the tests do).
bool IsVisibleDriverOrAskedFor(const char* driver)
{
    if (driver == nullptr)
        return false;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0 &&
        std::strcmp(driver, "evdev") != 0)
        return true;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    return asked != nullptr && std::strstr(asked, driver) != nullptr;
}

// SDL's offscreen driver draws into an EGL pbuffer, whose swap shows nothing and so
// neither flushes nor waits. Mesa's software renderer then queues frame after frame,
// each holding its binned vertices and state until it is rasterised, and memory grows
// with every frame drawn. A window's swap waits until the frame is on the screen;
// the same wait keeps memory flat here.
bool SwapWaits = false;   // the offscreen driver: each swap waits for the frame

void SetGlAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (DRAWS_THROUGH_GL_LAYER) {
        // The fixed-function layer draws on OpenGL ES 3.0, as it does on WebGL 2.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    }
}

// Software GL (llvmpipe) allocates and frees blocks of a few kilobytes for every
// draw. With glibc's defaults a free at the top of the heap gives the memory back to
// the kernel, and the next draw faults the pages in again: in the busiest scene that
// was a tenth of the frame. The freed memory is kept for the next allocation instead,
// and blocks up to 32 MiB come from the heap rather than from a mapping of their own.
void KeepFreedHeap()
{
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

PlatformAnswer AskYesNo(const char* text, const char* caption, PlatformIcon icon)
{
    const SDL_MessageBoxButtonData buttons[] = {
        { SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ANSWER_NO, "No" },
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, ANSWER_YES, "Yes" },
    };
    SDL_MessageBoxData box = {};
    box.flags = BoxFlags(icon);
    box.title = caption;
    box.message = text;
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        std::fprintf(stderr, "quorvantile: could not ask \"%s\": %s\n", text, SDL_GetError());
        return ANSWER_OTHER;
    }
    if (pressed == ANSWER_YES)
        return ANSWER_YES;
    if (pressed == ANSWER_NO)
        return ANSWER_NO;
    return ANSWER_OTHER;
}

void ShowMessage(const char* text, const char* caption, PlatformIcon icon)
{
    // Where no box can be shown the message still reaches whoever started us.
    if (SDL_ShowSimpleMessageBox(BoxFlags(icon), caption, text, nullptr) != 0)
        std::fprintf(stderr, "quorvantile: %s: %s\n", caption, text);
}

bool RegisterWindowClass()
{
    if (!VideoStarted) {
        // The window's close button is a message to the demo, not a quit of its own.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        if (!IsVisibleDriverOrAskedFor(SDL_GetCurrentVideoDriver())) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        VideoStarted = true;
        QuitEventType = SDL_RegisterEvents(1);
    }
    // The GL attributes decide the window's visual, so they are set before any window.
    SetGlAttributes();
    return true;
}

bool SwitchDisplayMode(int width, int height, int colourBits)
{
    (void)colourBits;   // SDL picks the display's own format at that size
    SDL_DisplayMode wanted = {};
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest;
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest) || closest.w != width || closest.h != height)
        return false;

    // SDL switches the mode when a full-screen window is shown, so the window is
    // made here; PlatformCreateWindow then takes it over.
    Window = SDL_CreateWindow("", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN);
    if (!Window)
        return false;
    SDL_SetWindowDisplayMode(Window, &closest);
    SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN);
    SDL_PumpEvents();

    // Some servers keep the desktop mode without saying so: only a display that
    // really is width x height counts as switched.
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(Window), &current) != 0 ||
        current.w != width || current.h != height) {
        SDL_DestroyWindow(Window);
        Window = nullptr;
        return false;
    }
    ModeSwitched = true;
    return true;
}

bool CreateWindow(const char* title, int width, int height, bool fullscreen)
{
    if (fullscreen && Window) {
        SDL_SetWindowTitle(Window, title);
        return true;
    }
    Window = SDL_CreateWindow(title, 0, 0, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    return Window != nullptr;
}

bool GetDeviceContext()
{
    return Window != nullptr;   // the window is its own drawable
}

bool ChoosePixelFormat(int colourBits)
{
    (void)colourBits;
    SetGlAttributes();
    return true;
}

bool CreateContext()
{
    KeepFreedHeap();
    Context = SDL_GL_CreateContext(Window);
    return Context != nullptr;
}

bool MakeContextCurrent()
{
    if (SDL_GL_MakeCurrent(Window, Context) != 0)
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    SwapWaits = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(Window, &width, &height);
    return StartGlLayer(width, height);
}

void ShowWindow()
{
    SDL_ShowWindow(Window);
    SDL_RaiseWindow(Window);
}

void ShowCursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void RestoreDisplayMode()
{
    if (ModeSwitched && Window)
        SDL_SetWindowFullscreen(Window, 0);
    ModeSwitched = false;
}

bool HasContext()
{
    return Context != nullptr;
}

bool ReleaseCurrentContext()
{
    StopGlLayer();
    return SDL_GL_MakeCurrent(Window, nullptr) == 0;
}

bool DeleteContext()
{
    SwapWaits = false;
    SDL_GL_DeleteContext(Context);
    Context = nullptr;
    return true;
}

bool HasWindow()
{
    return Window != nullptr;
}

bool DestroyWindow()
{
    SDL_DestroyWindow(Window);
    Window = nullptr;
    return true;
}

bool UnregisterWindowClass()
{
    if (VideoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    VideoStarted = false;
    return true;
}

void SwapBuffers()
{
    if (!Window)
        return;
    PresentGlLayer();
    SDL_GL_SwapWindow(Window);
    if (SwapWaits)
        glFinish();
}

bool PeekMessage(PlatformMessage* message)
{
    SDL_Event event;
    if (!SDL_PollEvent(&event))
        return false;

    *message = PlatformMessage{};
    if (event.type == QuitEventType) {
        message->kind = MESSAGE_QUIT;
        message->code = event.user.code;
        return true;
    }
    switch (event.type) {
    case SDL_QUIT:
        // An interrupt from the terminal, or the session ending: treated as a close.
        message->kind = MESSAGE_CLOSE;
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            message->kind = MESSAGE_ACTIVATE;
            message->minimised = IsMinimised();
            break;
        case SDL_WINDOWEVENT_CLOSE:
            message->kind = MESSAGE_CLOSE;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message->kind = MESSAGE_SIZE;
            SDL_GL_GetDrawableSize(Window, &message->width, &message->height);
            ResizeGlLayer(message->width, message->height);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        message->kind = event.type == SDL_KEYDOWN ? MESSAGE_KEYDOWN : MESSAGE_KEYUP;
        message->code = VirtualKey(event.key.keysym.sym);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT)
            message->kind = MESSAGE_LBUTTONDOWN;
        break;
    default:
        break;
    }
    return true;
}

void PostQuit(int code)
{
    SDL_Event event = {};
    event.type = QuitEventType;
    event.user.code = code;
    SDL_PushEvent(&event);
}

// A full-screen mode would outlive the process on some servers.
void EndProcess(int)
{
    RestoreDisplayMode();
}

} // namespace

// The pixel format is fixed when the window is made, and the window is its own
// device context: those steps are the defaults.
const WindowDriver BackendWindow = {
    .askYesNo = AskYesNo, .showMessage = ShowMessage, .registerWindowClass = RegisterWindowClass,
    .switchDisplayMode = SwitchDisplayMode, .createWindow = CreateWindow, .getDeviceContext = GetDeviceContext,
    .choosePixelFormat = ChoosePixelFormat, .createContext = CreateContext,
    .makeContextCurrent = MakeContextCurrent, .showWindow = ShowWindow, .showCursor = ShowCursor,
    .restoreDisplayMode = RestoreDisplayMode, .hasContext = HasContext,
    .releaseCurrentContext = ReleaseCurrentContext, .deleteContext = DeleteContext, .hasWindow = HasWindow,
    .destroyWindow = DestroyWindow, .unregisterWindowClass = UnregisterWindowClass, .swapBuffers = SwapBuffers,
    .endProcess = EndProcess, .peekMessage = PeekMessage, .postQuit = PostQuit,
};
