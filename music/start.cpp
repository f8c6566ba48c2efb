// The demo's start and stop of the music, called by the shell.
#include "music/music.h"

#include <cstdio>
#include <cstdlib>

#include "music/module.h"
#include "music/output.h"
#include "platform/platform.h"

Module* MusicModule = nullptr;

void StartMusic()
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek,
                     MemoryFileTell);
    if (!OpenWaveOutput(OUTPUT_RATE)) {
        std::fputs("Sound init failed.\n", stdout);
        std::fflush(stdout);
        const char* reason = PlatformAudioError();
        if (reason[0])
            std::fprintf(stderr, "Sound init failed: %s\n", reason);
        std::exit(1);
    }
    MusicModule = LoadModule(nullptr);
    // A module that does not load leaves the demo silent.
    PlayModule(MusicModule);
}

void StopMusic()
{
    if (MusicModule)
        StopModule(MusicModule);
    CloseWaveOutput();
}
