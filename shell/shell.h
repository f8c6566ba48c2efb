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

// RunDemo and its steps BeginDemo, StepDemo and EndDemo (platform/platform.h),
// defined in shell/main_loop.cpp: the start-up question, the window, the engine,
// the music, the message loop and the teardown.
