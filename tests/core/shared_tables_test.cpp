// The shared tables at their edges.
#include "content/content.h"
#include "core/engine_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class SharedTables : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        EngineTables = {};
        BuildSharedTables();
        BuildFontWorkAreas();
    }
};

TEST_F(SharedTables, CosineIsTheSineTableAQuarterPeriodOn)
{
    const float* sine = EngineTables.SineTable;
    const float* cosine = EngineTables.CosineTable;
    EXPECT_EQ(cosine, sine + 1024);
    EXPECT_EQ(sine[0], 0.0f);
    EXPECT_FLOAT_EQ(cosine[0], 1.0f);
    EXPECT_FLOAT_EQ(cosine[2048], -1.0f);
    for (int i = 0; i < SINE_TABLE_SIZE - COSINE_OFFSET; ++i)
        ASSERT_EQ(cosine[i], sine[i + COSINE_OFFSET]) << "entry " << i;
    // As far as lookups reach (entry 5119), the running angle stays within 2e-5.
    for (int i = 0; i <= 5119; ++i)
        ASSERT_NEAR(sine[i], std::sin(i * 2 * M_PI / 4096), 2e-5) << "entry " << i;
}

TEST_F(SharedTables, SineAccumulatesItsAngleInSinglePrecision)
{
    // The angle is a running single-precision sum, not i * step: far into the
    // table the two differ, and the table must follow the running sum.
    float angle = 0.0f;
    for (int i = 0; i < 6000; ++i)
        angle += 0.0015339808f;
    EXPECT_EQ(EngineTables.SineTable[6000], static_cast<float>(std::sin(static_cast<double>(angle))));
    EXPECT_NE(angle, 6000 * 0.0015339808f);

    // Values of the running sum computed independently (float32 emulation): by the
    // end of the second period the angle has drifted by almost a whole step.
    EXPECT_NEAR(EngineTables.SineTable[4096], 1.7340983e-05f, 1e-10f);
    EXPECT_NEAR(EngineTables.SineTable[8191], -0.0029178895f, 1e-9f);
}

TEST_F(SharedTables, FalloffFallsAsASquareFromOneToTwoTexelsAboveZero)
{
    const float* falloff = EngineTables.FalloffTable;
    EXPECT_EQ(falloff[0], 1.0f);
    EXPECT_EQ(falloff[1], 1.0f);
    EXPECT_FLOAT_EQ(falloff[2], (511.0f / 512) * (511.0f / 512));
    EXPECT_FLOAT_EQ(falloff[511], (2.0f / 512) * (2.0f / 512));
    for (int j = 2; j < FALLOFF_TABLE_SIZE; ++j)
        ASSERT_LT(falloff[j], falloff[j - 1]) << "entry " << j;
}

TEST_F(SharedTables, GlyphIndexNumbersTheFontCharactersFromOne)
{
    const int32_t* index = EngineTables.GlyphIndex;
    EXPECT_EQ(index['-'], 1);
    EXPECT_EQ(index['a'], 2);
    EXPECT_EQ(index['z'], 27);
    EXPECT_EQ(index['0'], 33);
    EXPECT_EQ(index['9'], 42);
    EXPECT_EQ(index['A'], 0);
    EXPECT_EQ(index[' '], 0);
    EXPECT_EQ(index['?'], 0);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[255], 0);
    int mapped = 0;
    for (int c = 0; c < GLYPH_INDEX_SIZE; ++c)
        mapped += index[c] != 0;
    EXPECT_EQ(mapped, GLYPH_COUNT);
}

TEST_F(SharedTables, FontWorkAreasLieWhereTheFontExpectsThem)
{
    EXPECT_EQ(reinterpret_cast<uint8_t*>(EngineTables.GlyphIndex),
              EngineTables.ScratchBlock + SCRATCH_GLYPH_INDEX);
    EXPECT_EQ(SCRATCH_GLYPH_INDEX + GLYPH_INDEX_SIZE * 4, SCRATCH_BLOCK_BYTES);
    EXPECT_EQ(EngineTables.GlyphBoxCursor, EngineTables.GlyphBoxes);
    for (int i = 0; i < SCRATCH_GLYPH_INDEX; ++i)
        ASSERT_EQ(EngineTables.ScratchBlock[i], 0) << "byte " << i;
}

} // namespace
