// Item callbacks that move their item: they rewrite its position, angles, scale and
// colour each frame and, for layers fixed to the screen, replace the model-view
// matrix before the scene renderer applies the item's transformation.
#include "content/content.h"
#include "core/curves.h"
#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "effects/effects.h"
#include "geometry/geometry.h"
#include "platform/gl.h"

#include <algorithm>
#include <cmath>

namespace {

// 255 x e truncated, kept to a byte: envelopes overshoot 1.0 and dip below 0.
uint8_t AlphaFromLevel(float e)
{
    const float scaled = 255.0f * e;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint8_t>(scaled);
}

// Items of a rope keep their velocity and pitch before this frame's update in `work`.
constexpr int ROPE_VELOCITY = 0;
constexpr int ROPE_PREVIOUS_PITCH = 3;

void SetColour(SceneItem* item, uint8_t red, uint8_t green, uint8_t blue)
{
    item->colour[0] = red;
    item->colour[1] = green;
    item->colour[2] = blue;
}

} // namespace

void PlaceOnScreen()
{
    const float k = 64.0f / EngineTables.CurrentZoom;
    glLoadIdentity();
    glScalef(k, k, 1.0f);
    glTranslatef(0.0f, 0.0f, -0.5f * k);
}

// A fan blade of a group: tilts and grows along the group. With a parameter, a
// translucent blade whose texture scrolls faster along the group.
void FanCallback(SceneItem* item, int parameter, float time)
{
    const float s = item->fraction;
    item->rotation[1] = 45.0f * s;
    const float size = 0.5f * s + 0.4f;
    item->scale[0] = size;
    item->scale[1] = size;
    item->scale[2] = size;
    if (parameter != 0) {
        item->colour[1] = 24;
        item->colour[3] = 128;
        // The renderer resets the texture matrix before the next item.
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(0.005f * (s - 0.5f) * time, 0.0058f * s * time, 0.0f);
        glMatrixMode(GL_MODELVIEW);
    }
}

// Five discs circling a point that itself circles slowly; the first turns fastest.
void SpiralDiscCallback(SceneItem* item, int, float time)
{
    const float s = item->fraction;
    const float a = 0.001f * time;
    const float f = (1.125f - s) * (180.0f + time);
    const float g = 0.01f * f;
    item->position[0] = 0.125f * PortableCos(g) - 0.4f * PortableCos(a);
    item->position[1] = 0.125f * PortableSin(g) - 0.4f * PortableSin(a);
    item->position[2] = -4.0f;
    item->colour[3] = 255;
    item->rotation[2] = -f;
    const float k = 7.0f / EngineTables.CurrentZoom;
    glLoadIdentity();
    glScalef(k, k, 1.0f);
}

void FlashLayerCallback(SceneItem* item, int, float time)
{
    item->colour[3] = AlphaFromLevel(EvaluateEnvelope(FlashLayerEnvelope, time));
    PlaceOnScreen();
}

void FlashLayerBCallback(SceneItem* item, int, float time)
{
    item->colour[3] = AlphaFromLevel(EvaluateEnvelope(FlashLayerBEnvelope, time));
    PlaceOnScreen();
}

void FixedLayerCallback(SceneItem* item, int, float)
{
    PlaceOnScreen();
    const float k = 1.2f / EngineTables.CurrentZoom;
    glScalef(k, k, 1.0f);
    item->colour[3] = 224;
}

// A screen layer whose texture swirls. Parameter 0: the plain layer; 1: a group of
// dimmer layers, each shifted along s by 1 - fraction; 3: the group on the flash
// envelope instead of the fade; anything else the defaults.
void WarpLayerCallback(SceneItem* item, int parameter, float time)
{
    const float s = item->fraction;
    float t = time;
    float e = EvaluateEnvelope(WarpFadeEnvelope, t);
    float d = 0.0f;
    uint8_t red = 74, greenBlue = 48;
    switch (parameter) {
    case 0:
        red = 80;
        greenBlue = 64;
        break;
    case 1:
        d = 1.0f - s;
        t += 1000.0f;
        e = 0.5f * d * e;
        break;
    case 3:
        e = EvaluateEnvelope(WarpFlashEnvelope, t);
        d = 1.0f - s;
        break;
    default:
        break;
    }
    WarpTexCoords(item->mesh, d + 0.002f * t, 0.0f, PortableSin(0.003f * t), 0.35f, 4.0f, 0.0f, 0.2f, 1.0f + d);
    PlaceOnScreen();
    SetColour(item, red, greenBlue, greenBlue);
    item->colour[3] = AlphaFromLevel(e);
}

void WarpTexCoords(int mesh, float s0, float t0, float phase, float twistFreq, float twist,
                   float ripplePhase, float rippleFreq, float ripple)
{
    if (mesh < 0 || mesh >= MESH_TABLE_SIZE)
        return;
    const MeshSlot& slot = EngineTables.MeshTable[mesh];
    Vertex* vertex = EngineTables.VertexArray + slot.firstVertex;
    for (int n = 0; n < slot.vertexCount; ++n, ++vertex) {
        const float x = vertex->position[0];
        const float y = vertex->position[1];
        const float r = std::sqrt(x * x + y * y);
        // atan2(0, 0) is 0: the centre keeps its place.
        const float theta = twist * PortableSin(twistFreq * (phase + r)) + PortableAtan2(y, x);
        const float l = r + ripple * PortableSin(rippleFreq * (ripplePhase + r));
        vertex->texCoord[0] = s0 + l * PortableCos(theta);
        vertex->texCoord[1] = t0 + l * PortableSin(theta);
    }
}

// A chain of items that swings like a rope: both ends follow the drive envelope at
// different phases, every middle item follows its neighbours as a damped wave.
void RopeCallback(SceneItem* item, int parameter, float time)
{
    const float s = item->fraction;
    const float p = static_cast<float>(parameter);
    item->position[0] = 32.0f * s - 16.0f;
    item->position[2] = 2.5f * p;

    float theta;
    if (item->instance == 0) {
        theta = EvaluateEnvelope(RopeEnvelope, time + 100.0f * p);
        item->work[ROPE_PREVIOUS_PITCH] = theta;
    } else if (s == 1.0f) {
        theta = EvaluateEnvelope(RopeEnvelope, time + 50.0f * p + 360.0f);
        item->work[ROPE_PREVIOUS_PITCH] = theta;
    } else {
        const float a = item->rotation[1];
        item->work[ROPE_PREVIOUS_PITCH] = a;
        // The next item is not updated yet; the previous one has kept its pitch
        // from before this frame (or, for the first, its new value).
        const float next = item[1].rotation[1];
        const float previous = item[-1].work[ROPE_PREVIOUS_PITCH];
        float& velocity = item->work[ROPE_VELOCITY];
        velocity = (((next + previous) * 0.5f - a) * 0.125f * 0.25f + velocity) * 0.99f;
        theta = a + velocity;
    }
    item->rotation[1] = theta;
    item->position[1] = 0.05f * theta;
    const int v = static_cast<int>(127.0f * PortableSin(0.05f * theta) + 127.0f);
    SetColour(item, static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 1), 128);
}
