// Texts drawn glyph by glyph from the font atlas: each character flies in, stays and
// flies out on its own delayed clock, moved by one of four motion modes, with an
// optional additive glow as the last characters settle.
#include "effects/effects.h"

#include "content/content.h"
#include "core/curves.h"
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

#include <cmath>
#include <iterator>

namespace {

constexpr float LINE_STEP = 0.55f;       // pen y per line
constexpr float BLANK_ADVANCE = 0.2f;    // pen x for anything without a glyph
constexpr float GLYPH_GAP = 0.025f;      // pen x after a glyph's box
constexpr float GLOW_TIME = 80.0f;       // centiseconds of glow after the spread
constexpr float GLOW_RISE = 0.3f;        // how far the glow copy moves toward the viewer
constexpr float TEXT_OFFSET_UNIT = -0.0625f;

int GlyphEntry(uint8_t b)
{
    return EngineTables.GlyphIndex[b];
}

} // namespace

void MotionPulse(GlyphState* s, float tau)
{
    const float d = (PortableSin(0.05f * tau) + 1.0f) * 0.25f;
    s->red += d - 0.5f;
    s->green -= d;
    s->scaleY += 0.5f * d;
}

void MotionWobble(GlyphState* s, float tau)
{
    const float a = 0.02f * tau;
    const float w = (PortableSin(a) + 1.0f) * 0.25f;
    const float k = (PortableCos(a) + 1.0f) * 0.125f;
    s->red -= 2.0f * w;
    s->x += 0.25f * w;
    s->y += 0.25f * k;
    s->angle += 10.0f - 50.0f * k;
    s->scaleY += 0.25f;
}

void MotionSpinIn(GlyphState* s, float u)
{
    s->z = u;
    s->x = u * s->parameter + (1.0f - u) * s->x;
    s->y = (1.0f - u) * s->y;
    s->red += u;
    s->green -= u;
    s->blue -= u;
    s->scaleX += 3.0f * u;
    s->scaleY += 3.0f * u;
    s->angle = -540.0f * u;
    s->alpha = 1.0f - u;
}

void MotionStretch(GlyphState* s, float u)
{
    s->x = u * s->parameter + (1.0f - u) * s->x;
    s->scaleX = 1.0f + 25.0f * u;
    s->red -= u;
    s->green += u;
    s->blue += u;
    s->alpha = 1.0f - u;
    s->angle = -180.0f * u;
}

void MotionFade(GlyphState* s, float u)
{
    s->alpha = 1.0f - u;
}

const MotionFunction MotionTable[2 * MOTION_MODE_COUNT] = {
    MotionPulse,  MotionSpinIn,    // mode 0
    MotionWobble, MotionStretch,   // mode 1
    MotionWobble, MotionSpinIn,    // mode 2
    MotionWobble, MotionFade,      // mode 3
};
static_assert(std::size(MotionTable) == 8);

void BeginTextLayout(TextLayout* layout, const char* text, float width, float spread,
                     float transition)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    int n = 1;
    for (const uint8_t* b = bytes; *b != 0; ++b) {
        if (GlyphEntry(*b) != 0)
            ++n;
    }
    *layout = {};
    layout->next = bytes;
    layout->width = width;
    layout->step = (spread - transition) / static_cast<float>(n);
}

bool NextTextGlyph(TextLayout* layout, PlacedGlyph* glyph)
{
    for (; *layout->next != 0; ++layout->next) {
        const uint8_t b = *layout->next;
        if (b == '\n' || layout->penX > layout->width) {
            layout->penY -= LINE_STEP;
            layout->penX = 0.0f;
        }
        const int entry = GlyphEntry(b);
        if (entry == 0) {
            layout->penX += BLANK_ADVANCE;
            continue;
        }
        const int g = entry - 1;
        *glyph = { g, layout->penX, layout->penY, layout->delay };
        layout->penX += EngineTables.GlyphBoxes[g].right + GLYPH_GAP;
        layout->delay += layout->step;
        ++layout->next;
        return true;
    }
    return false;
}

float ComputeTransition(float tau, float transition, float hold)
{
    const float v = tau < hold ? tau : transition + hold - tau;
    const float u = 1.0f - v / transition;
    // Also catches the NaN of 0 / 0 with a zero transition: out of sight.
    if (!(u <= 1.0f))
        return 1.0f;
    return u < 0.0f ? 0.0f : u;
}

GlyphState AnimateGlyph(const PlacedGlyph& glyph, float width, float t, float transition,
                        float hold, int mode)
{
    GlyphState state = {};
    state.x = glyph.x;
    state.y = glyph.y;
    state.scaleX = 1.0f;
    state.scaleY = 1.0f;
    state.red = state.green = state.blue = state.alpha = 1.0f;
    state.parameter = width * 0.5f;
    const float tau = t - glyph.delay;
    const float u = ComputeTransition(tau, transition, hold);
    MotionTable[2 * mode + 1](&state, u);
    MotionTable[2 * mode](&state, tau);
    return state;
}

void DrawAnimatedText(const char* text, float width, float t, float spread, float transition,
                      float hold, float dx, float dy, float dz, uint8_t style)
{
    // A style naming a mode beyond the table wraps into it instead of reading past it.
    const int mode = (style & ~TEXT_GLOW) & (MOTION_MODE_COUNT - 1);
    const bool glow = (style & TEXT_GLOW) && t > spread && t < spread + GLOW_TIME;
    const float e = glow ? EvaluateEnvelope(GlowEnvelope, t - spread) : 0.0f;
    TextureBankEntry& atlas = EngineTables.TextureBank[ATLAS_TEXTURE];

    glDisableClientState(GL_COLOR_ARRAY);
    TextLayout layout;
    BeginTextLayout(&layout, text, width, spread, transition);
    PlacedGlyph glyph;
    while (NextTextGlyph(&layout, &glyph)) {
        const GlyphState s = AnimateGlyph(glyph, width, t, transition, hold, mode);
        if (!(s.alpha > 0.0f))
            continue;
        const MeshSlot& quad = EngineTables.MeshTable[FIRST_GLYPH_QUAD_MESH + glyph.glyph];
        glPushMatrix();
        glTranslatef(s.x + dx, s.y + dy, s.z + dz);
        glScalef(s.scaleX, s.scaleY, 1.0f);
        glRotatef(s.angle, 0.0f, 0.0f, 1.0f);
        const float colour[4] = { s.red, s.green, s.blue, s.alpha };
        glColor4fv(colour);
        glCallList(quad.displayList);
        if (glow) {
            glTranslatef(0.0f, 0.0f, GLOW_RISE * e);
            atlas.flags = ATLAS_FLAGS | TEX_ADDITIVE;
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f - e);
            DrawMesh(quad);
            atlas.flags = ATLAS_FLAGS;
        }
        glPopMatrix();
    }
}

void TextItemCallback(SceneItem*, int, float time)
{
    for (const TextEntry& entry : TextEntries) {
        const float start = 4.0f * entry.start;
        const float spread = 100.0f * entry.spread;
        const float hold = 100.0f * entry.hold;
        if (!(time > start && time < start + spread + hold))
            continue;
        DrawAnimatedText(entry.text, entry.width, time - start, spread, entry.transition, hold,
                         entry.dx * TEXT_OFFSET_UNIT, entry.dy * TEXT_OFFSET_UNIT,
                         entry.dz * TEXT_OFFSET_UNIT, entry.style);
    }
}
