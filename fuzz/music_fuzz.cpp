// libFuzzer target: any bytes as an XM file; what loads plays 1,000 ticks.
#include "fuzz/music_play.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    musicfuzz::LoadAndPlay(data, size, 1000);
    return 0;
}
