// The mask split behind the capture post-process: the two parts of every texel,
// the truncation at the ends of the mask, and the opaque alpha.
#include "content/content.h"
#include "core/engine_tables.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int TEXELS = 128 * 128;

class MaskSplitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineTables = {};
        layers.assign(LAYER_COUNT, nullptr);
        maskA.assign(TEXELS, 0);
        maskB.assign(TEXELS, 0);
        for (int k = 0; k < TEXELS; ++k) {
            maskA[k] = static_cast<uint8_t>(k);        // every value, cyclically
            maskB[k] = static_cast<uint8_t>(k * 7);
        }
        layers[23] = maskA.data();
        layers[28] = maskB.data();
        EngineTables.LayerStore = layers.data();
    }

    std::vector<uint8_t*> layers;
    std::vector<uint8_t> maskA, maskB;
};

TEST_F(MaskSplitTest, SplitsEveryTexelByTheMaskAndItsInverse)
{
    std::vector<uint8_t> a(TEXELS * 4), b(TEXELS * 4, 77);
    for (int k = 0; k < TEXELS; ++k) {
        a[4 * k + 0] = 255;
        a[4 * k + 1] = static_cast<uint8_t>(k >> 6);
        a[4 * k + 2] = 1;
        a[4 * k + 3] = 3;   // ignored
    }
    const std::vector<uint8_t> original = a;
    MaskSplit(a.data(), 23, b.data());
    for (int k = 0; k < TEXELS; ++k) {
        const unsigned m = maskA[k];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = original[4 * k + c];
            ASSERT_EQ(a[4 * k + c], (m * v) >> 8) << "texel " << k;
            ASSERT_EQ(b[4 * k + c], ((255 - m) * v) >> 8) << "texel " << k;
        }
        ASSERT_EQ(a[4 * k + 3], 255);
        ASSERT_EQ(b[4 * k + 3], 255);
    }
    // Mask 255 keeps 254 of a full channel whole in the first part; mask 0 gives it
    // all, minus the same step, to the second.
    EXPECT_EQ(a[4 * 255], 254);
    EXPECT_EQ(b[4 * 255], 0);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(b[0], 254);
}

// The post-process's three splits: the four parts are the frame weighted cell-wise by
// m23 x m28, m23 x (255 - m28), (255 - m23) x m28 and (255 - m23) x (255 - m28).
TEST_F(MaskSplitTest, ThreeSplitsGiveFourComplementaryParts)
{
    std::vector<uint8_t> frame(TEXELS * 4), t7(TEXELS * 4), t8(TEXELS * 4);
    for (int k = 0; k < TEXELS; ++k)
        for (int c = 0; c < 4; ++c)
            frame[4 * k + c] = static_cast<uint8_t>(200 + c);
    MaskSplit(frame.data(), 23, t7.data());
    MaskSplit(frame.data(), 28, t8.data());
    const std::vector<uint8_t> part32 = frame, part8 = t8;
    MaskSplit(t7.data(), 28, t8.data());
    for (int k = 0; k < TEXELS; k += 97) {
        const unsigned a = maskA[k], b = maskB[k], v = 200;
        EXPECT_EQ(part32[4 * k], (b * ((a * v) >> 8)) >> 8);
        EXPECT_EQ(part8[4 * k], ((255 - b) * ((a * v) >> 8)) >> 8);
        EXPECT_EQ(t7[4 * k], (b * (((255 - a) * v) >> 8)) >> 8);
        EXPECT_EQ(t8[4 * k], ((255 - b) * (((255 - a) * v) >> 8)) >> 8);
        // Together about the picture itself: each split loses at most one step per part.
        const unsigned sum = part32[4 * k] + part8[4 * k] + t7[4 * k] + t8[4 * k];
        EXPECT_LE(sum, v);
        EXPECT_GE(sum + 8, v);
    }
}

} // namespace
