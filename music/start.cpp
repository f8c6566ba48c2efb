// The demo's start and stop of the music, called by the shell.
#include "music/music.h"

#include <cstdio>
#include <cstdlib>

#include "music/module.h"
#include "music/output.h"
#include "platform/platform.h"

Module* MusicModule = nullptr;

namespace {

[[noreturn]] void FailSoundInit(int exitCode, const char* reason)
{
    std::fputs("Sound init failed.\n", stdout);
    std::fflush(stdout);
    // fputs rather than fprintf: no formatted output anywhere in the demo keeps the
    // runtime's printf engine out of the Windows program.
    if (reason[0]) {
        std::fputs("Sound init failed: ", stderr);
        std::fputs(reason, stderr);
        std::fputs("\n", stderr);
    }
    PlatformEndProcess(exitCode);
}

} // namespace

#if QV_DEVICE_PLAYS_MODULE

// The browser's audio device runs these same layers itself, in a WebAssembly module
// of its own on the audio thread (platform/web), with its ring already mixed: here
// it is only opened and started, and MusicModule stays null.
void StartMusic()
{
    if (!PlatformAudioOpen(OUTPUT_RATE))
        FailSoundInit(EXIT_NO_SOUND, PlatformAudioError());
    PlatformAudioStart();
}

void StopMusic()
{
    PlatformAudioClose();
}

#else

void StartMusic()
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek,
                     MemoryFileTell);
    if (!OpenWaveOutput(OUTPUT_RATE))
        FailSoundInit(EXIT_NO_SOUND, PlatformAudioError());
    MusicModule = LoadModule(nullptr);
    // A module that does not load leaves the demo silent. With the device open and the
    // module loaded, what fails is the output thread.
    if (MusicModule && !PlayModule(MusicModule))
        FailSoundInit(EXIT_NO_MUSIC_THREAD, "the music could not start playing (no memory or no thread)");
}

void StopMusic()
{
    if (MusicModule)
        StopModule(MusicModule);
    CloseWaveOutput();
}

#endif
