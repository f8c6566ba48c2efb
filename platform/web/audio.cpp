// The audio device in the browser: an AudioWorklet (platform/web/audio_worklet.js)
// on the browser's audio thread that runs the demo's music itself, in a WebAssembly
// module of its own (platform/web/worklet/music.cpp), mixing ahead in its own ring
// as the output thread does natively. The page makes it inside the start-up click,
// its ring already mixed, before the demo starts (Module.makeAudioPlayer in
// platform/web/library.js); this side only opens it (it is there, and runs at the
// music's rate), starts it and stops it, by messages: the page's module and the
// worklet share no memory, and a slow frame on the page's main thread delays the
// picture, never the sound.
#include "platform/platform.h"

#include <iterator>

extern "C" {
// platform/web/library.js; WebAudioOpen returns 0 or one of the reasons below.
int WebAudioOpen(int rate);
void WebAudioStart();
void WebAudioStop();
void WebAudioClose();
uint32_t WebAudioFramesPlayed();
}

namespace {

bool Open = false;
const char* Error = "";

// Why the page's sound could not be opened, by WebAudioOpen's result.
const char* const OpenErrors[] = {
    "",
    "the page has no running AudioContext with the music player (the browser refused sound)",
    "the AudioContext does not run at the music's rate",
    "the audio worklet could not run the music's WebAssembly module",
};

} // namespace

bool PlatformAudioOpen(int rate)
{
    PlatformAudioClose();
    const int result = WebAudioOpen(rate);
    Error = result > 0 && result < static_cast<int>(std::size(OpenErrors)) ? OpenErrors[result] : "";
    Open = result == 0;
    return Open;
}

const char* PlatformAudioError()
{
    return Error;
}

// The player mixes into a ring of its own.
void PlatformAudioPrepare(int16_t*, uint32_t)
{
}

void PlatformAudioStart()
{
    if (Open)
        WebAudioStart();
}

// As of the player's latest report, which comes about every 50 ms.
uint32_t PlatformAudioBytesPlayed()
{
    return Open ? WebAudioFramesPlayed() * 4 : 0;
}

void PlatformAudioUnprepare()
{
}

void PlatformAudioReset()
{
    if (Open)
        WebAudioStop();
}

void PlatformAudioClose()
{
    if (!Open)
        return;
    WebAudioClose();
    Open = false;
}
