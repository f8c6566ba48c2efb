// Key-frame curves: envelopes that repeat with the period of their last key, and
// camera paths of seven channels that hold their ends. Both share one cubic rule.
#include "core/curves.h"

#include "content/content.h"

#include <cmath>

namespace {

// The three keys a curve time selects: previous, current and next.
struct KeyChoice {
    int previous;
    int current;
    int next;
};

// timeOf(i) is key i's time. Key times are taken as they come, so a curve whose
// times do not rise still selects the first segment that ends after a.
template <typename TimeOf>
KeyChoice ChooseKeys(int count, float a, TimeOf timeOf)
{
    const int last = count - 1;
    if (a >= timeOf(last))
        return { last, last, last };
    if (a <= timeOf(0))
        return { 0, 0, 0 };
    int k = 0;
    while (k < last - 1 && !(a < timeOf(k + 1)))
        ++k;
    return { k == 0 ? 0 : k - 1, k, k + 1 };
}

struct KeyPoint {
    float time;
    float value;
};

// The cubic from K to N that leaves K with the slope across P..N and arrives at N
// with the segment's own slope; the slope may therefore jump at a key.
float InterpolateKeys(KeyPoint p, KeyPoint k, KeyPoint n, float a)
{
    const float h = n.time - k.time;
    if (h == 0.0f)
        return k.value;
    const float d = a - k.time;
    const float m1 = (n.value - k.value) / h;
    const float span = n.time - p.time;
    // Keys out of order can put P and N at the same time; the segment's own slope
    // then stands in rather than a division by zero.
    const float m0 = span != 0.0f ? (n.value - p.value) / span : m1;
    const float c2 = (3.0f * (n.value - k.value) - (2.0f * m0 * h + m1 * h)) / (h * h);
    const float c3 = (m1 - 2.0f * c2 * h - m0) / (3.0f * h * h);
    return k.value + m0 * d + c2 * d * d + c3 * d * d * d;
}

constexpr float ANGLE_DEGREES = 180.0f;   // a stored angle of 256 is a half turn

} // namespace

float EvaluateEnvelope(const Envelope& envelope, float x)
{
    const EnvelopeKey* keys = envelope.keys;
    const int count = envelope.keyCount;
    const float a = 0.25f * x;
    const float period = static_cast<float>(keys[count - 1].time);
    // w keeps the sign of a: times before zero do not wrap into the period's end.
    const float w = period != 0.0f ? a - period * std::trunc(a / period) : a;

    const KeyChoice c = ChooseKeys(count, w, [keys](int i) { return static_cast<float>(keys[i].time); });
    const auto point = [keys](int i) {
        return KeyPoint{ static_cast<float>(keys[i].time), static_cast<float>(keys[i].value) };
    };
    return InterpolateKeys(point(c.previous), point(c.current), point(c.next), w) / 256.0f;
}

Camera EvaluateCameraPath(const CameraPath& path, float t)
{
    const CameraKey* keys = path.keys;
    const float a = 0.25f * t;
    const KeyChoice c = ChooseKeys(path.keyCount, a, [keys](int i) { return static_cast<float>(keys[i].time); });

    using Channel = int16_t CameraKey::*;
    const auto channel = [&](Channel field) {
        const auto point = [&](int i) {
            return KeyPoint{ static_cast<float>(keys[i].time), static_cast<float>(keys[i].*field) };
        };
        return InterpolateKeys(point(c.previous), point(c.current), point(c.next), a) / 256.0f;
    };
    Camera camera;
    camera.x = channel(&CameraKey::x);
    camera.y = channel(&CameraKey::y);
    camera.z = channel(&CameraKey::z);
    camera.yaw = channel(&CameraKey::yaw) * ANGLE_DEGREES;
    camera.pitch = channel(&CameraKey::pitch) * ANGLE_DEGREES;
    camera.roll = channel(&CameraKey::roll) * ANGLE_DEGREES;
    camera.zoom = channel(&CameraKey::zoom);
    return camera;
}
