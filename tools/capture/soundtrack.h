// The demo's soundtrack for the capture tool: the embedded module through the demo's
// own loader, player and mixer, rendered offline block by block. These are the
// samples the demo hands its sound device, in the same order, with sample 0 at demo
// time 0. Everything the capture tool needs from music/ goes through here.
#pragma once

#include <cstdint>

struct Module;

constexpr int SOUNDTRACK_RATE = 44100;             // stereo frames per second
constexpr int SOUNDTRACK_FRAMES_PER_CS = SOUNDTRACK_RATE / 100;

// One playback at a time: the player and mixer are the music's global state.
class Soundtrack {
public:
    Soundtrack() = default;
    ~Soundtrack();
    Soundtrack(const Soundtrack&) = delete;
    Soundtrack& operator=(const Soundtrack&) = delete;

    // Loads the module and starts playing it from its first row. False when the
    // module does not load.
    bool Start();
    // The next `frames` stereo frames, interleaved, into out (2 x frames values).
    void Render(int16_t* out, int64_t frames);
    // Plays `frames` stereo frames without keeping them.
    void Skip(int64_t frames);

private:
    const int16_t* NextFrames(int64_t wanted, int64_t* given);

    Module* module_ = nullptr;
    const int16_t* block_ = nullptr;   // the block being handed out
    int64_t blockLeft_ = 0;            // its frames not yet handed out
};
