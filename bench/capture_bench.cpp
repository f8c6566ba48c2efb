// The capture tool as people run it: a child process on SDL's offscreen driver,
// timed by the wall clock, with its CPU time and peak memory from the kernel.
//
// Speed: the same span at 1440x1080, 60 frames a second, drawn only, written as PNG
// frames and written as .mp4 (the goal: .mp4 at most 1.3 times drawing only).
// Memory: peak after 100 and after 2,000 frames at 640x480, drawing every frame and
// writing the last (the goal: flat, within 1.25 times a one-frame run).
//
//   bench_capture [--benchmark_filter=Speed|Memory]
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef QV_CAPTURE_PATH
#error "QV_CAPTURE_PATH comes from the build"
#endif

namespace fs = std::filesystem;

namespace {

struct ChildRun {
    bool ok = false;
    double seconds = 0;      // wall clock
    double cpuSeconds = 0;   // user and system, every thread
    double peakMb = 0;       // resident set
};

ChildRun RunCapture(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), QV_CAPTURE_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ChildRun run;
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec * 1e-6;
    run.peakMb = usage.ru_maxrss / 1024.0;   // kilobytes on Linux
    return run;
}

fs::path Scratch()
{
    const fs::path dir = fs::temp_directory_path() / ("qv_capture_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

void Report(benchmark::State& state, const ChildRun& run)
{
    if (!run.ok) {
        state.SkipWithError("the capture tool failed");
        return;
    }
    state.SetIterationTime(run.seconds);
    state.counters["cpu_s"] = run.cpuSeconds;
    state.counters["peak_MB"] = run.peakMb;
}

// 4 seconds from the start, so that no frame is drawn before the span.
const std::vector<std::string> SPEED_SPAN = { "--range", "0:400", "--fps", "60", "--size", "1440x1080" };

enum SpeedOutput { DRAW_ONLY, PNG, MP4 };

void BM_CaptureSpeed(benchmark::State& state)
{
    const fs::path dir = Scratch();
    for (auto _ : state) {
        std::vector<std::string> arguments = SPEED_SPAN;
        switch (state.range(0)) {
        case DRAW_ONLY:
            arguments.push_back("--draw-only");
            break;
        case PNG:
            arguments.insert(arguments.end(), { "--out", (dir / "frames").string() });
            break;
        case MP4:
            arguments.insert(arguments.end(), { "--video", (dir / "span.mp4").string() });
            break;
        }
        Report(state, RunCapture(arguments));
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_CaptureSpeed)
    ->ArgName("output")->Arg(DRAW_ONLY)->Arg(PNG)->Arg(MP4)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Frames 0 to n - 1 at 50 frames a second; the last is written as PNG, or every one
// goes into an .mp4.
void BM_CaptureMemory(benchmark::State& state)
{
    const fs::path dir = Scratch();
    const int frames = static_cast<int>(state.range(0));
    const int last = (frames - 1) * 2;   // centiseconds at 50 frames a second
    for (auto _ : state) {
        std::vector<std::string> arguments = { "--fps", "50", "--size", "640x480" };
        if (state.range(1) == MP4)
            arguments.insert(arguments.end(),
                             { "--range", "0:" + std::to_string(last + 2), "--video", (dir / "m.mp4").string() });
        else
            arguments.insert(arguments.end(), { "--at", std::to_string(last), "--out", dir.string() });
        Report(state, RunCapture(arguments));
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_CaptureMemory)
    ->ArgNames({ "frames", "output" })
    ->ArgsProduct({ { 1, 100, 2000 }, { PNG, MP4 } })
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
