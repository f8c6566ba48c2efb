// Mixing throughput: seconds of audio mixed per CPU second, through the same FillBlock
// path the output thread runs, for a 4-channel and a 32-channel module whose channels
// all sound all the time. The goal is 2,000 times real time for 4 channels.
#include <benchmark/benchmark.h>

#include <vector>

#include "music/module.h"
#include "music/output.h"
#include "tests/music/fixtures.h"

namespace {

// Every channel plays a looping instrument, with a new note every 4 rows (so old
// voices fade out beside the new ones) and vibrato or volume slides in between.
xm::ModuleData BusyModule(int channels)
{
    xm::ModuleData m;
    m.channels = channels;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = {xm::OneSampleInstrument(fixtures::Waveform(64, fixtures::Saw)),
                     xm::OneSampleInstrument(fixtures::Pad()),
                     xm::OneSampleInstrument(fixtures::Waveform(32, fixtures::Triangle))};
    xm::PatternData pattern;
    pattern.rows = 64;
    for (int row = 0; row < 64; row++) {
        for (int c = 0; c < channels; c++) {
            xm::Cell& cell = pattern.At(row, c, channels);
            if ((row + c) % 4 == 0) {
                cell.note = static_cast<uint8_t>(37 + (row * 7 + c * 5) % 36);
                cell.instrument = static_cast<uint8_t>(1 + c % 3);
                cell.volume = static_cast<uint8_t>(0x10 + 32 + c % 32);
            } else {
                cell.effect = (row + c) % 2 ? 0x4 : 0xA;
                cell.parameter = (row + c) % 2 ? 0x34 : 0x01;
            }
            if (c % 2 == 1)
                cell.volume = 0xC0 | static_cast<uint8_t>(c % 16);
        }
    }
    m.patterns = {pattern};
    m.orders = {0};
    return m;
}

void MixChannels(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = xm::Write(BusyModule(static_cast<int>(state.range(0))));
    SetMemoryFileSource(bytes.data(), static_cast<int32_t>(bytes.size()));
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    Module* module = LoadModule(nullptr);
    if (!module || !BeginOfflinePlayback(module, 44100)) {
        state.SkipWithError("the module did not load");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderNextBlock());
    const double blockSeconds = double(WaveOutput.blockFrames) / WaveOutput.rate;
    // Divided by the CPU time: seconds of audio per CPU second.
    state.counters["realtime_x"] =
        benchmark::Counter(blockSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
    EndOfflinePlayback();
    FreeModule(module);
}

}   // namespace

BENCHMARK(MixChannels)->Arg(4)->Arg(32)->Unit(benchmark::kMicrosecond);
