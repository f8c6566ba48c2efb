// Clock, sleep and threads for the browser backend. Threads are the runtime's
// pthreads, each a web worker sharing the module's memory. The page's main thread
// may not block, so a sleep or a join there waits actively; only the music's stop
// does either, for the few milliseconds its thread takes to finish.
#include "platform/platform.h"

#include <emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <new>

struct PlatformThread {
    pthread_t thread;
    PlatformThreadProc proc;
    void* parameter;
};

namespace {

// Read once at start-up, so that the clock counts from the start of the page's module.
const double ModuleStart = emscripten_get_now();

void* ThreadStart(void* parameter)
{
    auto* thread = static_cast<PlatformThread*>(parameter);
    thread->proc(thread->parameter);
    return nullptr;
}

} // namespace

int64_t PlatformMilliseconds()
{
    return static_cast<int64_t>(emscripten_get_now() - ModuleStart);
}

void PlatformSleep(int milliseconds)
{
    if (!emscripten_is_main_browser_thread()) {
        usleep(static_cast<useconds_t>(milliseconds) * 1000);
        return;
    }
    const double until = emscripten_get_now() + milliseconds;
    while (emscripten_get_now() < until) {
    }
}

// Workers have no priorities; the audio is safe without one, since the device plays
// a two-second ring on the browser's own audio thread.
PlatformThread* PlatformStartTimeCriticalThread(PlatformThreadProc proc, void* parameter)
{
    auto* handle = new (std::nothrow) PlatformThread{ {}, proc, parameter };
    if (!handle)
        return nullptr;
    if (pthread_create(&handle->thread, nullptr, ThreadStart, handle) != 0) {
        delete handle;
        return nullptr;
    }
    return handle;
}

void PlatformForgetThread(PlatformThread* thread)
{
    if (!thread)
        return;
    if (emscripten_is_main_browser_thread()) {
        while (pthread_tryjoin_np(thread->thread, nullptr) == EBUSY) {
        }
    } else {
        pthread_join(thread->thread, nullptr);
    }
    delete thread;
}
