// Item callbacks that draw geometry themselves: the captured frame shattering into
// four layers, an endless zoom through layered textures, a rippling grid of stacked
// flowers and a swaying arm of branching rings.
#include "content/content.h"
#include "core/curves.h"
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "effects/effects.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

#include <cmath>
#include <cstdint>
#include <iterator>

namespace {

// The four complementary parts of the last capture, in drawing order.
constexpr int ShatterEntries[] = { 32, 8, 9, 10 };

constexpr int TUNNEL_MESH = 22;
constexpr int TUNNEL_LAYER_COUNT = 4;
// Textures of the tunnel's steps; the zoom moves one entry on every 128 centiseconds.
constexpr int TunnelSequence[] = { 1, 2, 3, 4, 5, 6, 1, 3, 5, 4, 3, 2, 1, 6, 5, 4 };
static_assert(std::size(TunnelSequence) == 16);

const TextureBankEntry* BankEntry(int entry)
{
    return EngineTables.TextureBank + entry;
}

void DrawItemList(const SceneItem* item)
{
    glCallList(EngineTables.MeshTable[item->mesh].displayList);
}

// h mod 256 for any sign.
int WrapHue(int h)
{
    return h & 255;
}

void SetHsvColour(int hue, int saturation, uint8_t alpha)
{
    uint8_t colour[4];
    HsvToRgb(WrapHue(hue), saturation, 255, colour);
    colour[3] = alpha;
    glColor4ubv(colour);
}

} // namespace

// The last captured frame, cut into four parts that separate in depth and twist apart
// as the scene time runs back from 0.
void ShatterCallback(SceneItem* item, int, float time)
{
    PlaceOnScreen();
    const float e = EvaluateEnvelope(ShatterEnvelope, time);
    const float dz = 8.0f * e;
    const float a = 10.0f * e;
    const MeshSlot& mesh = EngineTables.MeshTable[item->mesh];
    ApplyMaterial(BankEntry(ShatterEntries[0]));
    glColor4ub(255, 255, 255, 255);
    DrawMesh(mesh);
    for (int part = 1; part < static_cast<int>(std::size(ShatterEntries)); ++part) {
        ApplyMaterial(BankEntry(ShatterEntries[part]));
        glTranslatef(0.0f, 0.0f, dz);
        glRotatef(a, 0.0f, 0.0f, 1.0f);
        DrawMesh(mesh);
    }
}

TunnelLayer ComputeTunnelLayer(float t, int layer)
{
    const int n = static_cast<int>(t);
    const int m = n & 127;            // phase within a step of 128 centiseconds
    const int q = (n >> 7) & 15;      // the step, modulo 16
    TunnelLayer out;
    if (layer == 0)
        out.alpha = static_cast<float>(m) * 0.0031496062f;
    else if (layer == TUNNEL_LAYER_COUNT - 1)
        out.alpha = static_cast<float>(127 - m) * 0.0031496062f;
    else
        out.alpha = 0.4f;
    // Each layer starts 0.5 below the one before it.
    float h = 2.5001f - static_cast<float>(m) * 0.003937008f;
    for (int i = 0; i < layer; ++i)
        h -= 0.5f;
    out.textureScale = h;
    out.textureEntry = TunnelSequence[(layer + 1 - q) & 15];
    return out;
}

// Four additive layers of one tube, each with its own texture scale: over one step
// every layer shrinks to the next one's start while the sequence moves by one, so
// the zoom never ends. Depth testing stays off afterwards.
void TunnelCallback(SceneItem*, int, float time)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.5f);
    glRotatef(40.0f * PortableSin(0.002f * time), 0.0f, 1.0f, 0.0f);
    glRotatef(30.0f * PortableSin(0.0025f * time), 1.0f, 0.0f, 0.0f);

    glMatrixMode(GL_TEXTURE);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisableClientState(GL_COLOR_ARRAY);
    const float spin = 0.075f * time;
    for (int i = 0; i < TUNNEL_LAYER_COUNT; ++i) {
        const TunnelLayer layer = ComputeTunnelLayer(time, i);
        glColor4f(0.5f, 0.5f, 0.5f, layer.alpha);
        glLoadIdentity();
        glScalef(layer.textureScale, layer.textureScale, 1.0f);
        glRotatef(spin, 0.0f, 0.0f, 1.0f);
        ApplyMaterial(BankEntry(layer.textureEntry));
        DrawMesh(EngineTables.MeshTable[TUNNEL_MESH]);
    }
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

FlowerCell ComputeFlowerCell(float i, float j)
{
    const float jj = j + 0.5f;
    const float rho = std::sqrt(i * i + jj * jj);
    return { 255 - static_cast<int>(192.0f * rho), 0.85f - 0.25f * rho };
}

// Five by five cells of stacked flowers on a grid that waves and slowly turns; cells
// fade and shrink away from the centre and vanish at its edge.
void FlowerGridCallback(SceneItem* item, int, float time)
{
    const float w = 0.25f * PortableSin(0.006f * time);
    const float A = 5.0f * PortableCos(w);
    const float B = 5.0f * PortableSin(w);
    const float P = 2.0f * PortableCos(0.015f * time);
    const float Q = 3.0f * PortableSin(0.01f * time);
    // Over 256 centiseconds the grid moves by one cell of 0.5, then jumps back.
    const float u0 = 0.5f * static_cast<float>(static_cast<int>(time) & 255) / 255.0f - 1.0f;

    for (int row = 0; row < 5; ++row) {
        const float i = u0 + 0.5f * static_cast<float>(row);
        for (int column = 0; column < 5; ++column) {
            const float j = u0 + 0.5f * static_cast<float>(column);
            glPushMatrix();
            const float y = 0.5f * (PortableSin(2.0f * j + P) + PortableSin(2.0f * i + Q));
            glTranslatef(j * A - i * B, y, j * B + i * A);
            glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
            const FlowerCell cell = ComputeFlowerCell(i, j);
            if (cell.alpha > 0) {
                const float jj = j + 0.5f;
                const float R = 25.0f * PortableCos(0.0095f * time + i);
                int hue = 128 + static_cast<int>(48.0f * y);
                for (int m = 0; m < 6; ++m) {
                    glScalef(cell.scale, cell.scale, cell.scale);
                    glRotatef(35.0f * PortableSin(0.6283f * static_cast<float>(m) + 0.025f * time + jj), 1.0f, 0.0f,
                              0.0f);
                    glRotatef(R, 0.0f, 0.0f, 1.0f);
                    SetHsvColour(hue, 92, static_cast<uint8_t>(cell.alpha));
                    DrawItemList(item);
                    glTranslatef(1.0f + 0.25f * y, 0.0f, 0.0f);
                    hue += 16;
                }
            }
            glPopMatrix();
        }
    }
}

// An arm of 13 joints that sways and slides in; each joint carries a branch of six
// rings, both scaled joint by joint.
void SpiralArmCallback(SceneItem* item, int, float time)
{
    const int h0 = static_cast<int>(0.25f * time);
    glPushMatrix();
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glTranslatef(EvaluateEnvelope(SpiralArmEnvelope, time), 0.0f, 0.0f);
    const float R1 = 20.0f * PortableSin(0.004f * time);
    const float R3 = 10.0f * PortableSin(0.004f * time);
    const float R4 = 5.0f * PortableSin(0.009f * time);
    float sigma = 1.0f;   // the scale the matrix holds now
    float phi = 0.0f;     // the bend the matrix holds now
    for (int k = 0; k < 13; ++k) {
        const float fk = static_cast<float>(k);
        const float x = 0.375f * PortableSin(1.0471667f * fk + 0.03f * time) + 0.625f;
        const float g = x / sigma;
        sigma = x;
        const float phiK = 40.0f * PortableSin(0.3926875f * fk + 0.009f * time);
        const float delta = phiK - phi;
        phi = phiK;
        glScalef(g, g, g);
        glRotatef(R1, 1.0f, 0.0f, 0.0f);
        glRotatef(delta, 0.0f, 0.0f, 1.0f);
        glTranslatef(1.25f, 0.0f, 0.0f);

        glPushMatrix();
        float sigma2 = 1.0f;
        for (int b = 0; b < 6; ++b) {
            const float j = static_cast<float>(k + 1 + b);
            SetHsvColour(h0 + 8 * k + 8 * b, 120, 196);
            DrawItemList(item);
            const float y = 0.375f * PortableSin(1.0471667f * j + 0.035f * time) + 0.625f;
            const float g2 = y / sigma2;
            sigma2 = y;
            glScalef(g2, g2, g2);
            glRotatef(R3, 1.0f, 0.0f, 0.0f);
            glRotatef(R4, 0.0f, 0.0f, 1.0f);
            glTranslatef(0.0f, 1.25f, 0.0f);
        }
        glPopMatrix();
    }
    glPopMatrix();
}
