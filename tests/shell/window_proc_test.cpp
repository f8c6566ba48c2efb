// The window procedure's handling of each message, through the real event queue of
// the SDL backend (with SDL's window-less dummy video driver).
#include "engine/engine.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class WindowProc : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_TRUE(PlatformRegisterWindowClass());
    }
    static void TearDownTestSuite() { PlatformUnregisterWindowClass(); }

    void SetUp() override
    {
        Fullscreen = true;
        Active = true;
        for (bool& key : KeyDown)
            key = false;
        DrainQueue();
    }

    static void DrainQueue()
    {
        PlatformMessage message;
        while (PlatformPeekMessage(&message)) {
        }
    }

    // The first quit message in the queue, if any.
    static bool TakeQuit(intptr_t* code)
    {
        PlatformMessage message;
        while (PlatformPeekMessage(&message)) {
            if (message.kind == MESSAGE_QUIT) {
                *code = message.code;
                return true;
            }
        }
        return false;
    }

    static intptr_t Send(PlatformMessageKind kind, intptr_t code = 0)
    {
        PlatformMessage message;
        message.kind = kind;
        message.code = code;
        return MainWindowProc(message);
    }
};

TEST_F(WindowProc, ActivationFollowsMinimising)
{
    PlatformMessage message;
    message.kind = MESSAGE_ACTIVATE;
    message.minimised = true;
    EXPECT_EQ(MainWindowProc(message), 0);
    EXPECT_FALSE(Active);
    message.minimised = false;
    MainWindowProc(message);
    EXPECT_TRUE(Active);
}

TEST_F(WindowProc, KeysAreHeldBetweenDownAndUp)
{
    EXPECT_EQ(Send(MESSAGE_KEYDOWN, VKEY_ESCAPE), 0);
    EXPECT_TRUE(KeyDown[VKEY_ESCAPE]);
    Send(MESSAGE_KEYDOWN, 'A');
    Send(MESSAGE_KEYUP, VKEY_ESCAPE);
    EXPECT_FALSE(KeyDown[VKEY_ESCAPE]);
    EXPECT_TRUE(KeyDown['A']);
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerAreSwallowedExactly)
{
    EXPECT_EQ(Send(MESSAGE_SYSCOMMAND, 0xF140), 0);
    EXPECT_EQ(Send(MESSAGE_SYSCOMMAND, 0xF170), 0);
    // The low four bits are not masked: a neighbouring command goes to the system.
    EXPECT_EQ(Send(MESSAGE_SYSCOMMAND, 0xF141), MESSAGE_DEFAULT);
    EXPECT_EQ(Send(MESSAGE_SYSCOMMAND, 0xF060), MESSAGE_DEFAULT);
    EXPECT_EQ(Send(MESSAGE_OTHER), MESSAGE_DEFAULT);
}

TEST_F(WindowProc, CloseQueuesAQuitWithCodeZero)
{
    Fullscreen = false;
    EXPECT_EQ(Send(MESSAGE_CLOSE), 0);
    intptr_t code = -1;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(WindowProc, LeftClickQuitsInFullScreenOnly)
{
    intptr_t code = -1;
    Fullscreen = false;
    EXPECT_EQ(Send(MESSAGE_LBUTTONDOWN), 0);
    EXPECT_FALSE(TakeQuit(&code));

    Fullscreen = true;
    Send(MESSAGE_LBUTTONDOWN);
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(WindowProc, SizeIsRecordedAsTheWindowSize)
{
    PlatformMessage message;
    message.kind = MESSAGE_SIZE;
    message.width = 800;
    message.height = 600;
    EXPECT_EQ(MainWindowProc(message), 0);
    EXPECT_EQ(WindowWidth, 800);
    EXPECT_EQ(WindowHeight, 600);
}

} // namespace
