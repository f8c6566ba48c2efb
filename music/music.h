// The demo's music: an XM module player with its own software mixer, playing
// through the platform's audio device on a time-critical thread of its own.
#pragma once

struct Module;

// The module the demo plays; read again at shut-down.
extern Module* MusicModule;

// Registers the memory-file callbacks, opens the output at 44,100 Hz, loads the
// embedded module and starts playing it. Returns once the first two seconds are
// mixed. (In the browser the device loads and mixes the module itself, on its own
// thread; this only opens and starts it.) A device that cannot be opened, or a
// music thread that cannot be started, prints "Sound init failed.\n", writes the
// reason to stderr and ends the process with exit code EXIT_NO_SOUND or
// EXIT_NO_MUSIC_THREAD (platform/platform.h).
void StartMusic();

// Stops the module (when one was loaded) and closes the output. Harmless when
// StartMusic never ran.
void StopMusic();
