// The mixer: tick lengths, block and ring sizes, the split of blocks at ticks, the
// gain ramps, loop wrap and ping-pong, the end of a sample and the conversion.
#include "tests/music/music_test_util.h"

#include <algorithm>
#include <cstring>
#include <random>

using namespace musictest;

namespace {

TEST(Output, BlockAndRingSizes)
{
    struct Row {
        int rate, block, ring;
    };
    const Row rows[] = {{44100, 884, 88400}, {22050, 444, 44400}, {48000, 960, 96000}, {8000, 160, 16000}};
    for (const Row& r : rows) {
        EXPECT_EQ(BlockFramesForRate(r.rate), r.block) << r.rate;
        EXPECT_EQ(RingFramesForRate(r.rate), r.ring) << r.rate;
        EXPECT_EQ(RingFramesForRate(r.rate) / BlockFramesForRate(r.rate), 100);
    }
}

TEST(Mixer, TickLengthFollowsTheBpm)
{
    Module module{};
    struct Row {
        int rate, bpm, frames;
    };
    // 2.5 / bpm seconds per tick, truncated.
    const Row rows[] = {{44100, 125, 882}, {44100, 138, 798}, {44100, 32, 3445},
                        {44100, 255, 432}, {48000, 125, 960}, {22050, 138, 399}};
    for (const Row& r : rows) {
        ResetMixer(r.rate);
        SetBpm(&module, r.bpm);
        EXPECT_EQ(module.samplesPerTick, r.frames) << r.rate << " Hz, " << r.bpm << " BPM";
        EXPECT_EQ(module.bpm, r.bpm);
    }
    SetBpm(&module, 0);
    EXPECT_GE(module.samplesPerTick, 1);
}

int TicksRun = 0;
void CountTick(Module*)
{
    TicksRun++;
}

TEST(Mixer, BlocksSplitAtTicksAndCarryThePhase)
{
    Playback play(OneChannelModule());
    ASSERT_NE(play.module, nullptr);
    SetBpm(play.module, 138);   // 798-frame ticks in 884-frame blocks
    WaveOutput.tickHandler = CountTick;
    TicksRun = 0;
    RenderNextBlock();   // 798 + 86
    EXPECT_EQ(TicksRun, 2);
    EXPECT_EQ(play.module->samplesLeftInTick, 712);
    RenderNextBlock();   // 712 + 172
    EXPECT_EQ(TicksRun, 3);
    EXPECT_EQ(play.module->samplesLeftInTick, 626);
    for (int i = 0; i < 98; i++)
        RenderNextBlock();
    EXPECT_EQ(WaveOutput.blockIndex, 0);   // the ring wraps after 100 blocks
    // 100 blocks = 88,400 frames = 110 ticks of 798 and 620 frames into the next.
    EXPECT_EQ(TicksRun, 111);
    EXPECT_EQ(play.module->samplesLeftInTick, 798 - 620);
}

// A voice on a constant sample, at full gain unless the test ramps it.
struct ConstantVoice {
    std::vector<int16_t> data;
    Sample sample{};

    explicit ConstantVoice(int16_t value, uint32_t length = 1000) : data(length + SAMPLE_GUARD_VALUES, 0)
    {
        std::fill(data.begin(), data.begin() + length + 1, value);   // the loop guard too
        sample.data = data.data();
        sample.length = length;
        sample.loopStart = 0;
        sample.loopLength = length;
        sample.loopKind = LOOP_FORWARD;
    }
    Voice& Start(int left, int right, bool settled)
    {
        ResetMixer(44100);
        Voice& v = Voices[0];
        v.sample = &sample;
        v.position = 0;
        v.step = FIXED_ONE;
        v.targetLeft = left;
        v.targetRight = right;
        if (settled) {
            v.currentLeft = left * 256;
            v.currentRight = right * 256;
            v.rampTargetLeft = left;
            v.rampTargetRight = right;
        }
        return v;
    }
};

TEST(Mixer, NewNotesFadeInOverOneRamp)
{
    ConstantVoice c(1000);
    Voice& v = c.Start(255, 0, false);
    std::vector<float> out(2 * 200, 0.0f);
    MixVoices(out.data(), 200);
    for (int k = 0; k <= 128; k += 16)
        EXPECT_NEAR(out[2 * k], std::min(k, 128) * 1000.0f / 128.0f, 0.5f) << k;
    EXPECT_NEAR(out[2 * 150], 1000.0f, 0.01f);
    EXPECT_EQ(out[2 * 100 + 1], 0.0f);   // the right side does not move
    EXPECT_EQ(v.rampFramesLeft, 0);
    EXPECT_EQ(v.currentLeft, 255 * 256);
    EXPECT_EQ(v.currentRight, 0);
}

TEST(Mixer, RampsAcrossCallsAndRestartsFromTheGainReached)
{
    ConstantVoice c(1000);
    Voice& v = c.Start(255, 255, false);
    std::vector<float> out(2 * 256, 0.0f);
    MixVoices(out.data(), 64);   // half way up
    EXPECT_EQ(v.rampFramesLeft, 64);
    EXPECT_NEAR(v.currentLeft / 256.0, 127.5, 1.0);
    MixVoices(out.data() + 2 * 64, 32);   // same targets: the ramp goes on
    EXPECT_NEAR(out[2 * 80], 1000.0f * 80 / 128, 1.0f);
    v.targetLeft = 0;   // second change inside the ramp: a full ramp from 191 down
    const int reached = v.currentLeft >> 8;
    EXPECT_NEAR(reached, 191, 1);
    std::fill(out.begin(), out.end(), 0.0f);
    MixVoices(out.data(), 128);
    EXPECT_NEAR(out[0], 1000.0f * reached / 255, 1.0f);
    EXPECT_NEAR(out[2 * 64], 1000.0f * reached / 255 / 2, 2.0f);
    EXPECT_NEAR(out[2 * 127], 1000.0f * reached / 255 / 128, 2.0f);
    // The right side kept ramping to 255 over the same frames.
    EXPECT_NEAR(out[2 * 127 + 1], 1000.0f, 8.0f);
    // The call ended exactly where the ramp ended: the gains snap to the targets.
    EXPECT_EQ(v.rampFramesLeft, 0);
    EXPECT_EQ(v.currentLeft, 0);
    EXPECT_EQ(v.currentRight, 255 * 256);
}

TEST(Mixer, TargetsEqualToTheGainReachedLeaveNoRampBehind)
{
    ConstantVoice c(1000);
    Voice& v = c.Start(255, 255, false);
    std::vector<float> out(2 * 512, 0.0f);
    MixVoices(out.data(), 64);
    v.targetLeft = v.currentLeft >> 8;
    v.targetRight = v.currentRight >> 8;
    MixVoices(out.data(), 64);
    EXPECT_EQ(v.rampFramesLeft, 0);
    std::fill(out.begin(), out.end(), 0.0f);
    MixVoices(out.data(), 256);
    // Constant from the first frame to the last: nothing of the old ramp is taken up.
    EXPECT_NEAR(out[0], out[2 * 255], 0.01f);
}

TEST(Mixer, ForwardLoopWrapsEvenWithAStepLongerThanTheLoop)
{
    std::vector<int16_t> data = {0, 100, 200, 300, 400, 0, 0, 0, 0, 0, 0, 0, 0};
    Sample s{};
    s.data = data.data();
    s.length = 5;
    s.loopStart = 2;
    s.loopLength = 3;
    s.loopKind = LOOP_FORWARD;
    data[5] = data[2];
    ConstantVoice unused(0);
    Voice& v = unused.Start(255, 255, true);
    v.sample = &s;
    v.step = FIXED_ONE * 7;   // 7 positions a frame, the loop is 3 long
    std::vector<float> out(2 * 6, 0.0f);
    MixVoices(out.data(), 6);
    // Positions 0, 7->4, 11->2, 9->3, 10->4, 11->2: sample values of those indices.
    const float expected[6] = {0, 400, 200, 300, 400, 200};
    for (int k = 0; k < 6; k++)
        EXPECT_NEAR(out[2 * k], expected[k], 0.01f) << k;
    EXPECT_EQ(v.position >> 32, 3u);
}

TEST(Mixer, PingPongTurnsAtBothEnds)
{
    std::vector<int16_t> data(4 + SAMPLE_GUARD_VALUES, 0);
    for (int i = 0; i < 4; i++)
        data[i] = static_cast<int16_t>(100 * i);
    data[4] = data[3];
    Sample s{};
    s.data = data.data();
    s.length = 4;
    s.loopStart = 0;
    s.loopLength = 4;
    s.loopKind = LOOP_PINGPONG;
    ConstantVoice unused(0);
    Voice& v = unused.Start(255, 255, true);
    v.sample = &s;
    std::vector<float> out(2 * 12, 0.0f);
    MixVoices(out.data(), 12);
    // The turn at the end plays the last value twice (flat), then runs down to
    // just above the start, which reflects to the start itself.
    const float expected[12] = {0, 100, 200, 300, 300, 300, 200, 100, 0, 100, 200, 300};
    for (int k = 0; k < 12; k++)
        EXPECT_NEAR(out[2 * k], expected[k], 0.01f) << k;
}

TEST(Mixer, PingPongWithAStepLongerThanTheLoopStaysInside)
{
    std::vector<int16_t> data(3 + SAMPLE_GUARD_VALUES, 0);
    data[0] = 0;
    data[1] = 100;
    data[2] = 200;
    data[3] = data[2];
    Sample s{};
    s.data = data.data();
    s.length = 3;
    s.loopStart = 0;
    s.loopLength = 3;
    s.loopKind = LOOP_PINGPONG;
    ConstantVoice unused(0);
    Voice& v = unused.Start(255, 255, true);
    v.sample = &s;
    v.step = FIXED_ONE * 7;
    std::vector<float> out(2 * 40, 0.0f);
    MixVoices(out.data(), 40);
    // A triangle over the loop: position 7k folded into 0..3..0 every 6 values.
    for (int k = 0; k < 40; k++) {
        const int t = (7 * k) % 6;
        const int folded = t <= 3 ? t : 6 - t;
        EXPECT_NEAR(out[2 * k], std::min(folded, 2) * 100.0f, 0.01f) << k;
    }
    EXPECT_LT(v.position, uint64_t{3} << 32);
}

TEST(Mixer, PingPongLandingExactlyOnTheStartTurnsForwards)
{
    std::vector<int16_t> data(8 + SAMPLE_GUARD_VALUES, 0);
    for (int i = 0; i < 8; i++)
        data[size_t(i)] = static_cast<int16_t>(100 * i);
    Sample s{};
    s.data = data.data();
    s.length = 8;
    s.loopKind = LOOP_PINGPONG;
    ConstantVoice unused(0);
    std::vector<float> out(2 * 8, 0.0f);

    // On the start, running backwards: the turn 2S - p - 1 puts it one unit before
    // the start, running forwards.
    s.loopStart = 2;
    s.loopLength = 4;
    data[6] = data[5];
    Voice& v = unused.Start(255, 255, true);
    v.sample = &s;
    v.position = uint64_t{2} << 32;
    v.direction = 2;
    MixVoices(out.data(), 4);
    for (int k = 0; k < 4; k++)
        EXPECT_NEAR(out[2 * k], 200.0f + 100.0f * k, 0.01f) << k;
    EXPECT_EQ(v.direction, 1);
    EXPECT_EQ(v.position, (uint64_t{6} << 32) - 1);

    // With the loop at the very start there is nothing before it: it turns at 0.
    s.loopStart = 0;
    s.loopLength = 4;
    data[4] = data[3];
    std::fill(out.begin(), out.end(), 0.0f);
    unused.Start(255, 255, true);
    v.sample = &s;
    v.direction = 2;
    MixVoices(out.data(), 3);
    for (int k = 0; k < 3; k++)
        EXPECT_NEAR(out[2 * k], 100.0f * k, 0.01f) << k;
    EXPECT_EQ(v.direction, 1);

    // A step that reflects at the end straight onto the start: 2E - p - 1 = S, on the
    // way back, which is the turn at the start as well.
    s.loopStart = 1;
    s.loopLength = 2;
    data[3] = data[2];
    std::fill(out.begin(), out.end(), 0.0f);
    unused.Start(255, 255, true);
    v.sample = &s;
    v.position = uint64_t{1} << 32;
    v.step = (uint64_t{4} << 32) - 1;   // from 1 to 5 - 1/2^32, that is 2E - S - 1/2^32
    MixVoices(out.data(), 8);
    for (int k = 0; k < 8; k++)
        EXPECT_NEAR(out[2 * k], 100.0f, 0.01f) << k;
    EXPECT_GE(v.position, uint64_t{1} << 32);
    EXPECT_LT(v.position, uint64_t{3} << 32);
}

TEST(Mixer, SampleWithoutLoopEndsTheVoice)
{
    ConstantVoice c(1000, 10);
    c.sample.loopKind = LOOP_NONE;
    c.data[10] = 0;   // no loop: the guard stays 0
    Voice& v = c.Start(255, 255, true);
    v.step = FIXED_ONE / 2;
    std::vector<float> out(2 * 40, 0.0f);
    MixVoices(out.data(), 40);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0u);
    EXPECT_NEAR(out[2 * 18], 1000.0f, 0.01f);   // position 9: last value
    EXPECT_NEAR(out[2 * 19], 500.0f, 0.01f);    // 9.5: half way to the zero guard
    EXPECT_EQ(out[2 * 20], 0.0f);

    Voice& empty = Voices[1];
    empty.sample = &EmptySample;
    MixVoices(out.data(), 40);
    EXPECT_EQ(empty.sample, nullptr);
}

TEST(Mixer, ConversionRoundsHalfToEvenAndClamps)
{
    const float in[10] = {0.5f, 1.5f, 2.5f, -0.5f, -1.5f, 40000.0f, -40000.0f, 32767.4f, -32768.6f, 12.49f};
    int16_t out[10];
    std::memset(out, 0x55, sizeof out);
    ConvertBlock(out, in, 5);
    const int16_t expected[10] = {0, 2, 2, 0, -2, 32767, -32768, 32767, -32768, 12};
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(out[i], expected[i]) << i;
    ConvertBlock(nullptr, in, 5);
    ConvertBlock(out, in, 0);
}

// The mixer works through several frames at once where it can. Whatever it does, each
// output value must be the frame-by-frame sum below to the bit: random voices, both
// directions, settled gains and ramps, block lengths that leave any remainder.
TEST(Mixer, EveryFrameIsTheOneAtATimeSumToTheBit)
{
    std::mt19937 random(99);
    std::vector<int16_t> data(8192 + SAMPLE_GUARD_VALUES);
    for (int16_t& value : data)
        value = static_cast<int16_t>(random());
    Sample sample{};
    sample.data = data.data();
    sample.length = sample.loopLength = 8192;
    sample.loopKind = LOOP_NONE;
    for (int round = 0; round < 400; round++) {
        ResetMixer(44100);
        Voice& v = Voices[round % MIXED_VOICES];
        v.sample = &sample;
        v.position = (uint64_t{2000 + random() % 2000} << 32) | random();
        v.step = FIXED_ONE / 64 + random() % (4 * FIXED_ONE);
        v.direction = round % 2 ? 2 : 1;
        v.targetLeft = int32_t(random() % 256);
        v.targetRight = int32_t(random() % 256);
        const bool ramp = round % 3 == 0;
        v.currentLeft = ramp ? int32_t(random() % (256 * 256)) : v.targetLeft * 256;
        v.currentRight = ramp ? int32_t(random() % (256 * 256)) : v.targetRight * 256;
        const int frames = 1 + int(random() % 300);
        std::vector<float> out(2 * size_t(frames));
        for (float& value : out)
            value = float(int(random() % 2000) - 1000) + 0.5f;
        std::vector<float> expected = out;

        // A ramp runs from the gain reached to the targets over the ramp length, then
        // the gains are the targets.
        const int32_t dL = v.targetLeft - (v.currentLeft >> 8), dR = v.targetRight - (v.currentRight >> 8);
        const int rampFrames = dL != 0 || dR != 0 ? Mixer.rampLength : 0;
        float gL = rampFrames ? float(v.currentLeft) / 256.0f / 255.0f : float(v.targetLeft) / 255.0f;
        float gR = rampFrames ? float(v.currentRight) / 256.0f / 255.0f : float(v.targetRight) / 255.0f;
        const float stepL = dL != 0 ? float(dL) * (1.0f / 255.0f) * Mixer.rampReciprocal : 0.0f;
        const float stepR = dR != 0 ? float(dR) * (1.0f / 255.0f) * Mixer.rampReciprocal : 0.0f;
        const uint64_t step = v.direction == 2 ? uint64_t(0) - v.step : v.step;
        uint64_t position = v.position;
        for (int k = 0; k < frames; k++) {
            if (k == rampFrames && rampFrames > 0) {
                gL = float(v.targetLeft) / 255.0f;
                gR = float(v.targetRight) / 255.0f;
            }
            const uint32_t i = uint32_t(position >> 32);
            const float f = float(int32_t(uint32_t(position) >> 1)) * (1.0f / 2147483648.0f);
            const float a = data[i];
            const float value = a + (float(data[i + 1]) - a) * f;
            expected[2 * size_t(k)] += value * gL;
            expected[2 * size_t(k) + 1] += value * gR;
            if (k < rampFrames) {
                gL += stepL;
                gR += stepR;
            }
            position += step;
        }

        MixVoices(out.data(), frames);
        ASSERT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0)
            << "round " << round << ", " << frames << " frames";
        EXPECT_EQ(v.position, position);
        v.sample = nullptr;
    }
}

}   // namespace

