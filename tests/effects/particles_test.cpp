// Particles without GL: the seeding draws and their order, the first planes, the
// colour by distance and the step toward a fixed or circling attractor.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

SceneItem MakeParticle()
{
    SceneItem item = {};
    item.scale[0] = item.scale[1] = item.scale[2] = 1.0f;
    return item;
}

// The two draws the next seeding will make, without disturbing the generator.
void PeekDraws(int32_t* r1, int32_t* r2)
{
    const uint32_t saved = DemoRandomState;
    *r1 = DemoRandom();
    *r2 = DemoRandom();
    DemoRandomState = saved;
}

// A generator state whose next two draws give a radius of 0.
uint32_t StateForZeroRadius()
{
    for (uint32_t s = 1;; ++s) {
        DemoRandomState = s;
        DemoRandom();
        if ((DemoRandom() & 255) == 0)
            return s;
    }
}

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ParticleSpinAngle = 0.0f;
        DemoRandomState = 12345;
    }
};

TEST_F(ParticleTest, FirstSeedingLiesInTheXZPlaneAndTheNextOneIsTurned)
{
    int32_t r1, r2;
    PeekDraws(&r1, &r2);
    const float theta = static_cast<float>(r1) * 0.024542969f;
    const float rho = static_cast<float>(r2 & 255) * 0.003921569f;
    const float a = rho * std::cos(theta);
    const float b = rho * std::sin(theta);

    SceneItem p = MakeParticle();
    SeedParticle(&p);
    EXPECT_EQ(p.workFlag, 1);
    EXPECT_FLOAT_EQ(p.position[0], a);
    EXPECT_FLOAT_EQ(p.position[1], 0.0f);
    EXPECT_FLOAT_EQ(p.position[2], b);
    EXPECT_FLOAT_EQ(p.work[0], -0.075f * b);
    EXPECT_FLOAT_EQ(p.work[1], 0.075f * a * std::sin(1.57075f));
    EXPECT_NEAR(p.work[2], 0.075f * a * std::cos(1.57075f), 1e-7f);
    EXPECT_FLOAT_EQ(ParticleSpinAngle, 1.57075f);

    // Seeded in a plane turned a quarter about x: (a, b sin phi, b cos phi).
    PeekDraws(&r1, &r2);
    const float b2 = static_cast<float>(r2 & 255) * 0.003921569f *
                     std::sin(static_cast<float>(r1) * 0.024542969f);
    SceneItem q = MakeParticle();
    SeedParticle(&q);
    EXPECT_FLOAT_EQ(q.position[1], b2 * std::sin(1.57075f));
    EXPECT_NEAR(q.position[2], b2 * std::cos(1.57075f), 1e-6f);
    EXPECT_FLOAT_EQ(ParticleSpinAngle, 2 * 1.57075f);
}

TEST_F(ParticleTest, ParticlesAreSeededInTheOrderTheirCallbacksFirstRun)
{
    SceneItem first = MakeParticle();
    SceneItem second = MakeParticle();
    SceneItem expected[2] = { MakeParticle(), MakeParticle() };
    const uint32_t start = DemoRandomState;
    SeedParticle(&expected[0]);
    SeedParticle(&expected[1]);
    DemoRandomState = start;
    ParticleSpinAngle = 0.0f;

    // The second item's callback runs first: it takes the first draws.
    ParticleItemCallback(&second, 0, 0.0f);
    ParticleItemCallback(&first, 0, 0.0f);
    // Undo one step of each: the seeded velocity was added once, after the pull.
    const auto seededX = [](const SceneItem& p) { return p.position[0] - p.work[0]; };
    EXPECT_NEAR(seededX(second), expected[0].position[0], 1e-6f);
    EXPECT_NEAR(seededX(first), expected[1].position[0], 1e-6f);
    // Once seeded, a particle draws nothing more.
    const uint32_t before = DemoRandomState;
    ParticleItemCallback(&first, 0, 4.0f);
    EXPECT_EQ(DemoRandomState, before);
}

TEST_F(ParticleTest, ColourFallsFromYellowAtTheAttractorToRedAtDistanceOne)
{
    struct Row { float x; uint8_t green, blue; };
    const Row rows[] = { { 0.0f, 254, 127 }, { 0.5f, 127, 63 }, { 0.999f, 0, 0 },
                         { 1.0f, 0, 0 }, { 7.0f, 0, 0 }, { 0.25f, 191, 95 } };
    for (const Row& row : rows) {
        SceneItem p = MakeParticle();
        p.workFlag = 1;
        p.position[0] = row.x;
        ParticleItemCallback(&p, 0, 0.0f);
        EXPECT_EQ(p.colour[0], 224) << row.x;
        EXPECT_EQ(p.colour[1], row.green) << row.x;
        EXPECT_EQ(p.colour[2], row.blue) << row.x;
        EXPECT_EQ(p.colour[3], 32) << row.x;
    }
}

TEST_F(ParticleTest, StepPullsWithConstantLengthTowardTheAttractor)
{
    SceneItem p = MakeParticle();
    p.workFlag = 1;
    p.position[1] = 2.0f;
    p.work[0] = 0.1f;
    ParticleItemCallback(&p, 0, 0.0f);
    EXPECT_FLOAT_EQ(p.work[0], 0.1f);
    EXPECT_FLOAT_EQ(p.work[1], -0.005f);
    EXPECT_FLOAT_EQ(p.position[0], 0.1f);
    EXPECT_FLOAT_EQ(p.position[1], 1.995f);
    // The scale is left alone without the half-size bit.
    EXPECT_EQ(p.scale[0], 1.0f);
}

TEST_F(ParticleTest, ZeroRadiusSeedSitsOnTheAttractorAndStaysThere)
{
    DemoRandomState = StateForZeroRadius();
    SceneItem p = MakeParticle();
    p.scale[0] = p.scale[1] = p.scale[2] = 3.0f;   // a scene's own scale
    for (int frame = 0; frame < 10; ++frame)
        ParticleItemCallback(&p, PARTICLE_HALF_SIZE, 100.0f * frame);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p.position[i], 0.0f);
        EXPECT_EQ(p.work[i], 0.0f);
    }
    EXPECT_EQ(p.colour[1], 254);
    EXPECT_EQ(p.scale[0], 0.5f);
    EXPECT_EQ(p.scale[1], 0.5f);
    EXPECT_EQ(p.scale[2], 3.0f);
}

TEST_F(ParticleTest, CirclingAttractorPlacesTheSeedAroundItsPositionAtThatTime)
{
    DemoRandomState = StateForZeroRadius();
    SceneItem p = MakeParticle();
    const float t = 157.0f;
    ParticleItemCallback(&p, PARTICLE_CIRCLING, t);
    // Seeded on the attractor, pulled by nothing (d = 0), not moved.
    EXPECT_FLOAT_EQ(p.position[0], std::cos(0.01f * t));
    EXPECT_FLOAT_EQ(p.position[1], 0.0f);
    EXPECT_FLOAT_EQ(p.position[2], std::sin(0.01f * t));
    // A later frame finds the attractor gone on: the particle falls after it.
    ParticleItemCallback(&p, PARTICLE_CIRCLING, t + 50.0f);
    const float qx = std::cos(0.01f * (t + 50.0f)) - std::cos(0.01f * t);
    const float qz = std::sin(0.01f * (t + 50.0f)) - std::sin(0.01f * t);
    const float r = std::sqrt(qx * qx + qz * qz);
    EXPECT_NEAR(p.work[0], 0.005f * qx / r, 1e-6f);
    EXPECT_NEAR(p.work[2], 0.005f * qz / r, 1e-6f);
}

} // namespace
