// A backend's drivers: the platform steps it really has, as tables of functions in the
// order platform.h declares them. A backend fills the slots it has and leaves the
// others empty; platform.cpp, the one place that defines platform.h's functions, calls
// the slot or, where it is empty, does the step's default (written beside each slot).
// Internal to platform/.
#pragma once

#include "platform/platform.h"

// The window and its GL context, message boxes and events (each backend's window.cpp).
struct WindowDriver {
    PlatformAnswer (*askYesNo)(const char* text, const char* caption, PlatformIcon icon) = nullptr;   // ANSWER_OTHER
    void (*showMessage)(const char* text, const char* caption, PlatformIcon icon) = nullptr;   // on stderr

    // The window's steps in the order the shell takes them (defaults: the step
    // succeeds and there is nothing to release); the display's mode cannot be
    // switched without a slot.
    bool (*registerWindowClass)() = nullptr;
    bool (*switchDisplayMode)(int width, int height, int colourBits) = nullptr;   // false
    bool (*createWindow)(const char* title, int width, int height, bool fullscreen) = nullptr;
    bool (*getDeviceContext)() = nullptr;
    bool (*choosePixelFormat)(int colourBits) = nullptr;
    bool (*setPixelFormat)() = nullptr;
    bool (*createContext)() = nullptr;
    bool (*makeContextCurrent)() = nullptr;
    void (*showWindow)() = nullptr;
    void (*showCursor)(bool show) = nullptr;
    void (*restoreDisplayMode)() = nullptr;
    bool (*hasContext)() = nullptr;      // false
    bool (*releaseCurrentContext)() = nullptr;
    bool (*deleteContext)() = nullptr;
    bool (*hasDeviceContext)() = nullptr;   // false
    bool (*releaseDeviceContext)() = nullptr;
    bool (*hasWindow)() = nullptr;       // false
    bool (*destroyWindow)() = nullptr;
    bool (*unregisterWindowClass)() = nullptr;

    void (*swapBuffers)() = nullptr;
    // What the backend does as the process ends (it may end the run itself); then the
    // process's streams are flushed and it ends without destructors.
    void (*endProcess)(int code) = nullptr;

    // The message queue: the handler is kept by platform.cpp (CurrentMessageHandler);
    // by default a dispatched message goes straight to it.
    bool (*peekMessage)(PlatformMessage* message) = nullptr;   // false: the queue is empty
    void (*dispatchMessage)(const PlatformMessage& message) = nullptr;
    void (*postQuit)(int code) = nullptr;   // required
};

// The audio device: one looping ring of 16-bit stereo frames (each backend's
// audio.cpp). Without slots there is no device: it does not open, and plays nothing.
struct AudioDriver {
    bool (*open)(int rate) = nullptr;                         // false
    const char* (*error)() = nullptr;                         // ""
    void (*prepare)(int16_t* ring, uint32_t frames) = nullptr;
    void (*start)() = nullptr;
    uint32_t (*framesPlayed)() = nullptr;                     // 0
    void (*unprepare)() = nullptr;
    void (*reset)() = nullptr;
    void (*close)() = nullptr;
};

// Threads (each backend's system.cpp; the clock and sleep it defines itself). Without
// slots there are none: no thread starts.
struct ThreadDriver {
    PlatformThread* (*startTimeCritical)(PlatformThreadProc proc, void* parameter) = nullptr;   // null
    void (*forget)(PlatformThread* thread) = nullptr;
};

extern const WindowDriver BackendWindow;
extern const AudioDriver BackendAudio;
extern const ThreadDriver BackendThreads;

// The handler PlatformSetMessageHandler was given, for a backend whose own window
// procedure calls it.
PlatformMessageHandler CurrentMessageHandler();
