// What the backends do alike: the start-up failure and the fixed-function layer's
// steps (backend_common.h).
#include "platform/backend_common.h"

#include "platform/platform.h"

#if QV_GL_LAYER
#include "platform/gles/fixed_function.h"
#endif

[[noreturn]] void PlatformFailStartUp(const char* text, int code)
{
    // The box is shown on the desktop's own mode.
    PlatformRestoreDisplayMode();
    PlatformShowMessage(text, "ERROR", ICON_EXCLAMATION);
    PlatformEndProcess(code);
}

#if QV_GL_LAYER

bool StartGlLayer(int width, int height)
{
    return FixedStartLayer(width, height);
}

void ResizeGlLayer(int width, int height)
{
    FixedResizeBackBuffer(width, height);
}

void PresentGlLayer()
{
    FixedPresent();
}

void StopGlLayer()
{
    FixedStopLayer();
}

#else

bool StartGlLayer(int, int)
{
    return true;
}

void ResizeGlLayer(int, int)
{
}

void PresentGlLayer()
{
}

void StopGlLayer()
{
}

#endif
