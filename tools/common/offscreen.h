// The demo's own window and start-up on SDL's offscreen video driver, for the tools,
// tests and benchmarks that draw without a screen.
#pragma once

// Opens the demo's window (width x height) on the offscreen driver, unless
// SDL_VIDEODRIVER names another, and runs StartEngine. Only the first call does
// the work; later calls return its result. False when no GL context can be had.
bool StartDemoOffscreen(int width = 640, int height = 480);
