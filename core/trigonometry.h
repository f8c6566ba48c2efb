// Sine and cosine in single precision, the same bits on every platform; and the angle
// of a point. The C libraries' float functions (sinf, cosf, atan2f: what std::sin of a
// float becomes) are not correctly rounded, and glibc's differ from the Windows
// runtime's in the last bits. Here sine and cosine are evaluated in double by the
// program's own arithmetic (additions and multiplications only, which IEEE 754 fixes
// exactly) and rounded to float: that is the correctly rounded float in all but
// vanishingly rare cases, and the same wherever the program runs, whatever C library
// it links. Every moving surface, trail and animation of the demo goes through these.
#pragma once

#include <cmath>

float PortableSin(float radians);
float PortableCos(float radians);

// The angle of (x, y): the C library's double atan2 rounded to float. Not promised the
// same bits everywhere: two C libraries whose doubles differ in the last bit give the
// same float in all but rare cases.
inline float PortableAtan2(float y, float x)
{
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}
