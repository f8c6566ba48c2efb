// The program's operator new (shell/out_of_memory.cpp): with no memory it ends the
// run with "Not Enough Memory." and exit code 1, where the runtime's would throw.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// More than any machine can give: malloc refuses it at once.
constexpr std::size_t TOO_MUCH = SIZE_MAX / 2;

TEST(OutOfMemoryDeathTest, NewWithoutMemoryEndsTheRunWithItsMessage)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators abort on an impossible size";
#else
    // No display: the message goes to stderr rather than into a box.
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            void* volatile memory = ::operator new(TOO_MUCH);
            std::exit(memory ? 7 : 8);   // not reached
        },
        testing::ExitedWithCode(EXIT_NO_MEMORY), "Not Enough Memory\\.");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            volatile std::size_t count = TOO_MUCH;
            char* volatile memory = new char[count];
            std::exit(memory ? 7 : 8);
        },
        testing::ExitedWithCode(EXIT_NO_MEMORY), "Not Enough Memory\\.");
    // The nothrow forms answer null, and their callers handle it.
    EXPECT_EQ(::operator new(TOO_MUCH, std::nothrow), nullptr);
    void* small = ::operator new(16);
    ASSERT_NE(small, nullptr);
    ::operator delete(small);
#endif
}

} // namespace
