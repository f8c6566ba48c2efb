// The demo's entry point on SDL2 platforms. Arguments are not used.
#include "platform/platform.h"

int main(int, char**)
{
    return RunDemo();
}
