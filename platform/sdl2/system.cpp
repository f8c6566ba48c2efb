// Clock, sleep and threads for the SDL2 backend.
#include "platform/driver.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Read once at start-up, so that the clock counts from the start of the process.
const std::chrono::steady_clock::time_point ProcessStart = std::chrono::steady_clock::now();

} // namespace

struct PlatformThread {
    SDL_Thread* thread;
    PlatformThreadProc proc;
    void* parameter;
};

namespace {

int ThreadStart(void* parameter)
{
    auto* thread = static_cast<PlatformThread*>(parameter);
    // Raising the priority needs privileges most users lack; the thread then runs at
    // normal priority, which the two-second ring absorbs.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
    return static_cast<int>(thread->proc(thread->parameter));
}

} // namespace

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
    auto* thread = static_cast<PlatformThread*>(std::malloc(sizeof(PlatformThread)));
    if (!thread)
        return nullptr;
    *thread = PlatformThread{nullptr, proc, parameter};
    thread->thread = SDL_CreateThread(ThreadStart, "music", thread);
    if (!thread->thread) {
        // No thread (resources or a limit): the caller reports it.
        std::free(thread);
        return nullptr;
    }
    return thread;
}

void ForgetThread(PlatformThread* thread)
{
    if (!thread)
        return;
    SDL_WaitThread(thread->thread, nullptr);
    std::free(thread);
}

} // namespace

const ThreadDriver BackendThreads = { .startTimeCritical = StartTimeCriticalThread, .forget = ForgetThread };
