// The audio device in the browser: an AudioWorklet (platform/web/audio_worklet.js)
// that loops the ring straight out of the module's shared memory on the browser's
// audio thread, as the Windows wave device loops its one buffer. The output thread,
// a worker of its own, polls the bytes played and re-mixes behind the worklet, so
// neither the mixing nor the playing waits for the page's main thread: a slow frame
// delays the picture, never the sound.
//
// Everything the worklet needs after opening is one record in shared memory:
// `state` says whether it plays, `bytesPlayed` is the position it advances, and
// `busy` is set while it reads the ring, so that a reset can wait until it has let
// go. Both sides use sequentially consistent atomics: every ring byte written
// before a poll is visible to the quantum that plays it, and every byte the worklet
// read was read before the poll that lets the mixer overwrite it.
#include "platform/platform.h"

#include <emscripten.h>

#include <atomic>
#include <cstddef>
#include <iterator>

extern "C" {
// platform/web/library.js; WebAudioOpen returns 0 or one of the reasons below.
int WebAudioOpen(int rate);
void WebAudioClose();
}

namespace {

// The layout audio_worklet.js reads: 32-bit words in this order.
struct SharedAudio {
    std::atomic<uint32_t> state{0};          // 1 while playing
    std::atomic<uint32_t> busy{0};           // 1 while the worklet reads the ring
    std::atomic<uint32_t> bytesPlayed{0};
    std::atomic<uint32_t> bytesAtPoll{0};    // bytesPlayed at the mixer's last poll
    std::atomic<uint32_t> ring{0};           // address of the ring in the memory
    std::atomic<uint32_t> ringBytes{0};
    // Kept by the worklet for the page's checks.
    std::atomic<uint32_t> framesPlayed{0};
    std::atomic<uint32_t> peak{0};           // largest |sample| played
    std::atomic<uint32_t> largestLag{0};     // most bytes played between two polls
};
static_assert(sizeof(SharedAudio) == 9 * 4);
static_assert(offsetof(SharedAudio, ringBytes) == 20);

SharedAudio Shared;
bool Open = false;
const char* Error = "";

// Why the page's sound could not be opened, by WebAudioOpen's result.
const char* const OpenErrors[] = {
    "",
    "the page has no running AudioContext with the ring player (the browser refused sound)",
    "the AudioContext does not run at the music's rate",
};

// Waits until the worklet is out of the ring; it reads 128 frames at a time, so the
// wait is short, and it is bounded for an audio thread the browser has suspended.
void WaitUntilReleased()
{
    const double until = emscripten_get_now() + 50.0;
    while (Shared.busy.load() != 0 && emscripten_get_now() < until) {
    }
}

} // namespace

// The record's address, for the ring player the page makes.
extern "C" EMSCRIPTEN_KEEPALIVE void* WebAudioShared()
{
    return &Shared;
}

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

void PlatformAudioPrepare(int16_t* ring, uint32_t bytes)
{
    if (!Open)
        return;
    Shared.ring.store(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ring)));
    Shared.ringBytes.store(bytes & ~3u);
}

void PlatformAudioStart()
{
    if (!Open)
        return;
    Shared.bytesPlayed.store(0);
    Shared.bytesAtPoll.store(0);
    Shared.state.store(1);
}

uint32_t PlatformAudioBytesPlayed()
{
    const uint32_t played = Shared.bytesPlayed.fetch_add(0);
    Shared.bytesAtPoll.store(played);
    return played;
}

void PlatformAudioUnprepare()
{
    // The worklet goes on looping the ring, as the wave device does after its header
    // is unprepared; the ring outlives it until PlatformAudioReset.
}

void PlatformAudioReset()
{
    if (!Open)
        return;
    Shared.state.store(0);
    WaitUntilReleased();
}

void PlatformAudioClose()
{
    if (!Open)
        return;
    PlatformAudioReset();
    WebAudioClose();
    Open = false;
}
