// The application shell: the one window and its GL context, the message loop, the
// keyboard state, the demo clock and the per-frame driver.
#pragma once

#include <cstdint>

// The window's title and the caption of the start-up questions.
extern const char* const WindowTitle;

// Shell state, owned by shell/window.cpp.
extern bool Fullscreen;          // full screen requested and in force
extern bool Active;              // false while the window is minimised
extern bool KeyDown[256];        // indexed by Windows virtual-key code
// After CreateMainWindow returned false: the failed step's exit code
// (platform/platform.h), or EXIT_DONE when the user declined the windowed fall-back.
extern int WindowExitCode;

bool CreateMainWindow(const char* title, int width, int height, int colourBits, bool fullscreen);
// Releases everything CreateMainWindow made, in a fixed order; safe after a
// partial creation. Reports each failing step in a "SHUTDOWN ERROR" box.
void DestroyMainWindow();
// The window procedure: activation, close, keys, size, and a click in full screen.
// Returns MESSAGE_DEFAULT for what it leaves to the system.
struct PlatformMessage;
intptr_t MainWindowProc(const PlatformMessage& message);
// glViewport(0, 0, width, height), and records the size as the window's size
// (WindowWidth, WindowHeight in engine/engine.h).
void SetViewport(int width, int height);

// The demo clock: centiseconds of wall-clock time since the process started.
int32_t DemoClockNow();
// Centiseconds since StartTime, as the frame time of the next frame.
uint32_t ElapsedTime();

// Draws the demo at frame time t (centiseconds), baking the font atlas first on the
// first frame; ends the process with exit code 0 once t reaches EndTime.
void DrawFrame(float t);

// The demo's run (main_loop.cpp), in the steps a program's entry point (app/) drives.
// An entry point that owns the loop (main, WinMain) calls RunDemo: the start-up
// question, BeginDemo, StepDemo until it returns false, then EndDemo; its result is
// the process's exit code. Where the system owns the loop (the browser calls back
// once per animation frame) the entry point asks the question its own way and calls
// the three steps itself, one StepDemo per callback.
int RunDemo();
// The window (full screen when asked for), the engine and the music. False when no
// window could be made (its exit code is then WindowExitCode); nothing is left to
// tear down then.
bool BeginDemo(bool fullscreen);
// One pass of the message loop: every pending message, then one frame drawn and
// shown. False once the loop has ended (a quit message, or Escape held).
bool StepDemo();
// The window's teardown and the music's stop; returns the exit code.
int EndDemo();
