// The program's own sine and cosine: the correctly rounded float of the angle's sine
// and cosine, as the C library's double functions give it, over every range the demo's
// angles reach and beyond, and the C library's own results where it takes over.
#include "core/trigonometry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

float LibrarySin(float x)
{
    return static_cast<float>(std::sin(static_cast<double>(x)));
}

float LibraryCos(float x)
{
    return static_cast<float>(std::cos(static_cast<double>(x)));
}

// Bits, so that -0 and +0 (and NaNs) are told apart.
uint32_t Bits(float v)
{
    return std::bit_cast<uint32_t>(v);
}

void ExpectLibraryBits(float x)
{
    ASSERT_EQ(Bits(PortableSin(x)), Bits(LibrarySin(x))) << "sin " << x;
    ASSERT_EQ(Bits(PortableCos(x)), Bits(LibraryCos(x))) << "cos " << x;
}

TEST(Trigonometry, GivesTheLibrarysDoubleResultRoundedOverTheDemosAngles)
{
    // Every float around the edges where the reduction changes its step: the quick
    // path's (odd multiples of pi/256) and the careful path's quarter turns (odd
    // multiples of pi/4); then a dense sweep up to the demo's largest angles (a few
    // thousand radians) and scattered floats of every magnitude from 2^-40.
    const struct {
        float at, width;
    } edges[] = { { 0.01227f, 0.0001f }, { 0.03682f, 0.0002f }, { 0.785f, 0.004f }, { 2.356f, 0.004f } };
    for (const auto& edge : edges)
        for (float sign : { 1.0f, -1.0f })
            for (float x = sign * edge.at - edge.width; x <= sign * edge.at + edge.width; x = std::nextafter(x, 10.0f))
                ExpectLibraryBits(x);
    for (int i = -2000000; i <= 2000000; ++i)
        ExpectLibraryBits(static_cast<float>(i) * 0.00173f);
    uint32_t state = 12345;
    for (int i = 0; i < 1000000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float magnitude = std::ldexp(static_cast<float>(state >> 8) / 16777216.0f, (i % 53) - 40);
        ExpectLibraryBits(i % 2 ? magnitude : -magnitude);
    }
}

TEST(Trigonometry, ExactValuesSignsAndTheLibraryBeyondTheReduction)
{
    EXPECT_EQ(Bits(PortableSin(0.0f)), Bits(0.0f));
    EXPECT_EQ(Bits(PortableSin(-0.0f)), Bits(-0.0f));
    EXPECT_EQ(PortableCos(0.0f), 1.0f);
    EXPECT_EQ(PortableCos(-0.0f), 1.0f);
    EXPECT_EQ(PortableSin(1e-30f), 1e-30f);
    for (float x : { 524287.9f, 524288.0f, 1e6f, -3e7f, 1e30f, std::numeric_limits<float>::max() })
        ExpectLibraryBits(x);
    const float infinity = std::numeric_limits<float>::infinity();
    for (float x : { infinity, -infinity, std::numeric_limits<float>::quiet_NaN() }) {
        EXPECT_TRUE(std::isnan(PortableSin(x))) << x;
        EXPECT_TRUE(std::isnan(PortableCos(x))) << x;
    }
    EXPECT_EQ(PortableAtan2(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(PortableAtan2(1.0f, 0.0f), static_cast<float>(std::atan2(1.0, 0.0)));
}

} // namespace
