// Text layout and motion without GL: pen positions, line feeds and wraps, start
// delays, the fly-in/out curve, the motion modes at their ends, the atlas reduction
// and the text table's own promises.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float ADVANCE = 0.4f + 0.025f;   // every test glyph's box ends at x = 0.4

class TextLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!EngineTables.GlyphIndex)
            BuildFontWorkAreas();
        for (int g = 0; g < GLYPH_COUNT; ++g)
            EngineTables.GlyphBoxes[g] = { -0.03f, -0.03f, 0.4f, 0.5f };
    }

    static std::vector<PlacedGlyph> Lay(const char* text, float width, float spread = 500.0f,
                                        float transition = 100.0f)
    {
        TextLayout layout;
        BeginTextLayout(&layout, text, width, spread, transition);
        std::vector<PlacedGlyph> out;
        PlacedGlyph g;
        while (NextTextGlyph(&layout, &g))
            out.push_back(g);
        return out;
    }
};

int GlyphOf(char c)
{
    return static_cast<int>(std::strchr(FontCharacters, c) - FontCharacters);
}

TEST_F(TextLayoutTest, LineFeedStartsTheNextLineAfterABlankAdvance)
{
    const auto g = Lay("ab\ncd", 8.0f);
    ASSERT_EQ(g.size(), 4u);
    EXPECT_EQ(g[0].glyph, GlyphOf('a'));
    EXPECT_FLOAT_EQ(g[1].x, ADVANCE);
    EXPECT_FLOAT_EQ(g[1].y, 0.0f);
    // The line feed both moves down and, being no glyph, advances by 0.2.
    EXPECT_FLOAT_EQ(g[2].x, 0.2f);
    EXPECT_FLOAT_EQ(g[2].y, -0.55f);
    EXPECT_FLOAT_EQ(g[3].x, 0.2f + ADVANCE);
    EXPECT_EQ(g[3].glyph, GlyphOf('d'));
}

TEST_F(TextLayoutTest, WrapHappensOnlyOncePenIsBeyondTheWidthAndStartsAtZero)
{
    // Width 1: pens 0, 0.425, 0.85 stay; 1.275 > 1 moves the fourth glyph down.
    const auto g = Lay("aaaaa", 1.0f);
    ASSERT_EQ(g.size(), 5u);
    EXPECT_FLOAT_EQ(g[2].x, 2 * ADVANCE);
    EXPECT_FLOAT_EQ(g[3].x, 0.0f);
    EXPECT_FLOAT_EQ(g[3].y, -0.55f);
    EXPECT_FLOAT_EQ(g[4].x, ADVANCE);
    // A pen exactly on the width does not wrap.
    const auto exact = Lay("aaa", 2 * ADVANCE);
    EXPECT_FLOAT_EQ(exact[2].y, 0.0f);
    // A blank beyond the width wraps too, and then advances.
    const auto blank = Lay("aaa b", 1.0f);
    EXPECT_FLOAT_EQ(blank[3].x, 0.2f);
    EXPECT_FLOAT_EQ(blank[3].y, -0.55f);
}

TEST_F(TextLayoutTest, DelaysAdvanceOnlyForGlyphsOfTheFont)
{
    // "see ya!": six glyphs, n = 7; the space moves the pen but not the clock.
    const auto g = Lay("see ya!", 8.0f, 100.0f, 50.0f);
    ASSERT_EQ(g.size(), 6u);
    const float step = 50.0f / 7.0f;
    EXPECT_FLOAT_EQ(g[3].delay, 3 * step);
    EXPECT_FLOAT_EQ(g[3].x, 3 * ADVANCE + 0.2f);
    EXPECT_EQ(g[5].glyph, GlyphOf('!'));
    EXPECT_NEAR(g[5].delay, 5 * step, 1e-4f);
    EXPECT_LT(g[5].delay, 100.0f - 50.0f);
}

TEST_F(TextLayoutTest, BytesOutsideTheFontAreBlanks)
{
    // Upper case, a tab and bytes above 127 all advance by 0.2 and draw nothing.
    const auto g = Lay("A\t\xC3\xA9z", 8.0f);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_FLOAT_EQ(g[0].x, 0.8f);
    EXPECT_FLOAT_EQ(g[0].delay, 0.0f);
    // No glyph at all: nothing to place, and the whole spread less one transition is
    // the step.
    TextLayout layout;
    BeginTextLayout(&layout, "  \n ", 8.0f, 300.0f, 100.0f);
    EXPECT_FLOAT_EQ(layout.step, 200.0f);
    PlacedGlyph unused;
    EXPECT_FALSE(NextTextGlyph(&layout, &unused));
}

TEST(TextTransition, RunsFromOneToZeroAndBackAroundTheHold)
{
    struct Row { float tau, u; };
    // transition 100, hold 800
    const Row rows[] = {
        { -50.0f, 1.0f }, { 0.0f, 1.0f }, { 25.0f, 0.75f }, { 100.0f, 0.0f }, { 500.0f, 0.0f },
        { 800.0f, 0.0f }, { 850.0f, 0.5f }, { 900.0f, 1.0f }, { 2000.0f, 1.0f },
    };
    for (const Row& row : rows)
        EXPECT_FLOAT_EQ(ComputeTransition(row.tau, 100.0f, 800.0f), row.u) << "tau " << row.tau;
    // A zero transition jumps, and never yields NaN.
    EXPECT_EQ(ComputeTransition(0.0f, 0.0f, 800.0f), 1.0f);
    EXPECT_EQ(ComputeTransition(10.0f, 0.0f, 800.0f), 0.0f);
    EXPECT_EQ(ComputeTransition(800.0f, 0.0f, 800.0f), 1.0f);
}

TEST(Motion, TableFormsTheFourModes)
{
    const MotionFunction expected[] = { MotionPulse,  MotionSpinIn, MotionWobble, MotionStretch,
                                        MotionWobble, MotionSpinIn, MotionWobble, MotionFade };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(MotionTable[i], expected[i]) << "entry " << i;
}

GlyphState Rest()
{
    return { 0.8f, -0.55f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 4.0f };
}

// Field by field, so that -0 equals 0.
bool SameState(const GlyphState& a, const GlyphState& b)
{
    const float* x = &a.x;
    const float* y = &b.x;
    for (int i = 0; i < 11; ++i) {
        if (x[i] != y[i])
            return false;
    }
    return true;
}

TEST(Motion, FlyingFunctionsAreIdentityAtRestAndOutOfSightAtOne)
{
    for (MotionFunction f : { MotionSpinIn, MotionStretch, MotionFade }) {
        GlyphState s = Rest();
        f(&s, 0.0f);
        EXPECT_TRUE(SameState(s, Rest()));
        f(&s, 1.0f);
        EXPECT_EQ(s.alpha, 0.0f);
    }
    GlyphState spin = Rest();
    MotionSpinIn(&spin, 1.0f);
    EXPECT_EQ(spin.x, 4.0f);   // the middle of the line
    EXPECT_EQ(spin.y, 0.0f);
    EXPECT_EQ(spin.z, 1.0f);
    EXPECT_EQ(spin.scaleX, 4.0f);
    EXPECT_EQ(spin.scaleY, 4.0f);
    EXPECT_EQ(spin.angle, -540.0f);
    EXPECT_EQ(spin.red, 2.0f);
    EXPECT_EQ(spin.green, 0.0f);
    EXPECT_EQ(spin.blue, 0.0f);

    GlyphState stretch = Rest();
    MotionStretch(&stretch, 1.0f);
    EXPECT_EQ(stretch.x, 4.0f);
    EXPECT_EQ(stretch.y, -0.55f);
    EXPECT_EQ(stretch.scaleX, 26.0f);
    EXPECT_EQ(stretch.angle, -180.0f);
    EXPECT_EQ(stretch.red, 0.0f);
    EXPECT_EQ(stretch.green, 2.0f);
}

TEST(Motion, PulseAndWobbleAtTheirExtremes)
{
    // sin(0.05 tau) = 1 at tau = 10 pi: d = 0.5.
    GlyphState pulse = Rest();
    MotionPulse(&pulse, 10.0f * 3.14159265f);
    EXPECT_NEAR(pulse.red, 1.0f, 1e-5f);
    EXPECT_NEAR(pulse.green, 0.5f, 1e-5f);
    EXPECT_NEAR(pulse.scaleY, 1.25f, 1e-5f);
    // sin = -1: d = 0, red loses half.
    pulse = Rest();
    MotionPulse(&pulse, 30.0f * 3.14159265f);
    EXPECT_NEAR(pulse.red, 0.5f, 1e-5f);
    EXPECT_NEAR(pulse.green, 1.0f, 1e-5f);

    // tau = 0: s = 0.25, k = 0.25.
    GlyphState wobble = Rest();
    MotionWobble(&wobble, 0.0f);
    EXPECT_FLOAT_EQ(wobble.red, 0.5f);
    EXPECT_FLOAT_EQ(wobble.x, 0.8625f);
    EXPECT_FLOAT_EQ(wobble.y, -0.4875f);
    EXPECT_FLOAT_EQ(wobble.angle, -2.5f);
    EXPECT_FLOAT_EQ(wobble.scaleY, 1.25f);
    EXPECT_EQ(wobble.alpha, 1.0f);
}

TEST(Motion, FadeModeIsInvisibleAtStartOpaqueInTheHoldAndGoneAfter)
{
    const PlacedGlyph glyph = { 0, 1.0f, 0.0f, 30.0f };
    const auto alphaAt = [&](float t) { return AnimateGlyph(glyph, 8.0f, t, 50.0f, 100.0f, 3).alpha; };
    EXPECT_EQ(alphaAt(30.0f), 0.0f);          // tau 0
    EXPECT_EQ(alphaAt(80.0f), 1.0f);          // tau = transition
    EXPECT_EQ(alphaAt(130.0f), 1.0f);         // tau = hold
    EXPECT_FLOAT_EQ(alphaAt(155.0f), 0.5f);
    EXPECT_EQ(alphaAt(180.0f), 0.0f);         // tau = hold + transition
    // Mode 0 applies the spin first: fully in, the pulse alone remains.
    const GlyphState s = AnimateGlyph(glyph, 8.0f, 130.0f, 50.0f, 500.0f, 0);
    EXPECT_EQ(s.x, 1.0f);
    EXPECT_EQ(s.alpha, 1.0f);
    EXPECT_EQ(s.parameter, 4.0f);
}

TEST(AtlasReduction, KeyColourIsBackgroundAndAlphaCountsGlyphPixels)
{
    std::vector<uint8_t> capture(CAPTURE_SIDE * CAPTURE_SIDE * 4);
    for (size_t i = 0; i < capture.size(); i += 4) {
        capture[i + 1] = 255;
        capture[i + 2] = static_cast<uint8_t>(i);   // blue is never looked at
    }
    const auto pixel = [&](int x, int y) { return &capture[(y * CAPTURE_SIDE + x) * 4]; };
    const auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = pixel(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
    };
    // Texel (1, 2): one glyph pixel in the block of pixels x 4..7, y 8..11.
    set(5, 9, 200, 100, 50);
    // Texel (3, 0): 8 pixels, colours averaged by integer division.
    for (int i = 0; i < 8; ++i)
        set(12 + (i % 4), i / 4, static_cast<uint8_t>(10 + i % 2), 0, 255);
    // Texel (31, 31): all 16, including near misses of the key.
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            set(124 + i, 124 + j, (i + j) % 2 ? 1 : 0, (i + j) % 2 ? 255 : 254, 0);

    std::vector<uint8_t> cell(ATLAS_CELL_SIDE * ATLAS_CELL_SIDE * 4, 77);
    ReduceGlyphCapture(capture.data(), cell.data());
    const auto texel = [&](int x, int y) {
        const uint8_t* t = &cell[(y * ATLAS_CELL_SIDE + x) * 4];
        return std::vector<int>{ t[0], t[1], t[2], t[3] };
    };
    EXPECT_EQ(texel(0, 0), (std::vector<int>{ 0, 0, 0, 0 }));
    EXPECT_EQ(texel(1, 2), (std::vector<int>{ 200, 100, 50, 15 }));
    EXPECT_EQ(texel(2, 1), (std::vector<int>{ 0, 0, 0, 0 }));   // rows are not turned
    EXPECT_EQ(texel(3, 0), (std::vector<int>{ 10, 0, 255, 127 }));
    EXPECT_EQ(texel(31, 31), (std::vector<int>{ 0, 254, 0, 255 }));
    int background = 0;
    for (int y = 0; y < ATLAS_CELL_SIDE; ++y)
        for (int x = 0; x < ATLAS_CELL_SIDE; ++x)
            background += texel(x, y) == std::vector<int>{ 0, 0, 0, 0 };
    EXPECT_EQ(background, 32 * 32 - 3);
}

// ---- The text table ---------------------------------------------------------------------

std::vector<std::string> Lines(const char* text)
{
    std::vector<std::string> lines(1);
    for (const char* c = text; *c; ++c) {
        if (*c == '\n')
            lines.emplace_back();
        else
            lines.back() += *c;
    }
    return lines;
}

TEST(TextTable, EveryCharacterIsAGlyphASpaceOrALineFeed)
{
    for (const TextEntry& entry : TextEntries) {
        for (const char* c = entry.text; *c; ++c) {
            EXPECT_TRUE(*c == ' ' || *c == '\n' || std::strchr(FontCharacters, *c))
                << "'" << *c << "' in \"" << entry.text << "\"";
        }
        EXPECT_LT(entry.style & ~TEXT_GLOW, MOTION_MODE_COUNT);
        EXPECT_GT(entry.transition, 0);
        EXPECT_LT(entry.transition, 100 * entry.spread);
    }
}

// Every entry's timing, offsets as applied (raw byte x -1/16, x and z signed), style
// and, where the text is fixed, the text itself.
TEST(TextTable, EveryEntryHasItsTimingOffsetsAndStyle)
{
    struct Row {
        int startCs, width, spreadCs, transition, holdCs;
        float dx, dy, dz;
        int style;
        const char* text;   // null: content of our own choosing
    };
    const Row rows[TEXT_ENTRY_COUNT] = {
        { 400, 8, 500, 125, 800, 2.0f, -2.0f, 1.0f, 0x80, " another\n world\n    is\npossible\n    ..." },
        { 3000, 8, 400, 200, 1200, 0.0f, 0.0f, 0.0f, 0x80, "   non-governmental\n      quorvantile" },
        { 3300, 20, 300, 100, 700, -1.0f, -6.75f, -1.5f, 0x01, "-by the vostrel demogroup-" },
        { 8600, 8, 400, 125, 800, 0.0f, 0.0f, 0.0f, 0x81, "science is not a\nmerchandise!" },
        { 6300, 8, 400, 125, 300, 0.0f, 0.0f, 0.0f, 0x00, ".::altergreetings::." },
        { 6500, 8, 200, 125, 400, 0.0f, -2.0f, 0.0f, 0x80, nullptr },
        { 6800, 8, 200, 125, 400, 2.625f, -2.0f, 0.0f, 0x80, nullptr },
        { 7100, 8, 200, 125, 400, 0.0f, -2.0f, 0.0f, 0x80, nullptr },
        { 14800, 10, 200, 125, 800, -1.5f, -1.5f, -1.5f, 0x00,
          "never forget consuming has\npolitical consequences\nso support your local farmers\n"
          "instead of big brothers\nand stop eating hamburgers!" },
        { 15800, 8, 200, 125, 800, -1.5f, -1.0f, -1.5f, 0x02, nullptr },
        { 17036, 8, 100, 50, 100, 2.5f, -2.0f, -5.0f, 0x03, "see ya!" },
        { 9872, 8, 100, 50, 100, 2.5f, -3.0f, -5.0f, 0x03, "fish!" },
    };
    for (int e = 0; e < TEXT_ENTRY_COUNT; ++e) {
        const TextEntry& entry = TextEntries[e];
        const Row& row = rows[e];
        EXPECT_EQ(4 * entry.start, row.startCs) << e;
        EXPECT_EQ(entry.width, row.width) << e;
        EXPECT_EQ(100 * entry.spread, row.spreadCs) << e;
        EXPECT_EQ(entry.transition, row.transition) << e;
        EXPECT_EQ(100 * entry.hold, row.holdCs) << e;
        EXPECT_EQ(entry.dx * -0.0625f, row.dx) << e;
        EXPECT_EQ(entry.dy * -0.0625f, row.dy) << e;
        EXPECT_EQ(entry.dz * -0.0625f, row.dz) << e;
        EXPECT_EQ(entry.style, row.style) << e;
        if (row.text) {
            EXPECT_STREQ(entry.text, row.text) << e;
        }
    }
}

TEST(TextTable, GreetingsAndCreditsHaveTheirShape)
{
    const int names[] = { 8, 7, 8 };
    for (int b = 0; b < 3; ++b) {
        const char* text = TextEntries[5 + b].text;
        ASSERT_EQ(text[0], ' ');
        const auto lines = Lines(text + 1);
        EXPECT_EQ(static_cast<int>(lines.size()), names[b]);
        for (const std::string& name : lines) {
            EXPECT_FALSE(name.empty());
            EXPECT_EQ(name.find(' '), std::string::npos) << name;
        }
    }
    const auto credits = Lines(TextEntries[9].text);
    // Six line feeds after the title: five empty lines.
    ASSERT_EQ(credits.size(), 8u);
    EXPECT_EQ(credits[0], "the credits anyway:");
    for (int i = 1; i < 6; ++i)
        EXPECT_TRUE(credits[i].empty());
    EXPECT_EQ(credits[6].rfind("code.....", 0), 0u);
    EXPECT_GT(credits[6].size(), 9u);
    EXPECT_EQ(credits[7].rfind("music...", 0), 0u);
    EXPECT_GT(credits[7].size(), 9u);
    EXPECT_EQ(credits[7].back(), '.');
    EXPECT_STREQ(TextEntries[10].text, "see ya!");
    EXPECT_EQ(4 * TextEntries[11].start, 9872);
}

TEST_F(TextLayoutTest, EveryTextHasFlownOutWhenItStopsRunning)
{
    // At the end of its window every character of every text is past hold +
    // transition, so cutting it off there shows no jump.
    for (const TextEntry& entry : TextEntries) {
        const float spread = 100.0f * entry.spread;
        const float hold = 100.0f * entry.hold;
        TextLayout layout;
        BeginTextLayout(&layout, entry.text, entry.width, spread, entry.transition);
        PlacedGlyph g;
        while (NextTextGlyph(&layout, &g)) {
            const GlyphState s = AnimateGlyph(g, entry.width, spread + hold, entry.transition, hold,
                                              entry.style & ~TEXT_GLOW);
            EXPECT_LE(s.alpha, 0.0f) << entry.text;
            const GlyphState start = AnimateGlyph(g, entry.width, 0.0f, entry.transition, hold,
                                                  entry.style & ~TEXT_GLOW);
            EXPECT_LE(start.alpha, 0.0f) << entry.text;
        }
    }
}

} // namespace
