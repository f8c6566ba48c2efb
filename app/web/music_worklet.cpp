// The music of the browser build, as a WebAssembly module of its own that the audio
// worklet (app/web/audio_worklet.js) runs on the browser's audio thread: the
// demo's module, player, mixer and block filler, and nothing of the page's module,
// its memory or its threads.
//
// The worklet plays the ring of music/output.cpp from its first byte and calls
// MusicFill after every quantum with the frames played so far, which re-mixes the
// blocks played since, as the output thread does after each poll of the device: the
// samples played are the same, from time 0, as those of the offline render.
#include "music/module.h"
#include "music/output.h"
#include "music/player.h"

#include <emscripten.h>

extern "C" {

// Loads the embedded module and mixes the whole ring at rate frames per second, as
// PlayModule does before the device starts. 1 when the ring is ready; 0 when the
// module does not load (the demo then plays without music, as natively) or there is
// no memory for the ring.
EMSCRIPTEN_KEEPALIVE int MusicPrepare(int rate)
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    Module* module = LoadModule(nullptr);
    if (!module)
        return 0;
    if (!BeginOfflinePlayback(module, rate, PlayerTick)) {
        FreeModule(module);
        return 0;
    }
    do {
        FillBlock();
    } while (WaveOutput.blockIndex != 0);
    return 1;
}

// The ring: ringFrames stereo frames of 16-bit samples, left first. Its address
// stays for the whole run; the memory's buffer may grow around it.
EMSCRIPTEN_KEEPALIVE int16_t* MusicRing()
{
    return WaveOutput.ring;
}

EMSCRIPTEN_KEEPALIVE int MusicRingFrames()
{
    return WaveOutput.ringFrames;
}

EMSCRIPTEN_KEEPALIVE int MusicBlockFrames()
{
    return WaveOutput.blockFrames;
}

// Re-mixes every block the player has finished since the last call, framesPlayed
// being the frames played since the ring started (modulo 2^32, as the device's
// position); returns how many blocks it mixed.
EMSCRIPTEN_KEEPALIVE int MusicFill(uint32_t framesPlayed)
{
    return FillPlayedBlocks(framesPlayed);
}

} // extern "C"
