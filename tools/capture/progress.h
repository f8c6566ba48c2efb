// The capture's progress on stderr: one line updated in place on a terminal, plain
// lines now and then otherwise (a log, a pipe).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class Progress {
public:
    Progress(int64_t total, std::FILE* stream);
    // Frames done so far; prints when a line is due and at the last frame.
    void Update(int64_t done);
    // Ends the updated line.
    void Finish();

private:
    void Print(int64_t done, std::chrono::steady_clock::time_point now);

    int64_t total_;
    std::FILE* stream_;
    bool terminal_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastPrinted_;
    bool printed_ = false;
};
