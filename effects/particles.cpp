// Particles: scene items that swirl around an attractor, pulled toward it with a
// constant acceleration and coloured by their distance from it.
#include "effects/effects.h"

#include "core/engine_tables.h"
#include "core/trigonometry.h"
#include "textures/textures.h"

#include <cmath>

float ParticleSpinAngle = 0.0f;

namespace {

constexpr float ANGLE_UNIT = 0.024542969f;      // about 2 pi / 256 per random unit
constexpr float RADIUS_UNIT = 0.003921569f;     // 1 / 255
constexpr float SEED_SPEED = 0.075f;
constexpr float PULL = 0.005f;                  // length of the per-step acceleration
constexpr float MIN_DISTANCE_SQUARED = 0.00001f;

} // namespace

// A point of the unit disc turned about x by the spin angle, moving along the circle
// through it in a plane turned a quarter further.
void SeedParticle(SceneItem* item)
{
    const float theta = static_cast<float>(DemoRandom()) * ANGLE_UNIT;
    const float rho = static_cast<float>(DemoRandom() & 255) * RADIUS_UNIT;
    const float a = rho * PortableCos(theta);
    const float b = rho * PortableSin(theta);
    const float phi = ParticleSpinAngle;
    const float next = phi + PARTICLE_SPIN_STEP;
    ParticleSpinAngle = next;

    item->position[0] = a;
    item->position[1] = b * PortableSin(phi);
    item->position[2] = b * PortableCos(phi);
    item->work[0] = -SEED_SPEED * b;
    item->work[1] = SEED_SPEED * a * PortableSin(next);
    item->work[2] = SEED_SPEED * a * PortableCos(next);
    item->workFlag = 1;
}

// One step per call, whatever time passed; only the attractor follows the time.
void ParticleItemCallback(SceneItem* item, int parameter, float time)
{
    float q[3] = { 0.0f, 0.0f, 0.0f };
    if (parameter & PARTICLE_CIRCLING) {
        q[0] = PortableCos(0.01f * time);
        q[2] = PortableSin(0.01f * time);
    }
    float* p = item->position;
    float* v = item->work;
    if (item->workFlag == 0) {
        SeedParticle(item);
        for (int i = 0; i < 3; ++i)
            p[i] += q[i];
    }

    const float d[3] = { p[0] - q[0], p[1] - q[1], p[2] - q[2] };
    float r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (r2 == 0.0f)
        r2 = MIN_DISTANCE_SQUARED;
    const float r = std::sqrt(r2);

    // Truncation toward zero, then limited: 1 or further is pure red.
    const float level = (1.0f - r) * 255.0f;
    const int g = !(level > 0.0f) ? 0 : (level >= 255.0f ? 255 : static_cast<int>(level));
    item->colour[0] = 224;
    item->colour[1] = static_cast<uint8_t>(g);
    item->colour[2] = static_cast<uint8_t>(g >> 1);
    item->colour[3] = 32;

    if (parameter & PARTICLE_HALF_SIZE) {
        item->scale[0] = 0.5f;
        item->scale[1] = 0.5f;
    }

    const float k = PULL / r;
    for (int i = 0; i < 3; ++i) {
        v[i] -= k * d[i];
        p[i] += v[i];
    }
}
