// The demo's entry point on Windows. Its arguments are not used.
#include "platform/platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunDemo();
}
