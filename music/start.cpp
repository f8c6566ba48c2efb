// The demo's start and stop of the music, called by the shell.
#include "music/music.h"

#include <cstdio>
#include <cstdlib>

#include "music/module.h"
#include "music/output.h"
#include "platform/platform.h"

Module* MusicModule = nullptr;

namespace {

[[noreturn]] void FailSoundInit(int exitCode)
{
    std::fputs("Sound init failed.\n", stdout);
    PlatformEndProcess(exitCode);
}

} // namespace

void StartMusic()
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek,
                     MemoryFileTell);
    if (!OpenWaveOutput(OUTPUT_RATE))
        FailSoundInit(EXIT_NO_SOUND);
    MusicModule = LoadModule(nullptr);
    // A module that does not load leaves the demo silent; one that plays without its
    // output thread would loop its first two seconds for ever.
    if (PlayModule(MusicModule) && !WaveOutput.thread)
        FailSoundInit(EXIT_NO_MUSIC_THREAD);
}

void StopMusic()
{
    if (MusicModule)
        StopModule(MusicModule);
    CloseWaveOutput();
}
