// The browser's audio position in frames, from the position in bytes that its backend
// still gives (platform/web/audio.cpp), until that backend fills a driver of its own.
#include "platform/platform.h"

uint32_t PlatformAudioBytesPlayed();

uint32_t PlatformAudioFramesPlayed()
{
    return PlatformAudioBytesPlayed() / 4;
}
