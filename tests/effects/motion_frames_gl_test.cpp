// Whole frames of the demo on a GL context (SDL's offscreen driver, 640 x 480) at
// chosen times: each scene with animated items shows something that moves, the two
// flash layers cover the window, and a transition's outgoing scene leaves the
// rebuilt meshes as they were.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tests/gl_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

using MotionFrames = OffscreenDemoTest<WIDTH, HEIGHT>;

struct FrameStats {
    double mean;
    double deviation;
    std::vector<uint8_t> rgb;
};

FrameStats DrawAndRead(float t)
{
    DrawFrame(t);
    FrameStats s{};
    s.rgb.resize(static_cast<std::size_t>(WIDTH) * HEIGHT * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, s.rgb.data());
    double sum = 0.0, squares = 0.0;
    for (uint8_t c : s.rgb) {
        sum += c;
        squares += static_cast<double>(c) * c;
    }
    const double n = static_cast<double>(s.rgb.size());
    s.mean = sum / n;
    s.deviation = std::sqrt(squares / n - s.mean * s.mean);
    return s;
}

double MeanDifference(const FrameStats& a, const FrameStats& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i)
        sum += std::abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
    return sum / static_cast<double>(a.rgb.size());
}

SceneItem& FirstItem(int scene)
{
    return SceneItemLists[scene - 1].first[0];
}

// One chosen time per scene with animated items, away from the texts and the
// flashes; half a second later the picture must have moved.
TEST_F(MotionFrames, EveryAnimatedSceneShowsSomethingThatMoves)
{
    struct Chosen {
        int scene;
        float t;
    };
    const Chosen chosen[] = {
        { 5, 300.0f },     // shatter, spiral discs, shaded surface into the capture
        { 4, 2600.0f },    // shaded surface, rings, spiral discs
        { 1, 3300.0f },    // the picture over scene 9
        { 9, 4900.0f },    // ropes and fans
        { 11, 6400.0f },   // warped layers and the arm
        { 7, 8200.0f },    // fans and the lattice surface
        { 8, 9500.0f },    // fans and the ring trail
        { 6, 10800.0f },   // fans and the blob trail
        { 10, 12200.0f },  // warped layer, shaded surface, flower grid
        { 3, 14500.0f },   // tunnel, lattice surface and its glow layer
    };
    for (const Chosen& c : chosen) {
        const FrameStats a = DrawAndRead(c.t);
        const FrameStats b = DrawAndRead(c.t + 50.0f);
        EXPECT_GT(a.mean, 8.0) << "scene " << c.scene << " at " << c.t;
        EXPECT_GT(a.deviation, 8.0) << "scene " << c.scene << " at " << c.t;
        EXPECT_GT(MeanDifference(a, b), 2.0) << "scene " << c.scene << " at " << c.t;
    }
}

TEST_F(MotionFrames, FlashLayersCoverTheWindowAtTheirPeakAndVanishBefore)
{
    // Scene 13 (black) on track 2 from 9936 with offset -64: scene time 0 at 10000.
    const FrameStats before13 = DrawAndRead(9936.0f);
    EXPECT_EQ(FirstItem(13).colour[3], 0);
    EXPECT_GT(before13.mean, 8.0);
    const FrameStats peak13 = DrawAndRead(10000.0f);
    EXPECT_EQ(FirstItem(13).colour[3], 255);   // 272 / 256 is held at 255
    EXPECT_LT(peak13.mean, 1.0);

    // Scene 12 (white) from 13136: scene time 0 at 13200.
    const FrameStats peak12 = DrawAndRead(13200.0f);
    EXPECT_EQ(FirstItem(12).colour[3], 255);
    EXPECT_GT(peak12.mean, 250.0);
    const FrameStats half12 = DrawAndRead(13168.0f);   // key (-8, 192): 0.75
    EXPECT_EQ(FirstItem(12).colour[3], 191);
    EXPECT_GT(half12.mean, 150.0);
    EXPECT_LT(half12.mean, 250.0);

    // Scene 14 ends the demo: half speed from 17072, held black from 17200 on.
    DrawAndRead(17200.0f);
    EXPECT_EQ(FirstItem(14).colour[3], 255);
    EXPECT_LT(DrawAndRead(17300.0f).mean, 1.0);
}

std::vector<uint8_t> MeshBytes(int mesh)
{
    const MeshSlot& slot = EngineTables.MeshTable[mesh];
    const auto* first = reinterpret_cast<const uint8_t*>(EngineTables.VertexArray + slot.firstVertex);
    std::vector<uint8_t> bytes(first, first + sizeof(Vertex) * slot.vertexCount);
    const auto* count = reinterpret_cast<const uint8_t*>(&slot.indexCount);
    bytes.insert(bytes.end(), count, count + sizeof slot.indexCount);
    return bytes;
}

TEST_F(MotionFrames, OutgoingSceneOfASlideLeavesTheSurfacesAsLastBuilt)
{
    // Scene 4 rebuilds meshes 20 and 21 every frame until 3500, when scene 9 slides
    // in and scene 4 goes on as the outgoing scene.
    DrawAndRead(3499.0f);
    const std::vector<uint8_t> mesh20 = MeshBytes(20), mesh21 = MeshBytes(21);
    const FrameStats sliding = DrawAndRead(3600.0f);
    EXPECT_GT(sliding.deviation, 8.0);
    EXPECT_EQ(mesh20, MeshBytes(20));
    EXPECT_EQ(mesh21, MeshBytes(21));
    DrawAndRead(3400.0f);
    EXPECT_NE(mesh20, MeshBytes(20));
    EXPECT_NE(mesh21, MeshBytes(21));
}

TEST_F(MotionFrames, TunnelLeavesDepthTestingOff)
{
    glEnable(GL_DEPTH_TEST);
    DrawAndRead(14000.0f);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

} // namespace
