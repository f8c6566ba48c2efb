// Files the tools write: each is written under a temporary name in its own folder and
// renamed into place only once it is complete, so that a full disk, an error or an
// interruption never leaves a truncated file where a complete one is expected.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string path);
    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file next to the final path. False with Error() set.
    bool Open();
    // Appends bytes; the first failure sticks, later calls do nothing.
    bool Write(const void* data, std::size_t bytes);
    // Writes the bytes again at offset, for headers whose sizes are known at the end.
    bool WriteAt(long offset, const void* data, std::size_t bytes);
    // Appends formatted text, as std::printf formats it.
    bool Print(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Flushes, closes and renames the temporary file to the final path.
    bool Commit();
    // Removes the temporary file; the final path is left as it was.
    void Discard();

    // For writers that open the file themselves (a library writing by path): call
    // Open, let the library write TemporaryPath(), then Commit.
    const std::string& TemporaryPath() const { return temporary_; }
    const std::string& Path() const { return path_; }
    // "cannot write PATH: <the system's reason>", or empty.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& path, int error);

    std::string path_;
    std::string temporary_;
    std::string error_;
    std::FILE* stream_ = nullptr;
    int slot_ = -1;   // in the table the interruption handler cleans up
    bool committed_ = false;
};

// Writes bytes to path through an OutputFile. False with *error set.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t bytes, std::string* error);

// Checks, before any work, that a file can be created at path: its folder exists and
// takes a new file. False with *error set ("cannot write PATH: <reason>").
bool CheckOutputFile(const std::string& path, std::string* error);
// Makes the folder (and its parents) where missing and checks that it takes a new file.
bool PrepareOutputFolder(const std::string& folder, std::string* error);

// Ctrl-C (SIGINT) and SIGTERM. In the default mode the handler removes every temporary
// file still open and ends the process at once with 128 + the signal's number. With
// Polled, it only records the signal; the tool's loop asks InterruptSignal() and ends
// itself (to close a device first, say).
enum class InterruptMode { Immediate, Polled };
void InstallInterruptHandlers(InterruptMode mode = InterruptMode::Immediate);
// The signal received since InstallInterruptHandlers, or 0.
int InterruptSignal();
