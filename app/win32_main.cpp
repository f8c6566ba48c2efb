// The demo's program on Windows. Its arguments are not used.
#include "shell/shell.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunDemo();
}
