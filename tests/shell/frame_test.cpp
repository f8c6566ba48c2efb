// The frame driver at the end of the demo.
#include "engine/engine.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A frame at exactly the end time ends the process with code 0 at once, even while
// another thread is busy (as the music thread always is).
TEST(FrameDeathTest, AFrameAtTheEndTimeEndsTheProcessWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EngineTables.EndTime = 17312.0f;
            std::atomic<bool> stop = false;
            std::thread busy([&stop] {
                volatile unsigned spin = 0;
                while (!stop.load(std::memory_order_relaxed))
                    spin = spin + 1;
            });
            DrawFrame(17312.0f);
            stop = true;
            busy.join();
            std::exit(7);   // not reached when the frame ends the process
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(FrameDeathTest, AnEmptyFirstTrackEndsTheDemoAtItsFirstFrame)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EngineTables.EndTime = 0.0f;
            DrawFrame(0.0f);
            std::exit(7);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
