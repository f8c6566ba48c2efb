// The font atlas and the text scene on a real GL context (SDL's offscreen driver,
// 640 x 480): the baked cells, their orientation, and frames of the text scene at
// chosen times. PNGs of the atlas and the frames are written next to the test for
// looking at.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tests/gl_fixture.h"
#include "textures/textures.h"
#include "tools/common/png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int ATLAS_SIDE = 256;

std::string OutputPath(const char* name)
{
    return std::string(QV_TEST_OUTPUT_DIR) + "/" + name;
}

class TextGl : public DemoGlTest {
protected:
    static void SetUpTestSuite()
    {
        static bool tried = false;
        if (tried)
            return;
        tried = true;
        if (!Ready())
            return;
        // What a fresh atlas holds before the bake, for comparison.
        generated = ReadAtlas();
        bakedBefore = FontBakeStarted;
        // The first frame in a large window bakes the atlas before its scenes.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        BakeFontAtlasOnce();
        DrawTrack(TimelineTracks[2], 0.0f);
        atlas = ReadAtlas();
        WritePng(OutputPath("font_atlas.png"), atlas.data(), ATLAS_SIDE, ATLAS_SIDE, 4);
        WriteLayout(OutputPath("text_layout.csv").c_str());
    }

    // Every glyph of every text with the font's real boxes: pen position and start
    // delay, for comparing with a layout computed elsewhere.
    static void WriteLayout(const char* path)
    {
        FILE* file = std::fopen(path, "w");
        if (!file)
            return;
        std::fprintf(file, "entry,index,character,glyph,x,y,delay_cs\n");
        for (int e = 0; e < TEXT_ENTRY_COUNT; ++e) {
            const TextEntry& entry = TextEntries[e];
            TextLayout layout;
            BeginTextLayout(&layout, entry.text, entry.width, 100.0f * entry.spread, entry.transition);
            PlacedGlyph g;
            for (int i = 0; NextTextGlyph(&layout, &g); ++i)
                std::fprintf(file, "%d,%d,%c,%d,%.6f,%.6f,%.6f\n", e, i, FontCharacters[g.glyph], g.glyph,
                             g.x, g.y, g.delay);
        }
        std::fclose(file);
    }

    static std::vector<uint8_t> ReadAtlas()
    {
        std::vector<uint8_t> pixels(ATLAS_SIDE * ATLAS_SIDE * 4);
        glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[ATLAS_TEXTURE].name);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // Texel (x, y) of glyph g's cell.
    static const uint8_t* Texel(int g, int x, int y)
    {
        const int ax = 32 * (g % 8) + x;
        const int ay = 32 * (g / 8) + y;
        return &atlas[(ay * ATLAS_SIDE + ax) * 4];
    }

    // The scene alone on black, at scene time t; the window's pixels, bottom row first.
    static std::vector<uint8_t> DrawTextScene(float t, const char* png)
    {
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        // Track 3 holds the text scene alone, at scene time = frame time, all along.
        DrawTrack(TimelineTracks[2], t);
        std::vector<uint8_t> pixels(640 * 480 * 4);
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        // Top row first in the PNG.
        std::vector<uint8_t> flipped(pixels.size());
        for (int y = 0; y < 480; ++y)
            std::memcpy(&flipped[y * 640 * 4], &pixels[(479 - y) * 640 * 4], 640 * 4);
        WritePng(OutputPath(png), flipped.data(), 640, 480, 4);
        return pixels;
    }

    static bool bakedBefore;
    static std::vector<uint8_t> generated;
    static std::vector<uint8_t> atlas;
};
bool TextGl::bakedBefore = false;
std::vector<uint8_t> TextGl::generated;
std::vector<uint8_t> TextGl::atlas;

int GlyphOf(char c)
{
    return static_cast<int>(std::strchr(FontCharacters, c) - FontCharacters);
}

int Brightness(const std::vector<uint8_t>& pixels, int x0, int y0, int x1, int y1)
{
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = &pixels[(y * 640 + x) * 4];
            lit += p[0] + p[1] + p[2];
        }
    return lit;
}

struct PixelBox {
    int x0, y0, x1, y1;   // window pixels, inclusive, y upwards
    float alpha;
};

// Where the layout puts the visible glyphs of text entry e at scene time `time`: each
// glyph quad's corners through the glyph's own transformation and the matrices the
// scene left behind (the scene camera, its projection, the whole-window viewport).
std::vector<PixelBox> ExpectedGlyphBoxes(const TextEntry& e, float time)
{
    float mv[16], pr[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    const auto project = [&](float x, float y, float z, float* wx, float* wy) {
        float eye[4], clip[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = mv[r] * x + mv[4 + r] * y + mv[8 + r] * z + mv[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = pr[r] * eye[0] + pr[4 + r] * eye[1] + pr[8 + r] * eye[2] + pr[12 + r] * eye[3];
        *wx = (clip[0] / clip[3] * 0.5f + 0.5f) * 640.0f;
        *wy = (clip[1] / clip[3] * 0.5f + 0.5f) * 480.0f;
    };
    const float spread = 100.0f * e.spread;
    const float hold = 100.0f * e.hold;
    const float t = time - 4.0f * e.start;
    std::vector<PixelBox> boxes;
    TextLayout layout;
    BeginTextLayout(&layout, e.text, e.width, spread, e.transition);
    PlacedGlyph g;
    while (NextTextGlyph(&layout, &g)) {
        const GlyphState st = AnimateGlyph(g, e.width, t, e.transition, hold, e.style & ~TEXT_GLOW);
        if (!(st.alpha > 0.0f))
            continue;
        const GlyphBox& b = EngineTables.GlyphBoxes[g.glyph];
        const float c = std::cos(st.angle * 3.14159265f / 180.0f);
        const float sn = std::sin(st.angle * 3.14159265f / 180.0f);
        PixelBox box = { 100000, 100000, -100000, -100000, st.alpha };
        for (float cx : { b.left, b.right })
            for (float cy : { b.bottom, b.top }) {
                const float px = st.scaleX * cx;
                const float py = st.scaleY * cy;
                float wx, wy;
                project(st.x + e.dx * -0.0625f + c * px - sn * py, st.y + e.dy * -0.0625f + sn * px + c * py,
                        st.z + e.dz * -0.0625f, &wx, &wy);
                box.x0 = std::min(box.x0, static_cast<int>(std::floor(wx)));
                box.y0 = std::min(box.y0, static_cast<int>(std::floor(wy)));
                box.x1 = std::max(box.x1, static_cast<int>(std::ceil(wx)));
                box.y1 = std::max(box.y1, static_cast<int>(std::ceil(wy)));
            }
        boxes.push_back(box);
    }
    return boxes;
}

bool Lit(const std::vector<uint8_t>& pixels, int x, int y)
{
    const uint8_t* p = &pixels[(y * 640 + x) * 4];
    return p[0] + p[1] + p[2] > 30;
}

// Every expected glyph that is mostly opaque and on screen shows lit pixels inside its
// box, and nothing is lit outside all boxes (widened by two pixels for filtering).
void ExpectTextWhereTheLayoutSays(const std::vector<uint8_t>& pixels, const std::vector<PixelBox>& boxes)
{
    ASSERT_FALSE(boxes.empty());
    std::vector<uint8_t> covered(640 * 480, 0);
    for (const PixelBox& b : boxes) {
        int lit = 0;
        for (int y = std::max(b.y0, 0); y <= std::min(b.y1, 479); ++y)
            for (int x = std::max(b.x0, 0); x <= std::min(b.x1, 639); ++x)
                lit += Lit(pixels, x, y);
        const bool onScreen = b.x0 >= 0 && b.x1 < 640 && b.y0 >= 0 && b.y1 < 480;
        if (b.alpha >= 0.5f && onScreen) {
            EXPECT_GT(lit, 4) << "glyph box " << b.x0 << "," << b.y0 << " - " << b.x1 << "," << b.y1;
        }
        for (int y = std::max(b.y0 - 2, 0); y <= std::min(b.y1 + 2, 479); ++y)
            for (int x = std::max(b.x0 - 2, 0); x <= std::min(b.x1 + 2, 639); ++x)
                covered[y * 640 + x] = 1;
    }
    int stray = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            stray += Lit(pixels, x, y) && !covered[y * 640 + x];
    EXPECT_EQ(stray, 0);
}

TEST_F(TextGl, BakeRunsOnTheFirstLargeFrameAndFillsOnlyTheGlyphCells)
{
    EXPECT_FALSE(bakedBefore);
    EXPECT_TRUE(FontBakeStarted);
    for (int g = 0; g < 64; ++g) {
        int opaque = 0, same = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint8_t* t = Texel(g, x, y);
                opaque += t[3] == 255;
                same += std::memcmp(t, &generated[t - atlas.data()], 4) == 0;
            }
        if (g < GLYPH_COUNT) {
            // Every glyph fills its cell's square (even the '.'), so some texels are
            // covered whatever its size.
            EXPECT_GE(opaque, 32) << "glyph " << g;
            EXPECT_LT(same, 32 * 32 / 2) << "glyph " << g;
        } else {
            EXPECT_EQ(same, 32 * 32) << "cell " << g << " keeps the generated image";
        }
    }
}

TEST_F(TextGl, BakeInALowWindowKeepsItsSquareInsideAndGivesTheSameAtlas)
{
    // 150 rows leave no room 48 rows up; the square moves down to fit and the atlas
    // comes out the same, up to the rasteriser's rounding at another position.
    SetViewport(640, 150);
    ASSERT_TRUE(ApplyView(0));
    BakeFontAtlas(640, 150);
    const std::vector<uint8_t> low = ReadAtlas();
    SetViewport(640, 480);
    int differing = 0, largest = 0;
    for (size_t i = 0; i < atlas.size(); ++i) {
        differing += low[i] != atlas[i];
        largest = std::max(largest, std::abs(low[i] - atlas[i]));
    }
    EXPECT_LT(differing, 64);
    EXPECT_LE(largest, 2);
}

TEST_F(TextGl, CellsAreTurnedHalfAWayAndShadowedBelowTheFace)
{
    // '!' is a bar above a dot; turned by 180 degrees the bar comes first in
    // read-back order (low rows), the dot after it.
    const int g = GlyphOf('!');
    std::vector<int> rows;
    for (int y = 0; y < 32; ++y) {
        int covered = 0;
        for (int x = 0; x < 32; ++x)
            covered += Texel(g, x, y)[3] >= 128;
        if (covered > 0)
            rows.push_back(y);
    }
    ASSERT_FALSE(rows.empty());
    size_t gap = 0;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i] != rows[i - 1] + 1)
            gap = i;
    ASSERT_GT(gap, 0u) << "the bar and the dot are apart";
    const int bar = rows[gap - 1] - rows.front() + 1;
    const int dot = rows.back() - rows[gap] + 1;
    EXPECT_LT(dot, bar);

    // The letters keep clear texels around them, with partial coverage at the edges.
    for (char c : { '-', 'o', 'i', '!' }) {
        int clear = 0, partial = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint8_t* t = Texel(GlyphOf(c), x, y);
                clear += t[3] == 0 && t[0] == 0 && t[1] == 0 && t[2] == 0;
                partial += t[3] > 0 && t[3] < 255;
            }
        EXPECT_GE(clear, 32) << c;
        EXPECT_GT(partial, 0) << c;
    }

    // Somewhere in the 'o' the black shadow shows, and the face is no key colour.
    const int o = GlyphOf('o');
    int dark = 0, keyed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint8_t* t = Texel(o, x, y);
            dark += t[3] == 255 && t[0] < 40 && t[1] < 40 && t[2] < 40;
            keyed += t[3] == 255 && t[0] == 0 && t[1] == 255;
        }
    EXPECT_GT(dark, 0);
    EXPECT_EQ(keyed, 0);
}

TEST_F(TextGl, TextSceneShowsItsTextsOnlyWhileTheyRun)
{
    // Before the first text and between the first and the second: nothing.
    EXPECT_EQ(Brightness(DrawTextScene(300.0f, "text_0300.png"), 0, 0, 640, 480), 0);
    EXPECT_EQ(Brightness(DrawTextScene(2500.0f, "text_2500.png"), 0, 0, 640, 480), 0);
    // The first text at rest, the manifesto, the credits (turned a little by the
    // wobble), "fish!" while it flies out, and the first text flying in.
    struct Shot { int entry; float time; const char* png; };
    const Shot shots[] = { { 0, 1000.0f, "text_1000.png" },   { 8, 15300.0f, "text_15300.png" },
                           { 9, 16300.0f, "text_16300.png" }, { 11, 9930.0f, "text_9930.png" },
                           { 0, 560.0f, "text_0560.png" } };
    for (const Shot& shot : shots) {
        SCOPED_TRACE(shot.png);
        const auto pixels = DrawTextScene(shot.time, shot.png);
        ExpectTextWhereTheLayoutSays(pixels, ExpectedGlyphBoxes(TextEntries[shot.entry], shot.time));
    }
    // The atlas flag word is back after the glow pass.
    EXPECT_EQ(EngineTables.TextureBank[ATLAS_TEXTURE].flags, ATLAS_FLAGS);
}

TEST_F(TextGl, GlowBrightensTheTextWhileItRuns)
{
    // The first text's glow runs from 500 to 580 cs of its own time (900..980 scene
    // time); every character is at rest from 400 + 125.
    const int glowing = Brightness(DrawTextScene(905.0f, "text_0905.png"), 0, 0, 640, 480);
    const int plain = Brightness(DrawTextScene(985.0f, "text_0985.png"), 0, 0, 640, 480);
    EXPECT_GT(glowing, plain + plain / 4);
}

} // namespace

namespace {

// Scene 4's 64 particles alone on black: they show, warm (red over green over blue,
// as the colour by distance makes them), seeded and at half size.
TEST_F(TextGl, ParticlesShowWarmAroundTheirAttractor)
{
    const SceneItemList& list = SceneItemLists[4 - 1];
    std::vector<SceneItem> saved(list.first, list.first + list.count);
    for (SceneItem* item = list.first; item != list.first + list.count; ++item) {
        if (item->callback != ParticleItemCallback) {
            item->callback = nullptr;
            item->flags = 0;
        }
    }
    const auto frame = [&](bool drawParticles) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        for (SceneItem* item = list.first; item != list.first + list.count; ++item) {
            if (item->callback == ParticleItemCallback)
                item->flags = drawParticles ? saved[item - list.first].flags : (item->flags & 0xFF00);
        }
        UpdateCamera(4, 1500.0f);
        DrawScene(4, 1500.0f);
        std::vector<uint8_t> pixels(640 * 480 * 4);
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    EngineTables.Views[4].offsetX = EngineTables.Views[4].offsetY = 0.0f;
    EngineTables.Views[4].distance = 2.0f;
    for (int i = 0; i < 30; ++i)
        frame(true);
    const auto with = frame(true);
    const auto without = frame(false);
    WritePng(OutputPath("particles_scene4.png"), with.data(), 640, 480, 4);
    long sum[3] = {};
    for (size_t i = 0; i < with.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            sum[c] += with[i + c] - without[i + c];
    EXPECT_GT(sum[0], 0);
    EXPECT_GE(sum[0], sum[1]);
    EXPECT_GE(sum[1], sum[2]);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i].callback == ParticleItemCallback) {
            EXPECT_EQ(list.first[i].workFlag, 1) << "particle " << i << " seeded";
            EXPECT_EQ(list.first[i].scale[0], 0.5f);
        }
    }
    std::copy(saved.begin(), saved.end(), list.first);
}

} // namespace
