// The font atlas: every glyph of the font drawn five times (shadows, highlight and
// face) into a square of the back buffer against a green key, read back, reduced to a
// 32 x 32 cell with coverage alpha and stored in texture 29.
#include "effects/effects.h"

#include "core/engine_tables.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

#include <iterator>

namespace {

// One draw of a glyph: its offset in the normalised glyph square and the texture it
// is drawn with. Later passes cover earlier ones.
struct BakePass {
    float x, y;
    int texture;
};
constexpr float BAKE_OFFSET = 0.015f;
constexpr BakePass BakePasses[] = {
    { +BAKE_OFFSET, +BAKE_OFFSET, 27 },   // white highlight
    { -BAKE_OFFSET, -BAKE_OFFSET, 26 },   // black shadow
    { -BAKE_OFFSET, +BAKE_OFFSET, 28 },   // grey edge
    { +BAKE_OFFSET, -BAKE_OFFSET, 26 },   // black shadow
    { 0.0f, 0.0f, 20 },                   // the face
};
static_assert(std::size(BakePasses) == 5);

constexpr int CELLS_PER_ROW = 8;
constexpr int REDUCTION = CAPTURE_SIDE / ATLAS_CELL_SIDE;   // 4 x 4 pixels per texel
static_assert(SCRATCH_CAPTURE_BYTES == CAPTURE_SIDE * CAPTURE_SIDE * 4);
static_assert(SCRATCH_CAPTURE_BYTES + ATLAS_CELL_SIDE * ATLAS_CELL_SIDE * 4 <= SCRATCH_GLYPH_INDEX,
              "the cell buffer must end before GlyphIndex");

// Glyph g as a unit square turned by 180 degrees (both scale factors are negative),
// at z = -0.5, where view 0's 90-degree frustum is exactly one unit wide.
void DrawBakePasses(int g)
{
    const GlyphBox& box = EngineTables.GlyphBoxes[g];
    const MeshSlot& solid = EngineTables.MeshTable[FIRST_GLYPH_SOLID_MESH + g];
    for (const BakePass& pass : BakePasses) {
        glPushMatrix();
        glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[pass.texture].name);
        glScalef(1.0f / (box.left - box.right), 1.0f / (box.bottom - box.top), 1.0f);
        glTranslatef(-(box.left + box.right) * 0.5f, -(box.bottom + box.top) * 0.5f, 0.0f);
        glTranslatef(pass.x, pass.y, -0.5f);
        DrawMesh(solid);
        glPopMatrix();
    }
}

} // namespace

void ReduceGlyphCapture(const uint8_t* capture, uint8_t* cell)
{
    for (int y = 0; y < ATLAS_CELL_SIDE; ++y) {
        for (int x = 0; x < ATLAS_CELL_SIDE; ++x) {
            int k = 0;
            int sum[3] = {};
            for (int j = 0; j < REDUCTION; ++j) {
                const uint8_t* pixel = capture + ((REDUCTION * y + j) * CAPTURE_SIDE + REDUCTION * x) * 4;
                for (int i = 0; i < REDUCTION; ++i, pixel += 4) {
                    if (pixel[0] == 0 && pixel[1] == 255)
                        continue;   // the key colour; blue is not looked at
                    ++k;
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                }
            }
            uint8_t* texel = cell + (y * ATLAS_CELL_SIDE + x) * 4;
            for (int c = 0; c < 3; ++c)
                texel[c] = static_cast<uint8_t>(k > 0 ? sum[c] / k : 0);
            texel[3] = static_cast<uint8_t>((255 * k) >> 4);
        }
    }
}

void BakeFontAtlas(int windowWidth, int windowHeight)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    // The square sits 48 rows up where the window allows; a window less than 176
    // rows high would put part of it outside, where read-back is undefined.
    const int row = windowHeight >= CAPTURE_Y + CAPTURE_SIDE ? CAPTURE_Y : windowHeight - CAPTURE_SIDE;
    glViewport(0, row, CAPTURE_SIDE, CAPTURE_SIDE);
    glDisable(GL_CULL_FACE);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    // The solids take their colour from the textures alone, and equal depths let each
    // pass cover the one before.
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    uint8_t* capture = EngineTables.ScratchBlock;
    uint8_t* cell = EngineTables.ScratchBlock + SCRATCH_CAPTURE_BYTES;
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawBakePasses(g);
        glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[ATLAS_TEXTURE].name);
        glReadPixels(0, row, CAPTURE_SIDE, CAPTURE_SIDE, GL_RGBA, GL_UNSIGNED_BYTE, capture);
        ReduceGlyphCapture(capture, cell);
        glTexSubImage2D(GL_TEXTURE_2D, 0, ATLAS_CELL_SIDE * (g % CELLS_PER_ROW),
                        ATLAS_CELL_SIDE * (g / CELLS_PER_ROW), ATLAS_CELL_SIDE, ATLAS_CELL_SIDE,
                        GL_RGBA, GL_UNSIGNED_BYTE, cell);
    }

    glEnable(GL_CULL_FACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, windowWidth, windowHeight);
}
