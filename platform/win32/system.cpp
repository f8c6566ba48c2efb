// Clock, sleep and threads for the Win32 backend.
#include "platform/driver.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

struct PlatformThread {
    HANDLE handle;
    PlatformThreadProc proc;
    void* parameter;
};

namespace {

DWORD WINAPI ThreadStart(LPVOID parameter)
{
    auto* thread = static_cast<PlatformThread*>(parameter);
    return thread->proc(thread->parameter);
}

} // namespace

int64_t PlatformMilliseconds()
{
    // The runtime's clock() counts elapsed milliseconds since the process started.
    static_assert(CLOCKS_PER_SEC == 1000);
    return static_cast<int64_t>(clock());
}

void PlatformSleep(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

namespace {

PlatformThread* StartTimeCriticalThread(PlatformThreadProc proc, void* parameter)
{
    auto* thread = static_cast<PlatformThread*>(std::malloc(sizeof(PlatformThread)));
    if (!thread)
        return nullptr;
    *thread = PlatformThread{ nullptr, proc, parameter };
    thread->handle = CreateThread(nullptr, 0, ThreadStart, thread, 0, nullptr);
    if (!thread->handle) {
        std::free(thread);
        return nullptr;
    }
    SetThreadPriority(thread->handle, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
}

void ForgetThread(PlatformThread* thread)
{
    if (!thread)
        return;
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    std::free(thread);
}

} // namespace

const ThreadDriver BackendThreads = { .startTimeCritical = StartTimeCriticalThread, .forget = ForgetThread };
