// Rate and time left are measured since the first frame.
#include "tools/capture/progress.h"

#include <unistd.h>

namespace {

constexpr auto TERMINAL_INTERVAL = std::chrono::milliseconds(250);
constexpr auto LOG_INTERVAL = std::chrono::seconds(10);

} // namespace

Progress::Progress(int64_t total, std::FILE* stream)
    : total_(total)
    , stream_(stream)
    , terminal_(isatty(fileno(stream)) != 0)
    , started_(std::chrono::steady_clock::now())
    , lastPrinted_(started_)
{
}

void Progress::Update(int64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    if (done < total_ && now - lastPrinted_ < (terminal_ ? TERMINAL_INTERVAL : LOG_INTERVAL))
        return;
    Print(done, now);
}

void Progress::Print(int64_t done, std::chrono::steady_clock::time_point now)
{
    lastPrinted_ = now;
    printed_ = true;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    const long left = rate > 0 ? static_cast<long>((total_ - done) / rate + 0.5) : 0;
    std::fprintf(stream_, "%sframe %lld/%lld  %.1f fps  %ld:%02ld left%s", terminal_ ? "\r" : "",
                 static_cast<long long>(done), static_cast<long long>(total_), rate, left / 60, left % 60,
                 terminal_ ? "\033[K" : "\n");
    std::fflush(stream_);
}

void Progress::Finish()
{
    if (terminal_ && printed_)
        std::fputc('\n', stream_);
}
