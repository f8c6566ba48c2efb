// platform.h's functions, defined once: each calls its backend's slot (driver.h) or,
// where the backend has no such step, does the step's default.
#include "platform/driver.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

PlatformMessageHandler MessageHandler = nullptr;

// The slot's result, or `otherwise` for an empty slot.
template <typename R, typename... Parameters, typename... Arguments>
R Call(R (*slot)(Parameters...), R otherwise, Arguments... arguments)
{
    return slot ? slot(arguments...) : otherwise;
}

// The slot, where there is one.
template <typename... Parameters, typename... Arguments>
void Call(void (*slot)(Parameters...), Arguments... arguments)
{
    if (slot)
        slot(arguments...);
}

const WindowDriver& Window = BackendWindow;
const AudioDriver& Audio = BackendAudio;
const ThreadDriver& Threads = BackendThreads;

} // namespace

PlatformMessageHandler CurrentMessageHandler()
{
    return MessageHandler;
}

// ---- Message boxes --------------------------------------------------------------

PlatformAnswer PlatformAskYesNo(const char* text, const char* caption, PlatformIcon icon)
{
    return Call(Window.askYesNo, ANSWER_OTHER, text, caption, icon);
}

void PlatformShowMessage(const char* text, const char* caption, PlatformIcon icon)
{
    if (Window.showMessage) {
        Window.showMessage(text, caption, icon);
        return;
    }
    // No formatted output: the program links no printf engine.
    for (const char* part : { "quorvantile: ", caption, ": ", text, "\n" })
        std::fputs(part, stderr);
}

// ---- The window and its GL context ----------------------------------------------

bool PlatformRegisterWindowClass() { return Call(Window.registerWindowClass, true); }
bool PlatformSwitchDisplayMode(int width, int height, int colourBits)
{
    return Call(Window.switchDisplayMode, false, width, height, colourBits);
}
bool PlatformCreateWindow(const char* title, int width, int height, bool fullscreen)
{
    return Call(Window.createWindow, true, title, width, height, fullscreen);
}
bool PlatformGetDeviceContext() { return Call(Window.getDeviceContext, true); }
bool PlatformChoosePixelFormat(int colourBits) { return Call(Window.choosePixelFormat, true, colourBits); }
bool PlatformSetPixelFormat() { return Call(Window.setPixelFormat, true); }
bool PlatformCreateContext() { return Call(Window.createContext, true); }
bool PlatformMakeContextCurrent() { return Call(Window.makeContextCurrent, true); }
void PlatformShowWindow() { Call(Window.showWindow); }
void PlatformShowCursor(bool show) { Call(Window.showCursor, show); }

void PlatformRestoreDisplayMode() { Call(Window.restoreDisplayMode); }
bool PlatformHasContext() { return Call(Window.hasContext, false); }
bool PlatformReleaseCurrentContext() { return Call(Window.releaseCurrentContext, true); }
bool PlatformDeleteContext() { return Call(Window.deleteContext, true); }
bool PlatformHasDeviceContext() { return Call(Window.hasDeviceContext, false); }
bool PlatformReleaseDeviceContext() { return Call(Window.releaseDeviceContext, true); }
bool PlatformHasWindow() { return Call(Window.hasWindow, false); }
bool PlatformDestroyWindow() { return Call(Window.destroyWindow, true); }
bool PlatformUnregisterWindowClass() { return Call(Window.unregisterWindowClass, true); }

void PlatformSwapBuffers() { Call(Window.swapBuffers); }

[[noreturn]] void PlatformEndProcess(int code)
{
    Call(Window.endProcess, code);
    std::fflush(nullptr);
    std::_Exit(code);
}

// ---- Events ----------------------------------------------------------------------

void PlatformSetMessageHandler(PlatformMessageHandler handler)
{
    MessageHandler = handler;
}

bool PlatformPeekMessage(PlatformMessage* message) { return Call(Window.peekMessage, false, message); }

void PlatformDispatchMessage(const PlatformMessage& message)
{
    if (Window.dispatchMessage)
        Window.dispatchMessage(message);
    else if (MessageHandler)
        MessageHandler(message);
}

void PlatformPostQuit(int code) { Window.postQuit(code); }

// ---- Threads ---------------------------------------------------------------------

PlatformThread* PlatformStartTimeCriticalThread(PlatformThreadProc proc, void* parameter)
{
    return Call(Threads.startTimeCritical, static_cast<PlatformThread*>(nullptr), proc, parameter);
}

void PlatformForgetThread(PlatformThread* thread) { Call(Threads.forget, thread); }

// ---- Audio device ------------------------------------------------------------------

bool PlatformAudioOpen(int rate) { return Call(Audio.open, false, rate); }
const char* PlatformAudioError() { return Call(Audio.error, ""); }
void PlatformAudioPrepare(int16_t* ring, uint32_t frames) { Call(Audio.prepare, ring, frames); }
void PlatformAudioStart() { Call(Audio.start); }
uint32_t PlatformAudioFramesPlayed() { return Call(Audio.framesPlayed, uint32_t{ 0 }); }
void PlatformAudioUnprepare() { Call(Audio.unprepare); }
void PlatformAudioReset() { Call(Audio.reset); }
void PlatformAudioClose() { Call(Audio.close); }
