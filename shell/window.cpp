// The main window: creation with its full-screen switch and windowed fall-back,
// the window procedure, and the ordered teardown.
#include "shell/shell.h"

#include "engine/engine.h"
#include "music/music.h"
#include "platform/gl.h"
#include "platform/platform.h"

const char* const WindowTitle = "http://quorvantile.example";

bool Fullscreen = true;
int WindowExitCode = EXIT_DONE;
bool Active = true;
bool KeyDown[256] = {};

namespace {

constexpr intptr_t SC_SCREENSAVE_COMMAND = 0xF140;
constexpr intptr_t SC_MONITORPOWER_COMMAND = 0xF170;

bool FailCreation(const char* text, int exitCode)
{
    DestroyMainWindow();
    PlatformShowMessage(text, "ERROR", ICON_EXCLAMATION);
    WindowExitCode = exitCode;
    return false;
}

void ReportShutdown(bool ok, const char* text)
{
    if (!ok)
        PlatformShowMessage(text, "SHUTDOWN ERROR", ICON_INFORMATION);
}

} // namespace

intptr_t MainWindowProc(const PlatformMessage& message)
{
    switch (message.kind) {
    case MESSAGE_ACTIVATE:
        Active = !message.minimised;
        return 0;
    case MESSAGE_SYSCOMMAND:
        // Compared whole: the low four bits of the command are not masked off.
        if (message.code == SC_SCREENSAVE_COMMAND || message.code == SC_MONITORPOWER_COMMAND)
            return 0;
        return MESSAGE_DEFAULT;
    case MESSAGE_CLOSE:
        PlatformPostQuit(0);
        return 0;
    case MESSAGE_KEYDOWN:
        KeyDown[message.code & 0xFF] = true;
        return 0;
    case MESSAGE_KEYUP:
        KeyDown[message.code & 0xFF] = false;
        return 0;
    case MESSAGE_SIZE:
        SetViewport(message.width, message.height);
        return 0;
    case MESSAGE_LBUTTONDOWN:
        if (Fullscreen)
            PlatformPostQuit(0);
        return 0;
    default:
        return MESSAGE_DEFAULT;
    }
}

void SetViewport(int width, int height)
{
    glViewport(0, 0, width, height);
    WindowWidth = width;
    WindowHeight = height;
}

bool CreateMainWindow(const char* title, int width, int height, int colourBits, bool fullscreen)
{
    Fullscreen = fullscreen;
    WindowExitCode = EXIT_DONE;
    PlatformSetMessageHandler(MainWindowProc);

    if (!PlatformRegisterWindowClass()) {
        PlatformShowMessage("Failed To Register The Window Class.", "ERROR", ICON_EXCLAMATION);
        WindowExitCode = EXIT_NO_WINDOW_CLASS;
        return false;
    }

    if (Fullscreen) {
        if (!PlatformSwitchDisplayMode(width, height, colourBits)) {
            const PlatformAnswer answer = PlatformAskYesNo(
                "The Requested Fullscreen Mode Is Not Supported By\n"
                "Your Video Card. Use Windowed Mode Instead?",
                WindowTitle, ICON_INFORMATION);
            if (answer != ANSWER_YES) {
                // The user's choice, not a failure: WindowExitCode stays EXIT_DONE.
                PlatformShowMessage("Program Will Now Close.", "ERROR", ICON_STOP);
                return false;
            }
            Fullscreen = false;
        } else {
            PlatformShowCursor(false);
        }
    }

    if (!PlatformCreateWindow(title, width, height, Fullscreen))
        return FailCreation("Window Creation Error.", EXIT_NO_WINDOW);
    if (!PlatformGetDeviceContext())
        return FailCreation("Can't Create A GL Device Context.", EXIT_NO_DEVICE_CONTEXT);
    if (!PlatformChoosePixelFormat(colourBits))
        return FailCreation("Can't Find A Suitable PixelFormat.", EXIT_NO_PIXEL_FORMAT);
    if (!PlatformSetPixelFormat())
        return FailCreation("Can't Set The PixelFormat.", EXIT_PIXEL_FORMAT_REFUSED);
    if (!PlatformCreateContext())
        return FailCreation("Can't Create A GL Rendering Context.", EXIT_NO_GL_CONTEXT);
    if (!PlatformMakeContextCurrent())
        return FailCreation("Can't Activate The GL Rendering Context.", EXIT_GL_CONTEXT_INACTIVE);

    PlatformShowWindow();
    SetViewport(width, height);
    return true;
}

void DestroyMainWindow()
{
    if (Fullscreen) {
        PlatformRestoreDisplayMode();
        PlatformShowCursor(true);
    }
    if (PlatformHasContext()) {
        ReportShutdown(PlatformReleaseCurrentContext(), "Release Of DC And RC Failed.");
        ReportShutdown(PlatformDeleteContext(), "Release Rendering Context Failed.");
    }
    if (PlatformHasDeviceContext())
        ReportShutdown(PlatformReleaseDeviceContext(), "Release Device Context Failed.");
    if (PlatformHasWindow())
        ReportShutdown(PlatformDestroyWindow(), "Could Not Release hWnd.");
    ReportShutdown(PlatformUnregisterWindowClass(), "Could Not Unregister Class.");
    StopMusic();
}
