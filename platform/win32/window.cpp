// The Win32 backend of the window, its WGL context, message boxes and the message
// queue: one Win32 or WGL call behind each step of platform.h's window interface.
#include "platform/driver.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

HINSTANCE Instance = nullptr;
HWND WindowHandle = nullptr;
HDC DeviceContext = nullptr;
HGLRC RenderingContext = nullptr;
DWORD WindowStyle = 0;
DWORD WindowExStyle = 0;
int PixelFormat = 0;
MSG LastMessage = {};

// Filled once, before its first use, and passed to both ChoosePixelFormat and
// SetPixelFormat.
PIXELFORMATDESCRIPTOR PixelFormatDescriptor;
bool PixelFormatDescriptorFilled = false;

UINT IconFlags(PlatformIcon icon)
{
    switch (icon) {
    case ICON_QUESTION: return MB_ICONQUESTION;
    case ICON_INFORMATION: return MB_ICONINFORMATION;
    case ICON_EXCLAMATION: return MB_ICONEXCLAMATION;
    case ICON_STOP: return MB_ICONSTOP;
    }
    return 0;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PlatformMessage translated;
    switch (message) {
    case WM_ACTIVATE:
        translated.kind = MESSAGE_ACTIVATE;
        translated.minimised = HIWORD(wParam) != 0;
        break;
    case WM_SYSCOMMAND:
        translated.kind = MESSAGE_SYSCOMMAND;
        translated.code = static_cast<intptr_t>(wParam);
        break;
    case WM_CLOSE:
        translated.kind = MESSAGE_CLOSE;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        translated.kind = message == WM_KEYDOWN ? MESSAGE_KEYDOWN : MESSAGE_KEYUP;
        translated.code = static_cast<intptr_t>(wParam & 0xFF);
        break;
    case WM_SIZE:
        translated.kind = MESSAGE_SIZE;
        translated.width = LOWORD(lParam);
        translated.height = HIWORD(lParam);
        break;
    case WM_LBUTTONDOWN:
        translated.kind = MESSAGE_LBUTTONDOWN;
        break;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const PlatformMessageHandler handler = CurrentMessageHandler();
    const intptr_t result = handler ? handler(translated) : MESSAGE_DEFAULT;
    if (result == MESSAGE_DEFAULT)
        return DefWindowProcA(window, message, wParam, lParam);
    return static_cast<LRESULT>(result);
}

PlatformAnswer WinAskYesNo(const char* text, const char* caption, PlatformIcon icon)
{
    switch (MessageBoxA(nullptr, text, caption, MB_YESNO | IconFlags(icon))) {
    case IDYES: return ANSWER_YES;
    case IDNO: return ANSWER_NO;
    default: return ANSWER_OTHER;
    }
}

void WinShowMessage(const char* text, const char* caption, PlatformIcon icon)
{
    MessageBoxA(nullptr, text, caption, MB_OK | IconFlags(icon));
}

bool WinRegisterWindowClass()
{
    Instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = Instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = "OpenGL";
    return RegisterClassA(&windowClass) != 0;
}

bool WinSwitchDisplayMode(int width, int height, int colourBits)
{
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof(mode));
    static_assert(sizeof(DEVMODEA) == 156);
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(colourBits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

bool WinCreateWindow(const char* title, int width, int height, bool fullscreen)
{
    if (fullscreen) {
        WindowExStyle = WS_EX_APPWINDOW;
        WindowStyle = WS_POPUP;
    } else {
        WindowExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        WindowStyle = WS_OVERLAPPEDWINDOW;
    }
    RECT rectangle = { 0, 0, width, height };
    AdjustWindowRectEx(&rectangle, WindowStyle, FALSE, WindowExStyle);
    WindowHandle = CreateWindowExA(WindowExStyle, "OpenGL", title,
                                   WindowStyle | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                   rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
                                   nullptr, nullptr, Instance, nullptr);
    return WindowHandle != nullptr;
}

bool WinGetDeviceContext()
{
    DeviceContext = GetDC(WindowHandle);
    return DeviceContext != nullptr;
}

bool WinChoosePixelFormat(int colourBits)
{
    if (!PixelFormatDescriptorFilled) {
        ZeroMemory(&PixelFormatDescriptor, sizeof(PixelFormatDescriptor));
        static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
        PixelFormatDescriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
        PixelFormatDescriptor.nVersion = 1;
        PixelFormatDescriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        PixelFormatDescriptor.iPixelType = PFD_TYPE_RGBA;
        PixelFormatDescriptor.cColorBits = static_cast<BYTE>(colourBits);
        PixelFormatDescriptor.cDepthBits = 16;
        PixelFormatDescriptor.iLayerType = PFD_MAIN_PLANE;
        PixelFormatDescriptorFilled = true;
    }
    PixelFormat = ChoosePixelFormat(DeviceContext, &PixelFormatDescriptor);
    return PixelFormat != 0;
}

bool WinSetPixelFormat()
{
    return SetPixelFormat(DeviceContext, PixelFormat, &PixelFormatDescriptor) != FALSE;
}

bool WinCreateContext()
{
    RenderingContext = wglCreateContext(DeviceContext);
    return RenderingContext != nullptr;
}

bool WinMakeContextCurrent()
{
    return wglMakeCurrent(DeviceContext, RenderingContext) != FALSE;
}

void WinShowWindow()
{
    ShowWindow(WindowHandle, SW_SHOW);
    SetForegroundWindow(WindowHandle);
    SetFocus(WindowHandle);
}

void WinShowCursor(bool show)
{
    ShowCursor(show ? TRUE : FALSE);
}

void WinRestoreDisplayMode()
{
    ChangeDisplaySettingsA(nullptr, 0);
}

bool WinHasContext()
{
    return RenderingContext != nullptr;
}

bool WinReleaseCurrentContext()
{
    return wglMakeCurrent(nullptr, nullptr) != FALSE;
}

bool WinDeleteContext()
{
    const bool deleted = wglDeleteContext(RenderingContext) != FALSE;
    RenderingContext = nullptr;
    return deleted;
}

bool WinHasDeviceContext()
{
    return DeviceContext != nullptr;
}

bool WinReleaseDeviceContext()
{
    const bool released = ReleaseDC(WindowHandle, DeviceContext) != 0;
    DeviceContext = nullptr;
    return released;
}

bool WinHasWindow()
{
    return WindowHandle != nullptr;
}

bool WinDestroyWindow()
{
    const bool destroyed = DestroyWindow(WindowHandle) != FALSE;
    WindowHandle = nullptr;
    return destroyed;
}

bool WinUnregisterWindowClass()
{
    const bool unregistered = UnregisterClassA("OpenGL", Instance) != FALSE;
    Instance = nullptr;
    return unregistered;
}

void WinSwapBuffers()
{
    SwapBuffers(DeviceContext);
}

bool WinPeekMessage(PlatformMessage* message)
{
    if (!PeekMessageA(&LastMessage, nullptr, 0, 0, PM_REMOVE))
        return false;
    *message = PlatformMessage{};
    if (LastMessage.message == WM_QUIT) {
        message->kind = MESSAGE_QUIT;
        message->code = static_cast<intptr_t>(LastMessage.wParam);
    }
    return true;
}

void WinDispatchMessage(const PlatformMessage&)
{
    // The window procedure translates the message itself when it arrives there.
    TranslateMessage(&LastMessage);
    DispatchMessageA(&LastMessage);
}

void WinPostQuit(int code)
{
    PostQuitMessage(code);
}

} // namespace

// The process ends as by default: the full-screen switch was made with CDS_FULLSCREEN,
// and the system restores the desktop mode when the process ends.
const WindowDriver BackendWindow = {
    .askYesNo = WinAskYesNo, .showMessage = WinShowMessage, .registerWindowClass = WinRegisterWindowClass,
    .switchDisplayMode = WinSwitchDisplayMode, .createWindow = WinCreateWindow,
    .getDeviceContext = WinGetDeviceContext, .choosePixelFormat = WinChoosePixelFormat,
    .setPixelFormat = WinSetPixelFormat, .createContext = WinCreateContext,
    .makeContextCurrent = WinMakeContextCurrent, .showWindow = WinShowWindow, .showCursor = WinShowCursor,
    .restoreDisplayMode = WinRestoreDisplayMode, .hasContext = WinHasContext,
    .releaseCurrentContext = WinReleaseCurrentContext, .deleteContext = WinDeleteContext,
    .hasDeviceContext = WinHasDeviceContext, .releaseDeviceContext = WinReleaseDeviceContext,
    .hasWindow = WinHasWindow, .destroyWindow = WinDestroyWindow, .unregisterWindowClass = WinUnregisterWindowClass,
    .swapBuffers = WinSwapBuffers, .peekMessage = WinPeekMessage, .dispatchMessage = WinDispatchMessage,
    .postQuit = WinPostQuit,
};
