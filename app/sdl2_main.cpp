// The demo's program on SDL2 platforms. Arguments are not used.
#include "shell/shell.h"

int main(int, char**)
{
    return RunDemo();
}
