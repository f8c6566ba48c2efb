// The audio device in the browser: an AudioWorklet (app/web/audio_worklet.js)
// on the browser's audio thread that runs the demo's music itself, in a WebAssembly
// module of its own (app/web/music_worklet.cpp), mixing ahead in its own ring
// as the output thread does natively. The page makes it inside the start-up click,
// its ring already mixed, before the demo starts (Module.makeAudioPlayer in
// platform/web/library.js); this side only opens it (it is there, and runs at the
// music's rate), starts it and stops it, by messages: the page's module and the
// worklet share no memory, and a slow frame on the page's main thread delays the
// picture, never the sound.
#include "platform/driver.h"

#include <iterator>

extern "C" {
// platform/web/library.js; WebAudioOpen returns 0 or one of the reasons below.
int WebAudioOpen(int rate);
void WebAudioStart();
void WebAudioStop();
void WebAudioClose();
}

namespace {

bool Opened = false;
const char* OpenError = "";

// Why the page's sound could not be opened, by WebAudioOpen's result.
const char* const OpenErrors[] = {
    "",
    "the page has no running AudioContext with the music player (the browser refused sound)",
    "the AudioContext does not run at the music's rate",
    "the audio worklet could not run the music's WebAssembly module",
};

void Close()
{
    if (!Opened)
        return;
    WebAudioClose();
    Opened = false;
}

bool Open(int rate)
{
    Close();
    const int result = WebAudioOpen(rate);
    OpenError = result > 0 && result < static_cast<int>(std::size(OpenErrors)) ? OpenErrors[result] : "";
    Opened = result == 0;
    return Opened;
}

const char* Error()
{
    return OpenError;
}

void Start()
{
    if (Opened)
        WebAudioStart();
}

void Reset()
{
    if (Opened)
        WebAudioStop();
}

} // namespace

// The player mixes into a ring of its own and keeps it filled itself: there is no
// ring to prepare or take back, and no play position for an output thread to poll.
const AudioDriver BackendAudio = {
    .open = Open, .error = Error, .start = Start, .reset = Reset, .close = Close,
};
