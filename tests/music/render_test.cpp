// Audio rendered through the file path, measured against what the module asks for:
// pitch, level, panning and length; and modules with hostile cells that must play
// without reading or writing out of bounds (run under the sanitizers).
#include "tests/music/music_test_util.h"

#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <random>

#include "content/module_bytes.h"
#include "music/render.h"
#include "tests/music/fixtures.h"
#include "tools/common/fnv1a.h"

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

// Renders as the whole-song renderer wrote them before rendering was streamed, as
// FNV-1a of the little-endian samples: the streamed blocks, cut at the song's end or
// the limit, must add up to the same bytes.
TEST(Render, StreamedRendersKeepTheirBytes)
{
    struct Golden {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t rate;
        double seconds;   // 0: to the song's end
        size_t frames;
        uint64_t hash;
    };
    std::ifstream kept(std::string(QV_MUSIC_REGRESSIONS_DIR) + "/pingpong-step-beyond-loop.xm", std::ios::binary);
    std::vector<Golden> goldens = {
        {"the demo's song", std::vector<uint8_t>(ModuleBytes, ModuleBytes + ModuleByteCount), 44100, 0,
         4922064, 0xf5ce163ab9a9efb6ull},
        {"demo fixture", xm::Write(fixtures::DemoModule()), 44100, 0, 1354752, 0x317aa53640370740ull},
        {"demo fixture at 22,050 Hz", xm::Write(fixtures::DemoModule()), 22050, 0, 677376, 0xea5d9e8feb42d02aull},
        {"ping-pong regression", std::vector<uint8_t>(std::istreambuf_iterator<char>(kept), {}), 44100, 2,
         88200, 0xe50f9d837a23a19eull},
    };
    const uint64_t seedHashes[] = {0x802b254616603d1dull, 0xf3e803e2dfc19e45ull, 0xf837b6a7f93b6f09ull,
                                   0xa8d794d22796b773ull};
    const size_t seedFrames[] = {9900, 9900, 26400, 44100};
    const auto seeds = fixtures::SeedModules();
    ASSERT_EQ(seeds.size(), std::size(seedHashes));
    for (size_t i = 0; i < seeds.size(); i++)
        goldens.push_back({"seed", xm::Write(seeds[i]), 22050, 2, seedFrames[i], seedHashes[i]});

    for (const Golden& golden : goldens) {
        Module* module = LoadBytes(golden.bytes);
        ASSERT_NE(module, nullptr) << golden.name;
        RenderOptions options;
        options.rate = golden.rate;
        options.maxSeconds = golden.seconds;
        size_t frames = 0;
        uint64_t hash = FNV1A64_OFFSET_BASIS;
        const RenderSummary summary = RenderModule(module, options, [&](const int16_t* samples, size_t count) {
            for (size_t i = 0; i < 2 * count; i++) {
                const uint8_t bytes[2] = {static_cast<uint8_t>(samples[i]), static_cast<uint8_t>(samples[i] >> 8)};
                hash = HashFnv1a64(bytes, 2, hash);
            }
            frames += count;
            return true;
        });
        EXPECT_TRUE(summary.completed) << golden.name;
        EXPECT_EQ(summary.frames, int64_t(frames)) << golden.name;
        EXPECT_EQ(frames, golden.frames) << golden.name;
        EXPECT_EQ(hash, golden.hash) << golden.name;
        FreeModule(module);
    }
}

// Ten minutes of audio (106 MB as 16-bit stereo) streamed through a sink that keeps
// nothing: the process's peak memory hardly moves. A sink that says no ends it.
TEST(Render, StreamingKeepsMemoryFlat)
{
    const std::vector<uint8_t> bytes = xm::Write(fixtures::LongModule());
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    RenderOptions options;
    options.maxSeconds = 600;
    int64_t frames = 0;
    int32_t loudest = 0;
    const RenderSummary summary = RenderModule(module, options, [&](const int16_t* samples, size_t count) {
        for (size_t i = 0; i < 2 * count; i++)
            loudest = std::max(loudest, std::abs(int32_t{samples[i]}));
        frames += int64_t(count);
        return true;
    });
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_TRUE(summary.completed);
    EXPECT_FALSE(summary.reachedSongEnd);
    EXPECT_EQ(frames, 600 * 44100);
    EXPECT_GT(loudest, 1000);   // the note sounds
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024) << "KB more at the peak";

    int blocks = 0;
    const RenderSummary stopped = RenderModule(module, options, [&](const int16_t*, size_t) { return ++blocks < 3; });
    EXPECT_FALSE(stopped.completed);
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(stopped.frames, 3 * int64_t{BlockFramesForRate(44100)});
    FreeModule(module);
}

}   // namespace

