// Headless start-up of the demo: the same window steps and StartEngine as the demo.
#include "tools/common/offscreen.h"

#include "engine/engine.h"
#include "shell/shell.h"

#include <cstdlib>

bool StartDemoOffscreen(int width, int height)
{
    static int started = -1;   // -1 not tried, 0 no context, 1 running
    if (started < 0) {
#if !defined(_WIN32)
        // Windows has no offscreen driver: the window opens on the desktop there.
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
#endif
        started = CreateMainWindow(WindowTitle, width, height, 32, false) ? 1 : 0;
        if (started)
            StartEngine();
    }
    return started == 1;
}
