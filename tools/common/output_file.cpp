// Temporary-then-rename file writing, and the signal handler that cleans up after it.
#include "tools/common/output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <csignal>
#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <process.h>
#define QV_GETPID _getpid
constexpr int TEMPORARY_PATH_MAX = 260;
#else
#include <climits>
#include <unistd.h>
#define QV_GETPID getpid
constexpr int TEMPORARY_PATH_MAX = PATH_MAX;
#endif

namespace {

// The temporaries the signal handler removes: fixed slots, since the handler may
// neither allocate nor lock. A slot is claimed, its path written, then marked ready;
// the handler reads ready slots only.
constexpr int TEMPORARY_SLOTS = 32;
enum SlotState : int { SLOT_FREE, SLOT_CLAIMED, SLOT_READY };
struct TemporarySlot {
    std::atomic<int> state{SLOT_FREE};
    char path[TEMPORARY_PATH_MAX] = {};
};
TemporarySlot TemporarySlots[TEMPORARY_SLOTS];

std::atomic<int> ReceivedSignal{0};
InterruptMode HandlerMode = InterruptMode::Immediate;

int RegisterTemporary(const std::string& path)
{
    if (path.size() >= TEMPORARY_PATH_MAX)
        return -1;
    for (int i = 0; i < TEMPORARY_SLOTS; ++i) {
        int expected = SLOT_FREE;
        if (!TemporarySlots[i].state.compare_exchange_strong(expected, SLOT_CLAIMED))
            continue;
        std::memcpy(TemporarySlots[i].path, path.c_str(), path.size() + 1);
        TemporarySlots[i].state.store(SLOT_READY);
        return i;
    }
    return -1;
}

void ForgetTemporary(int slot)
{
    if (slot >= 0)
        TemporarySlots[slot].state.store(SLOT_FREE);
}

void RemoveInHandler(const char* path)
{
#if defined(_WIN32)
    std::remove(path);
#else
    unlink(path);   // async-signal-safe, unlike remove()
#endif
}

void OnInterrupt(int signal)
{
    ReceivedSignal.store(signal);
    if (HandlerMode == InterruptMode::Polled)
        return;
    for (TemporarySlot& slot : TemporarySlots) {
        if (slot.state.load() == SLOT_READY)
            RemoveInHandler(slot.path);
    }
    std::_Exit(128 + signal);
}

std::string CannotWrite(const std::string& path, int error)
{
    return "cannot write " + path + ": " + std::strerror(error);
}

// A name in the same folder as path, so that the rename never crosses file systems.
std::string TemporaryName(const std::string& path)
{
    const std::filesystem::path final(path);
    // Appended piece by piece: GCC 12 at -O3 reads `"." + string` (an insert at the
    // front) as an overlapping copy and warns (-Wrestrict), wrongly.
    std::string name = ".";
    name += final.filename().string();
    name += ".part-";
    name += std::to_string(QV_GETPID());
    return (final.parent_path() / name).string();
}

} // namespace

OutputFile::OutputFile(std::string path)
    : path_(std::move(path))
{
}

OutputFile::~OutputFile()
{
    if (!committed_)
        Discard();
}

bool OutputFile::Fail(const std::string& path, int error)
{
    if (error_.empty())
        error_ = CannotWrite(path, error);
    return false;
}

bool OutputFile::Open()
{
    if (path_.empty() || path_.back() == '/')
        return Fail(path_, EISDIR);
    if (std::filesystem::is_directory(path_))
        return Fail(path_, EISDIR);
    // The rename would put a plain file in place of a device or a pipe (as root, even
    // /dev/null): those are left alone.
    std::error_code unknown;
    const std::filesystem::file_status existing = std::filesystem::status(path_, unknown);
    if (std::filesystem::exists(existing) && !std::filesystem::is_regular_file(existing)) {
        error_ = "cannot write " + path_ + ": not a regular file";
        return false;
    }
    temporary_ = TemporaryName(path_);
    slot_ = RegisterTemporary(temporary_);
    errno = 0;
    stream_ = std::fopen(temporary_.c_str(), "wb");
    if (!stream_) {
        const int error = errno ? errno : EACCES;
        ForgetTemporary(slot_);
        slot_ = -1;
        temporary_.clear();
        return Fail(path_, error);
    }
    return true;
}

bool OutputFile::Write(const void* data, std::size_t bytes)
{
    if (!error_.empty())
        return false;
    if (!stream_)
        return Fail(path_, EBADF);
    if (bytes && std::fwrite(data, 1, bytes, stream_) != bytes)
        return Fail(path_, errno ? errno : EIO);
    return true;
}

bool OutputFile::Print(const char* format, ...)
{
    if (!error_.empty())
        return false;
    if (!stream_)
        return Fail(path_, EBADF);
    std::va_list arguments;
    va_start(arguments, format);
    const int written = std::vfprintf(stream_, format, arguments);
    va_end(arguments);
    if (written < 0)
        return Fail(path_, errno ? errno : EIO);
    return true;
}

bool OutputFile::WriteAt(long offset, const void* data, std::size_t bytes)
{
    if (!error_.empty())
        return false;
    if (!stream_)
        return Fail(path_, EBADF);
    const long end = std::ftell(stream_);
    if (end < 0 || std::fseek(stream_, offset, SEEK_SET) != 0)
        return Fail(path_, errno);
    const bool written = Write(data, bytes);
    if (std::fseek(stream_, end, SEEK_SET) != 0)
        return Fail(path_, errno);
    return written;
}

bool OutputFile::Commit()
{
    if (temporary_.empty())
        return Fail(path_, EBADF);
    if (stream_) {
        errno = 0;
        const bool flushed = std::fflush(stream_) == 0;
        const int flushError = errno;
        const bool closed = std::fclose(stream_) == 0;
        const int closeError = errno;
        stream_ = nullptr;
        if (!flushed)
            Fail(path_, flushError ? flushError : EIO);
        else if (!closed)
            Fail(path_, closeError ? closeError : EIO);
    }
    if (!error_.empty()) {
        Discard();
        return false;
    }
    // std::filesystem::rename replaces an existing file on every system.
    std::error_code renamed;
    std::filesystem::rename(temporary_, path_, renamed);
    if (renamed) {
        Fail(path_, renamed.value());
        Discard();
        return false;
    }
    ForgetTemporary(slot_);
    slot_ = -1;
    committed_ = true;
    return true;
}

void OutputFile::Discard()
{
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty())
        std::remove(temporary_.c_str());
    ForgetTemporary(slot_);
    slot_ = -1;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t bytes, std::string* error)
{
    OutputFile file(path);
    if (file.Open() && file.Write(data, bytes) && file.Commit())
        return true;
    *error = file.Error();
    return false;
}

bool CheckOutputFile(const std::string& path, std::string* error)
{
    // A probe under the temporary name: it proves that the folder takes a new file
    // without touching a file that may already stand at path.
    OutputFile probe(path);
    if (!probe.Open()) {
        *error = probe.Error();
        return false;
    }
    probe.Discard();
    return true;
}

bool PrepareOutputFolder(const std::string& folder, std::string* error)
{
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        *error = "cannot make " + folder + ": " + std::strerror(made.value());
        return false;
    }
    if (!std::filesystem::is_directory(folder)) {
        *error = "cannot make " + folder + ": " + std::strerror(ENOTDIR);
        return false;
    }
    return CheckOutputFile((std::filesystem::path(folder) / "probe").string(), error);
}

void InstallInterruptHandlers(InterruptMode mode)
{
    HandlerMode = mode;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

int InterruptSignal()
{
    return ReceivedSignal.load();
}
