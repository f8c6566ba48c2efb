// Helpers shared by the music tests: loading a module written by the XM writer
// through the memory file, and an offline playback that frees itself.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "music/mixer.h"
#include "music/module.h"
#include "music/output.h"
#include "music/player.h"
#include "tests/music/xm_writer.h"

namespace musictest {

// The bytes must outlive the load; the loader reads them through the memory file.
inline Module* LoadBytes(const std::vector<uint8_t>& bytes)
{
    SetMemoryFileSource(bytes.data(), static_cast<int32_t>(bytes.size()));
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    return LoadModule(nullptr);
}

// A looping 8-bit sine of one period.
inline xm::SampleData SineSample(int period = 32)
{
    xm::SampleData s;
    for (int i = 0; i < period; i++)
        s.values.push_back(static_cast<int16_t>(std::lround(std::sin(2 * 3.14159265358979 * i / period) * 100)));
    s.loopType = 1;
    s.loopLength = static_cast<uint32_t>(period);
    return s;
}

// One channel, one instrument, one pattern of `rows` rows; cells set by the caller.
inline xm::ModuleData OneChannelModule(int rows = 16)
{
    xm::ModuleData m;
    m.channels = 1;
    m.speed = 6;
    m.bpm = 125;
    m.instruments.push_back(xm::OneSampleInstrument(SineSample()));
    xm::PatternData p;
    p.rows = rows;
    p.cells.resize(size_t(rows));
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

// Loads bytes and starts offline playback at 44,100 Hz; frees everything at the end.
struct Playback {
    std::vector<uint8_t> bytes;
    Module* module = nullptr;

    explicit Playback(const xm::ModuleData& data) : bytes(xm::Write(data))
    {
        module = LoadBytes(bytes);
        if (module)
            BeginOfflinePlayback(module, 44100);
    }
    ~Playback()
    {
        if (module) {
            EndOfflinePlayback();
            FreeModule(module);
        }
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; i++)
            PlayerTick(module);
    }
};

}   // namespace musictest
