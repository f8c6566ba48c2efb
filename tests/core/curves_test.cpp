// Envelopes and camera paths: the shared cubic, repetition and its absence, one-key
// paths, key times that fall back, and the cameras the scenes' paths give.
#include "content/content.h"
#include "core/curves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float DEGREES = 180.0f / 256.0f;

TEST(Envelope, TransitionCurveIsStraightThenSteeper)
{
    EXPECT_FLOAT_EQ(EvaluateEnvelope(TransitionEnvelope, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(TransitionEnvelope, 64.0f), 0.25f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(TransitionEnvelope, 128.0f), 0.5f);
    // Second segment: m0 = 8, m1 = 12, from (32, 128) to (64, 512); at a = 48:
    // c2 = (3 x 384 - (2 x 8 x 32 + 12 x 32)) / 1024 = 0.25, c3 = (12 - 16 - 8) / 3072,
    // so at d = 16: 128 + 128 + 64 - 16.
    EXPECT_FLOAT_EQ(EvaluateEnvelope(TransitionEnvelope, 192.0f), 304.0f / 256.0f);
    // It nears 2.0 as the transition ends; at 256 it would start over with the period.
    EXPECT_NEAR(EvaluateEnvelope(TransitionEnvelope, 254.99f), 2.0f, 0.02f);
    EXPECT_EQ(EvaluateEnvelope(TransitionEnvelope, 256.0f), 0.0f);
    // Rising throughout the transition.
    float last = -1.0f;
    for (float x = 0.0f; x < 255.0f; x += 1.0f) {
        const float v = EvaluateEnvelope(TransitionEnvelope, x);
        EXPECT_GT(v, last) << x;
        last = v;
    }
}

TEST(Envelope, RepeatsWithThePeriodOfItsLastKeyButNotBackwards)
{
    // L = 20: x = 100 is a = 25, w = 5.
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, 100.0f), 0.25f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, 20.0f), 0.25f);
    // w keeps a's sign: before the first key, not wrapped to the period's end.
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, -20.0f), 0.0f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, -100.0f), 0.0f);
    // A whole period is its start, not its end.
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, 80.0f), 0.0f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(GlowEnvelope, 79.0f), 19.75f / 20.0f);
}

TEST(Envelope, LastKeyAtZeroMeansNoRepetition)
{
    // Keys (-275, 0), (-263, 255), (-50, 0), (0, 0).
    for (float x : { 0.0f, 1.0f, 5000.0f, 1e6f })
        EXPECT_EQ(EvaluateEnvelope(WarpFlashEnvelope, x), 0.0f) << x;
    EXPECT_FLOAT_EQ(EvaluateEnvelope(WarpFlashEnvelope, -263.0f * 4.0f), 255.0f / 256.0f);
    EXPECT_FLOAT_EQ(EvaluateEnvelope(WarpFlashEnvelope, -5000.0f), 0.0f);
    // Two keys: a straight line from 255 at -275 to 0 at 0.
    EXPECT_FLOAT_EQ(EvaluateEnvelope(ShatterEnvelope, -550.0f), 127.5f / 256.0f);
}

TEST(Envelope, OneKeyAndEqualKeyTimes)
{
    const EnvelopeKey one[] = { { 10, 300 } };
    for (float x : { -1000.0f, 0.0f, 40.0f, 39.0f, 1000.0f })
        EXPECT_FLOAT_EQ(EvaluateEnvelope({ 1, one }, x), 300.0f / 256.0f) << x;
    // A step: two keys at one time give the first key's value up to the step.
    const EnvelopeKey step[] = { { 0, 0 }, { 10, 256 }, { 10, 512 }, { 20, 512 } };
    EXPECT_FLOAT_EQ(EvaluateEnvelope({ 4, step }, 20.0f), 0.5f);
    EXPECT_TRUE(std::isfinite(EvaluateEnvelope({ 4, step }, 41.0f)));
}

void ExpectCamera(const Camera& c, float x, float y, float z, float yaw, float pitch, float roll, float zoom)
{
    EXPECT_FLOAT_EQ(c.x, x);
    EXPECT_FLOAT_EQ(c.y, y);
    EXPECT_FLOAT_EQ(c.z, z);
    EXPECT_FLOAT_EQ(c.yaw, yaw);
    EXPECT_FLOAT_EQ(c.pitch, pitch);
    EXPECT_FLOAT_EQ(c.roll, roll);
    EXPECT_FLOAT_EQ(c.zoom, zoom);
}

TEST(CameraPath, OneKeyHoldsAtEveryTime)
{
    const CameraPath& path = *SceneDefinitions[10].cameraPath;
    for (float t : { -500.0f, 0.0f, 1234.5f, 1e5f })
        ExpectCamera(EvaluateCameraPath(path, t), 0, -0.5f, -1512.0f / 256.0f, 0, 0, 0, 1.0f);
    for (int s = 12; s <= 14; ++s)
        EXPECT_EQ(SceneDefinitions[s - 1].cameraPath, &path);
}

TEST(CameraPath, HoldsItsEndsAndDoesNotRepeat)
{
    const CameraPath& path = *SceneDefinitions[8].cameraPath;   // keys at 0, 250, 500
    const Camera start = EvaluateCameraPath(path, 0.0f);
    ExpectCamera(EvaluateCameraPath(path, -400.0f), start.x, start.y, start.z, start.yaw, start.pitch,
                 start.roll, start.zoom);
    ExpectCamera(start, -3728.0f / 256.0f, 1248.0f / 256.0f, -976.0f / 256.0f, 112.0f * DEGREES,
                 64.0f * DEGREES, 40.0f * DEGREES, 180.0f / 256.0f);
    // Past the end the last key stays, rather than the path starting over.
    ExpectCamera(EvaluateCameraPath(path, 2600.0f), start.x, start.y, start.z, start.yaw, start.pitch,
                 start.roll, start.zoom);
    const Camera middle = EvaluateCameraPath(path, 1000.0f);
    EXPECT_FLOAT_EQ(middle.x, 3712.0f / 256.0f);
}

TEST(CameraPath, KeyTimesThatFallBackStillChooseASegment)
{
    // Scene 2: times 0, 400, 350, 450.
    const CameraPath& path = *SceneDefinitions[1].cameraPath;
    // a = 375 lies in segment 0 (it ends at 400): a straight line, pitch 24 to -8.
    const Camera early = EvaluateCameraPath(path, 1500.0f);
    EXPECT_FLOAT_EQ(early.pitch, (24.0f - 32.0f * 375.0f / 400.0f) * DEGREES);
    EXPECT_FLOAT_EQ(early.yaw, 28.0f * DEGREES);
    // a = 425: segment 2 from (350, yaw -32) to (450, yaw 0), previous key (400, 28):
    // m0 = -0.56, m1 = 0.32, c2 = 0.0176, c3 = -0.000088; -32 - 42 + 99 - 37.125.
    const Camera late = EvaluateCameraPath(path, 1700.0f);
    EXPECT_NEAR(late.yaw, -12.125f * DEGREES, 1e-3f);
    EXPECT_FLOAT_EQ(late.x, 800.0f / 256.0f);
}

} // namespace
