// The narrow interface between the portable demo and the operating system: message
// boxes, the one window with its GL context, the event pump, the wall clock, the
// audio device and threads. The build links one backend (platform/win32,
// platform/sdl2, platform/web). Its window, audio and thread steps are slots of its
// drivers (driver.h), and platform.cpp gives each step its default where a backend
// has no such step; the clock and sleep each backend defines itself.
//
// The window functions are the steps of the window's creation and teardown, one
// function per step, so that the shell can report each failure with its own text
// and keep the order of the steps in one place.
#pragma once

#include <cstdint>

// ---- The program ---------------------------------------------------------------------

// The process's exit code: 0 when the run ended as the timeline or the user asked
// (the end time, a close, Escape, a declined fall-back to a window), otherwise the
// start-up step that failed, each with its message.
enum ExitCode : int {
    EXIT_DONE = 0,
    EXIT_NO_MEMORY = 1,            // "Not Enough Memory."
    EXIT_NO_DISPLAY_LIST = 2,      // "Can't Create A Display List."
    EXIT_NO_TEXTURE_NAME = 3,      // "Can't Create A Texture."
    EXIT_NO_SOUND = 4,             // "Sound init failed." (no audio device)
    EXIT_NO_MUSIC_THREAD = 5,      // "Sound init failed." (no thread for the music)
    EXIT_NO_WINDOW_CLASS = 10,     // "Failed To Register The Window Class." (also: no display)
    EXIT_NO_WINDOW = 11,           // "Window Creation Error."
    EXIT_NO_DEVICE_CONTEXT = 12,   // "Can't Create A GL Device Context."
    EXIT_NO_PIXEL_FORMAT = 13,     // "Can't Find A Suitable PixelFormat."
    EXIT_PIXEL_FORMAT_REFUSED = 14,   // "Can't Set The PixelFormat."
    EXIT_NO_GL_CONTEXT = 15,       // "Can't Create A GL Rendering Context."
    EXIT_GL_CONTEXT_INACTIVE = 16, // "Can't Activate The GL Rendering Context."
    EXIT_UNEXPECTED = 20,          // anything else that stopped the start-up or a frame
};

// ---- Message boxes --------------------------------------------------------------

enum PlatformIcon : int {
    ICON_QUESTION,
    ICON_INFORMATION,
    ICON_EXCLAMATION,
    ICON_STOP,
};

enum PlatformAnswer : int {
    ANSWER_YES,
    ANSWER_NO,
    ANSWER_OTHER,   // the box could not be shown, or was dismissed some other way
};

// A box with Yes and No buttons and no owner window.
PlatformAnswer PlatformAskYesNo(const char* text, const char* caption, PlatformIcon icon);

// A box with an OK button, owned by no window.
void PlatformShowMessage(const char* text, const char* caption, PlatformIcon icon);

// ---- The window and its GL context, step by step ---------------------------------

// Registers the window class (Win32) or starts the video subsystem (SDL).
bool PlatformRegisterWindowClass();
// Switches the display to width x height x colourBits for the whole run. False when
// the mode is not available, or when the display ended up in some other mode.
bool PlatformSwitchDisplayMode(int width, int height, int colourBits);
// Creates the window with a client area of width x height, undecorated and covering
// the screen when fullscreen is true; not yet shown.
bool PlatformCreateWindow(const char* title, int width, int height, bool fullscreen);
bool PlatformGetDeviceContext();
// Picks a pixel format: RGBA, colourBits of colour, 16-bit depth, double buffered.
bool PlatformChoosePixelFormat(int colourBits);
bool PlatformSetPixelFormat();
bool PlatformCreateContext();
bool PlatformMakeContextCurrent();
// Shows the window and gives it the foreground and the keyboard focus.
void PlatformShowWindow();
void PlatformShowCursor(bool show);

// Teardown, in the order the shell calls them. Each is a no-op returning true when
// the object it releases does not exist.
void PlatformRestoreDisplayMode();
bool PlatformHasContext();
bool PlatformReleaseCurrentContext();
bool PlatformDeleteContext();
bool PlatformHasDeviceContext();
bool PlatformReleaseDeviceContext();
bool PlatformHasWindow();
bool PlatformDestroyWindow();
bool PlatformUnregisterWindowClass();

void PlatformSwapBuffers();

// Ends the process at once with the given exit code, without any teardown of the
// demo's own and without running static destructors (other threads may still be
// running). A display mode switched for full screen does not outlive the process.
[[noreturn]] void PlatformEndProcess(int code);
// A start-up step that cannot go on: text in an "ERROR" box (or on stderr where no box
// can be shown), then PlatformEndProcess(code).
[[noreturn]] void PlatformFailStartUp(const char* text, int code);

// ---- Events ------------------------------------------------------------------------

enum PlatformMessageKind : int {
    MESSAGE_QUIT,          // posted by PlatformPostQuit; code = its exit code
    MESSAGE_ACTIVATE,      // minimised says whether the window is now minimised
    MESSAGE_SYSCOMMAND,    // code = the system command (screen saver, monitor power, ...)
    MESSAGE_CLOSE,         // the user asked to close the window
    MESSAGE_KEYDOWN,       // code = Windows virtual-key code, 0..255
    MESSAGE_KEYUP,
    MESSAGE_SIZE,          // width, height = new client size
    MESSAGE_LBUTTONDOWN,
    MESSAGE_OTHER,         // anything else; only the default handling applies
};

struct PlatformMessage {
    PlatformMessageKind kind = MESSAGE_OTHER;
    intptr_t code = 0;
    bool minimised = false;
    int width = 0;
    int height = 0;
};

// What a handler returns for a message it leaves to the system's default handling.
constexpr intptr_t MESSAGE_DEFAULT = INTPTR_MIN;

using PlatformMessageHandler = intptr_t (*)(const PlatformMessage& message);

// The window procedure: every message dispatched to the window goes through it.
void PlatformSetMessageHandler(PlatformMessageHandler handler);
// Takes one message from the queue, without waiting. False when the queue is empty.
bool PlatformPeekMessage(PlatformMessage* message);
// Hands a message taken by PlatformPeekMessage to the message handler.
void PlatformDispatchMessage(const PlatformMessage& message);
// Queues MESSAGE_QUIT with the given code.
void PlatformPostQuit(int code);

// Windows virtual-key codes that the demo reads.
constexpr int VKEY_ESCAPE = 0x1B;

// ---- Clock and threads -------------------------------------------------------------

// Milliseconds of wall-clock time since the process started.
int64_t PlatformMilliseconds();
void PlatformSleep(int milliseconds);

struct PlatformThread;
using PlatformThreadProc = uint32_t (*)(void* parameter);
// Starts proc(parameter) on a new thread and raises it to time-critical priority
// where the system allows it. Null when no thread could be started.
PlatformThread* PlatformStartTimeCriticalThread(PlatformThreadProc proc, void* parameter);
// Waits for the thread to end, then releases its handle; harmless for null.
void PlatformForgetThread(PlatformThread* thread);

// ---- Audio device: one looping ring of 16-bit stereo frames ------------------------

// Opens the default device for 16-bit signed stereo at rate frames per second.
bool PlatformAudioOpen(int rate);
// Why the last PlatformAudioOpen failed, in the audio system's own words; empty after
// a success or when the system gave no reason.
const char* PlatformAudioError();
// Hands the ring of `frames` frames to the device as one buffer that loops forever
// (not yet playing).
void PlatformAudioPrepare(int16_t* ring, uint32_t frames);
// Starts playing the prepared ring from its first frame.
void PlatformAudioStart();
// Frames played since PlatformAudioStart, as a 32-bit counter that wraps.
uint32_t PlatformAudioFramesPlayed();
// Takes the ring back from the device's bookkeeping; the device may go on looping it.
void PlatformAudioUnprepare();
// Stops playback; the device stays open and no longer reads the ring. Harmless when
// nothing is open.
void PlatformAudioReset();
// Closes the device (after a reset where it was playing); harmless when nothing is open.
void PlatformAudioClose();
