// The demo started once per process on SDL's offscreen GL driver, for the tests that
// draw. Every test of a fixture derived from this one is skipped where no GL context
// can be had.
#pragma once

#include "tools/common/offscreen.h"

#include <gtest/gtest.h>

template <int Width = 640, int Height = 480>
class OffscreenDemoTest : public ::testing::Test {
protected:
    // The window size is the first caller's: StartDemoOffscreen starts the demo once.
    static bool Ready() { return StartDemoOffscreen(Width, Height); }

    void SetUp() override
    {
        if (!Ready())
            GTEST_SKIP() << "no offscreen GL context here";
    }

};

using DemoGlTest = OffscreenDemoTest<>;
