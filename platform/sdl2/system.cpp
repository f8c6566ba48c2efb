// Clock, sleep and threads for the SDL2 backend.
#include "platform/driver.h"

#include <SDL.h>

#include <chrono>
#include <new>
#include <system_error>
#include <thread>

namespace {

// Read once at start-up, so that the clock counts from the start of the process.
const std::chrono::steady_clock::time_point ProcessStart = std::chrono::steady_clock::now();

} // namespace

struct PlatformThread {
    std::thread thread;
};

int64_t PlatformMilliseconds()
{
    const auto elapsed = std::chrono::steady_clock::now() - ProcessStart;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void PlatformSleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {

PlatformThread* StartTimeCriticalThread(PlatformThreadProc proc, void* parameter)
{
    auto* handle = new (std::nothrow) PlatformThread;
    if (!handle)
        return nullptr;
    try {
        handle->thread = std::thread([proc, parameter] {
            // Raising the priority needs privileges most users lack; the thread then
            // runs at normal priority, which the two-second ring absorbs.
            SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
            proc(parameter);
        });
    } catch (const std::system_error&) {
        // No thread (resources or a limit): the caller reports it.
        delete handle;
        return nullptr;
    }
    return handle;
}

void ForgetThread(PlatformThread* thread)
{
    if (!thread)
        return;
    if (thread->thread.joinable())
        thread->thread.join();
    delete thread;
}

} // namespace

const ThreadDriver BackendThreads = { .startTimeCritical = StartTimeCriticalThread, .forget = ForgetThread };
