// Key-frame curves: envelopes that repeat with the period of their last key, and
// camera paths of seven channels that hold their ends. Both share one cubic rule.
#pragma once

struct Envelope;
struct CameraPath;

// Position, angles in degrees, zoom (1.0: a 90-degree field of view).
struct Camera {
    float x, y, z;
    float yaw, pitch, roll;
    float zoom;
};

// The envelope's value (stored value / 256) at time x centiseconds, repeating with the
// period of its last key.
float EvaluateEnvelope(const Envelope& envelope, float x);
// The path's camera at time t centiseconds; before the first key the first key, after
// the last key the last.
Camera EvaluateCameraPath(const CameraPath& path, float t);
