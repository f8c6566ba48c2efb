// The demo clock: centiseconds of wall-clock time, and the frame time measured
// from time zero.
#include "engine/engine.h"
#include "platform/platform.h"
#include "shell/shell.h"

int32_t DemoClockNow()
{
    return static_cast<int32_t>(PlatformMilliseconds() * 100 / 1000);
}

uint32_t ElapsedTime()
{
    return static_cast<uint32_t>(DemoClockNow()) - static_cast<uint32_t>(EngineTables.StartTime);
}
