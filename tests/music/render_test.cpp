// Audio rendered through the file path, measured against what the module asks for:
// pitch, level, panning and length; and modules with hostile cells that must play
// without reading or writing out of bounds (run under the sanitizers).
#include "tests/music/music_test_util.h"

#include <random>

#include "music/render.h"
#include "tests/music/fixtures.h"

using namespace musictest;

namespace {

struct Rendered {
    RenderResult result;
    bool loaded = false;

    Rendered(const xm::ModuleData& data, double seconds)
    {
        const std::vector<uint8_t> bytes = xm::Write(data);
        Module* module = LoadBytes(bytes);
        if (!module)
            return;
        loaded = true;
        RenderOptions options;
        options.maxSeconds = seconds;
        options.stopAtSongEnd = seconds <= 0;
        result = RenderModule(module, options);
        FreeModule(module);
    }
    size_t Frames() const { return result.samples.size() / 2; }
    int16_t Left(size_t frame) const { return result.samples[2 * frame]; }
    int16_t Right(size_t frame) const { return result.samples[2 * frame + 1]; }
};

// Frequency from rising zero crossings between two frames, with the crossing points
// interpolated.
double MeasureFrequency(const Rendered& r, size_t from, size_t to)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from; i + 1 < to; i++) {
        const double a = r.Left(i), b = r.Left(i + 1);
        if (a < 0 && b >= 0) {
            const double at = double(i) + (-a) / (b - a);
            if (first < 0)
                first = at;
            else
                crossings++;
            last = at;
        }
    }
    return crossings > 0 ? crossings * 44100.0 / (last - first) : 0;
}

xm::ModuleData ToneModule(uint16_t flags, uint8_t note, uint8_t effect = 0, uint8_t parameter = 0)
{
    xm::ModuleData m = OneChannelModule(64);
    m.flags = flags;
    m.patterns[0].At(0, 0, 1) = {note, 1, 0, effect, parameter};
    return m;
}

TEST(Render, PitchOfBothFrequencyTables)
{
    // A-4 on a 32-value period: the sample rate over 32.
    const Rendered linear(ToneModule(1, 58), 1.0);
    ASSERT_TRUE(linear.loaded);
    EXPECT_NEAR(MeasureFrequency(linear, 4410, 44100), 8363 * std::pow(2.0, 9 / 12.0) / 32, 0.1);
    const Rendered amiga(ToneModule(0, 58), 1.0);
    EXPECT_NEAR(MeasureFrequency(amiga, 4410, 44100), 14317056.0 / 1017 / 32, 0.1);
    const Rendered high(ToneModule(1, 58 + 24), 1.0);   // two octaves up
    EXPECT_NEAR(MeasureFrequency(high, 4410, 44100), 4 * 8363 * std::pow(2.0, 9 / 12.0) / 32, 0.5);
}

TEST(Render, LevelAndPanning)
{
    const Rendered centre(ToneModule(1, 49), 0.5);
    int peak = 0;
    for (size_t i = 4410; i < centre.Frames(); i++)
        peak = std::max(peak, std::abs(int(centre.Left(i))));
    // Full-scale 8-bit value 100, final volume 127 of 255, pan 128: 63 of 255 a side.
    EXPECT_NEAR(peak, 100 * 256 * 63 / 255.0, 100 * 256 * 0.02);

    const Rendered left(ToneModule(1, 49, 0x8, 0x00), 0.5);
    const Rendered right(ToneModule(1, 49, 0x8, 0xFF), 0.5);
    int64_t leftOfLeft = 0, rightOfLeft = 0, leftOfRight = 0, rightOfRight = 0;
    for (size_t i = 0; i < left.Frames(); i++) {
        leftOfLeft += std::abs(int(left.Left(i)));
        rightOfLeft += std::abs(int(left.Right(i)));
        leftOfRight += std::abs(int(right.Left(i)));
        rightOfRight += std::abs(int(right.Right(i)));
    }
    EXPECT_GT(leftOfLeft, 1000000);   // pan 0 is the left side
    EXPECT_EQ(rightOfLeft, 0);
    EXPECT_EQ(leftOfRight, 0);
    EXPECT_GT(rightOfRight, 1000000);
}

TEST(Render, SongEndsWhereItComesBackToAPlayedRow)
{
    xm::ModuleData m = OneChannelModule(16);
    m.speed = 3;
    m.patterns[0].At(0, 0, 1) = {49, 1, 0, 0, 0};
    const Rendered once(m, 0);
    EXPECT_TRUE(once.result.reachedSongEnd);
    EXPECT_EQ(once.Frames(), 16u * 3 * 882);

    // Rows 0..3 again twice through a pattern loop: 24 rows in all.
    m.patterns[0].At(3, 0, 1) = {0, 0, 0, 0xE, 0x62};
    const Rendered looped(m, 0);
    EXPECT_EQ(looped.Frames(), 24u * 3 * 882);

    const Rendered capped(m, 0.25);
    EXPECT_FALSE(capped.result.reachedSongEnd);
    EXPECT_EQ(capped.Frames(), 11025u);
}

TEST(Render, SameModuleSameSamples)
{
    const Rendered a(fixtures::DemoModule(), 3.0);
    const Rendered b(fixtures::DemoModule(), 3.0);
    ASSERT_EQ(a.Frames(), 3u * 44100);
    EXPECT_TRUE(a.result.samples == b.result.samples);
}

TEST(Render, SeedModulesPlayInsideTheirTables)
{
    for (const xm::ModuleData& m : fixtures::SeedModules()) {
        const Rendered r(m, 2.0);
        EXPECT_TRUE(r.loaded);
        EXPECT_EQ(r.Frames(), 2u * 44100);
    }
}

// Mutated modules: whatever loads must play without touching memory it does not own.
TEST(Render, MutatedModulesLoadSafelyOrNotAtAll)
{
    std::mt19937 random(1234);
    const auto seeds = fixtures::SeedModules();
    int loaded = 0;
    for (int round = 0; round < 150; round++) {
        std::vector<uint8_t> bytes = xm::Write(seeds[size_t(round) % seeds.size()]);
        const int changes = 1 + int(random() % 12);
        for (int c = 0; c < changes; c++)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        if (round % 7 == 0)
            bytes.resize(bytes.size() * (random() % 100) / 100 + 60);
        Module* module = LoadBytes(bytes);
        if (!module)
            continue;
        loaded++;
        RenderOptions options;
        options.maxSeconds = 0.3;
        options.stopAtSongEnd = false;
        RenderModule(module, options);
        FreeModule(module);
    }
    EXPECT_GT(loaded, 10);
}

}   // namespace
