// Clock, sleep and threads for the browser backend. The page's module runs on the
// page's main thread alone: the music, the one thing the demo gives a thread of its
// own, is mixed by the audio device itself on the browser's audio thread
// (platform/web/audio.cpp), so no thread is ever started here.
#include "platform/driver.h"

#include <emscripten.h>

namespace {

// Read once at start-up, so that the clock counts from the start of the page's module.
const double ModuleStart = emscripten_get_now();

} // namespace

int64_t PlatformMilliseconds()
{
    return static_cast<int64_t>(emscripten_get_now() - ModuleStart);
}

// The main thread may not block: a sleep there waits actively.
void PlatformSleep(int milliseconds)
{
    const double until = emscripten_get_now() + milliseconds;
    while (emscripten_get_now() < until) {
    }
}

// The page has no threads to offer (they would need memory shared with workers,
// which browsers allow only in cross-origin isolated pages).
const ThreadDriver BackendThreads = {};
