// Loads an XM file from memory and plays a number of ticks through the mixer: the body
// of the music fuzz target and of the test that replays the inputs it once crashed on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "music/module.h"
#include "music/output.h"
#include "music/player.h"

namespace musicfuzz {

inline int TicksLeft = 0;

inline void CountedTick(Module* module)
{
    TicksLeft--;
    PlayerTick(module);
}

// Returns whether the module loaded. A low rate keeps each tick short to mix.
inline bool LoadAndPlay(const uint8_t* data, size_t size, int ticks, int rate = 8000)
{
    if (size > 0x7FFFFFFF)
        return false;
    SetMemoryFileSource(data, static_cast<int32_t>(size));
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    Module* module = LoadModule(nullptr);
    if (!module)
        return false;
    if (BeginOfflinePlayback(module, rate, CountedTick)) {
        TicksLeft = ticks;
        while (TicksLeft > 0)
            RenderNextBlock();
        EndOfflinePlayback();
    }
    FreeModule(module);
    return true;
}

}   // namespace musicfuzz
