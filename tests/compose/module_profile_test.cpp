// The demo's embedded module, read back through our own loader and played by our
// own player: its header, instruments and effect set, and the levels of the song.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "content/module_bytes.h"
#include "music/module.h"
#include "music/render.h"

namespace {

Module* LoadEmbedded()
{
    SetMemoryFileSource(ModuleBytes, ModuleByteCount);
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    return LoadModule(nullptr);
}

struct LoadedModule {
    Module* module = LoadEmbedded();
    ~LoadedModule()
    {
        if (module)
            FreeModule(module);
    }
};

// Effects that change where the song goes or how fast; kept when a channel is
// silenced so that the timing stays the same.
bool SteersSong(const PatternCell& cell)
{
    return cell.effect == 0xF || (cell.effect == 0xE && (cell.parameter >> 4) == 0x6);
}

// Silences every channel but `keep` by clearing its notes and effects.
void KeepOnlyChannel(Module* module, int keep)
{
    for (int p = 0; p < module->patternCount; p++) {
        Pattern& pattern = module->patterns[p];
        for (int row = 0; row < pattern.rowCount; row++) {
            for (int ch = 0; ch < module->channelCount; ch++) {
                PatternCell& cell = pattern.cells[row * module->channelCount + ch];
                if (ch == keep)
                    continue;
                const bool steer = SteersSong(cell);
                cell.note = 0;
                cell.instrument = 0;
                if (!steer)
                    cell.effect = cell.parameter = 0;
            }
        }
    }
}

// RMS of interleaved stereo samples in dB relative to full scale.
double RmsDbfs(const int16_t* samples, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; i++)
        sum += double(samples[i]) * samples[i];
    const double rms = std::sqrt(sum / double(count > 0 ? count : 1)) / 32768.0;
    return 20.0 * std::log10(rms > 1e-12 ? rms : 1e-12);
}

}   // namespace

TEST(ComposedModule, HeaderMatchesTheProfile)
{
    LoadedModule loaded;
    Module* m = loaded.module;
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->channelCount, 4);
    EXPECT_EQ(m->patternCount, 12);
    EXPECT_EQ(m->usedPatternLimit, 12);   // every pattern is played
    EXPECT_EQ(m->songLength, 16);
    EXPECT_EQ(m->restartPosition, 0);
    EXPECT_EQ(m->flags, 0);               // Amiga frequency table
    EXPECT_EQ(m->defaultSpeed, 6);
    EXPECT_EQ(m->defaultBpm, 138);
    EXPECT_EQ(m->instrumentCount, 12);
    for (int p = 0; p < m->patternCount; p++)
        EXPECT_EQ(m->patterns[p].rowCount, 64) << "pattern " << p;
    EXPECT_GE(ModuleByteCount, 27000);
    EXPECT_LE(ModuleByteCount, 29500);
}

TEST(ComposedModule, EightInstrumentsHoldOneEightBitSampleAndFourAreEmpty)
{
    LoadedModule loaded;
    Module* m = loaded.module;
    ASSERT_NE(m, nullptr);
    int withSample = 0, empty = 0;
    for (int i = 0; i < m->instrumentCount; i++) {
        const Instrument& inst = m->instruments[i];
        if (inst.sampleCount == 0) {
            empty++;
            continue;
        }
        ASSERT_EQ(inst.sampleCount, 1) << "instrument " << i + 1;
        withSample++;
        const Sample* s = inst.samples[0];
        ASSERT_NE(s->data, nullptr);
        // 8-bit data arrives as value * 256, so the low byte is zero throughout.
        for (uint32_t k = 0; k < s->length; k++)
            ASSERT_EQ(s->data[k] & 0xFF, 0) << "instrument " << i + 1 << " value " << k;
        EXPECT_LE(s->loopStart + s->loopLength, s->length);
        EXPECT_LE(s->volume, 64);
    }
    EXPECT_EQ(withSample, 8);
    EXPECT_EQ(empty, 4);
}

TEST(ComposedModule, UsesExactlyItsEffectSetAndNoVolumeColumn)
{
    LoadedModule loaded;
    Module* m = loaded.module;
    ASSERT_NE(m, nullptr);
    const std::set<int> allowed = {0x3, 0x4, 0x5, 0x6, 0xA, 0xC, 0xE6, 0xE9, 0xEC, 0xF};
    std::set<int> used;
    for (int p = 0; p < m->patternCount; p++) {
        const Pattern& pattern = m->patterns[p];
        for (int i = 0; i < pattern.rowCount * m->channelCount; i++) {
            const PatternCell& c = pattern.cells[i];
            EXPECT_EQ(c.volume, 0) << "pattern " << p << " cell " << i;
            if (c.effect == 0 && c.parameter == 0)
                continue;
            const int code = c.effect == 0xE ? 0xE0 | (c.parameter >> 4) : c.effect;
            EXPECT_TRUE(allowed.count(code)) << "effect " << std::hex << code << " in pattern " << std::dec << p;
            used.insert(code);
        }
    }
    EXPECT_EQ(used, allowed);   // and every one of them is used
}

TEST(ComposedModule, WholeSongIsNotClippedAndSitsInItsLevelRange)
{
    LoadedModule loaded;
    ASSERT_NE(loaded.module, nullptr);
    const RenderResult r = RenderModule(loaded.module, RenderOptions{});
    ASSERT_TRUE(r.reachedSongEnd);
    const double seconds = double(r.samples.size()) / 2 / 44100;
    EXPECT_NEAR(seconds, 111.6, 0.5);   // 16 orders of 64 rows, plus a 4-row loop
    int clipped = 0;
    for (int16_t v : r.samples)
        clipped += (v == 32767 || v == -32768);
    EXPECT_EQ(clipped, 0);
    const double rms = RmsDbfs(r.samples.data(), r.samples.size());
    EXPECT_GT(rms, -20.0);
    EXPECT_LT(rms, -12.0);
}

TEST(ComposedModule, EveryChannelIsHeardOnItsOwn)
{
    for (int ch = 0; ch < 4; ch++) {
        LoadedModule loaded;
        ASSERT_NE(loaded.module, nullptr);
        KeepOnlyChannel(loaded.module, ch);
        const RenderResult r = RenderModule(loaded.module, RenderOptions{});
        EXPECT_GT(RmsDbfs(r.samples.data(), r.samples.size()), -32.0) << "channel " << ch;
    }
}

TEST(ComposedModule, MusicCarriesOnAcrossTheLoopBackToTheIntro)
{
    LoadedModule loaded;
    ASSERT_NE(loaded.module, nullptr);
    RenderOptions options;
    options.stopAtSongEnd = false;
    options.maxSeconds = 116.0;
    const RenderResult r = RenderModule(loaded.module, options);
    // 1028 rows of 6 ticks of 798 frames each
    const size_t seam = size_t(1028) * 6 * 798;
    ASSERT_GT(r.samples.size(), 2 * (seam + 44100));
    // No gap: every 50 ms window in the second either side of the seam sounds.
    const size_t window = 2205;
    for (size_t start = seam - 44100; start < seam + 44100; start += window) {
        const double rms = RmsDbfs(&r.samples[2 * start], 2 * window);
        EXPECT_GT(rms, -40.0) << "window at " << double(start) / 44100 << " s";
    }
    // No jump: the last tenth of a second before the seam and the first after it
    // are within a few dB of each other.
    const double before = RmsDbfs(&r.samples[2 * (seam - 4410)], 2 * 4410);
    const double after = RmsDbfs(&r.samples[2 * seam], 2 * 4410);
    EXPECT_NEAR(before, after, 8.0);
}
