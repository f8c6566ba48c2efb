// Clock, sleep and threads for the Win32 backend.
#include "platform/driver.h"

#include <windows.h>

#include <ctime>
#include <new>

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
    auto* thread = new (std::nothrow) PlatformThread{ nullptr, proc, parameter };
    if (!thread)
        return nullptr;
    thread->handle = CreateThread(nullptr, 0, ThreadStart, thread, 0, nullptr);
    if (!thread->handle) {
        delete thread;
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
    delete thread;
}

} // namespace

const ThreadDriver BackendThreads = { .startTimeCritical = StartTimeCriticalThread, .forget = ForgetThread };
