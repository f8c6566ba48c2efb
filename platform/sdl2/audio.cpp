// The audio device on SDL2: the callback copies from one ring that loops forever, the
// way the Windows wave device loops one buffer, and publishes how many frames it has
// handed on. The output thread polls that count exactly as it polls the wave device.
//
// The count is one 64-bit atomic; the callback and the poll both use acquire-release
// read-modify-writes on it, so every ring frame written before a poll is visible to
// the callback that plays it, and every frame the callback copied was read before the
// poll that lets the writer overwrite it.
#include "platform/driver.h"

#include <SDL.h>

#include <atomic>
#include <cstring>

namespace {

struct AudioDevice {
    SDL_AudioDeviceID id = 0;
    bool subsystemStarted = false;
    const uint8_t* ring = nullptr;     // set while the device is stopped
    uint32_t ringBytes = 0;
    uint32_t readOffset = 0;           // callback thread only
    bool playing = false;              // main thread only
    std::atomic<uint64_t> framesPlayed{0};
};
constexpr uint32_t FRAME_BYTES = 4;   // 16-bit stereo
AudioDevice Audio;
char AudioError[256];   // the last open's failure

void SDLCALL FillFromRing(void*, Uint8* stream, int length)
{
    Audio.framesPlayed.fetch_add(0, std::memory_order_acq_rel);
    const uint8_t* ring = Audio.ring;
    const uint32_t ringBytes = Audio.ringBytes;
    uint32_t offset = Audio.readOffset;
    int done = 0;
    if (!ring || ringBytes == 0) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    while (done < length) {
        uint32_t chunk = ringBytes - offset;
        if (chunk > static_cast<uint32_t>(length - done))
            chunk = static_cast<uint32_t>(length - done);
        std::memcpy(stream + done, ring + offset, chunk);
        done += static_cast<int>(chunk);
        offset += chunk;
        if (offset == ringBytes)
            offset = 0;
    }
    Audio.readOffset = offset;
    Audio.framesPlayed.fetch_add(static_cast<uint64_t>(length) / FRAME_BYTES, std::memory_order_acq_rel);
}

void Close();

bool Open(int rate)
{
    Close();
    AudioError[0] = '\0';
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SDL_strlcpy(AudioError, SDL_GetError(), sizeof AudioError);
        return false;
    }
    Audio.subsystemStarted = true;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = FillFromRing;
    SDL_AudioSpec obtained{};
    // The ring is mixed at exactly this format: SDL converts if the hardware differs.
    Audio.id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (Audio.id == 0) {
        SDL_strlcpy(AudioError, SDL_GetError(), sizeof AudioError);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        Audio.subsystemStarted = false;
        return false;
    }
    return true;
}

const char* Error()
{
    return AudioError;
}

void Prepare(int16_t* ring, uint32_t frames)
{
    if (Audio.id == 0)
        return;
    SDL_LockAudioDevice(Audio.id);
    Audio.ring = reinterpret_cast<const uint8_t*>(ring);
    Audio.ringBytes = frames * FRAME_BYTES;
    Audio.readOffset = 0;
    SDL_UnlockAudioDevice(Audio.id);
}

void Start()
{
    if (Audio.id == 0)
        return;
    SDL_LockAudioDevice(Audio.id);
    Audio.readOffset = 0;
    Audio.framesPlayed.store(0, std::memory_order_release);
    SDL_UnlockAudioDevice(Audio.id);
    SDL_PauseAudioDevice(Audio.id, 0);
    Audio.playing = true;
}

uint32_t FramesPlayed()
{
    return static_cast<uint32_t>(Audio.framesPlayed.fetch_add(0, std::memory_order_acq_rel));
}

// Unpreparing is nothing here: the device goes on looping the ring, as the wave device
// does after its header is unprepared; the ring outlives it until a reset.

void Reset()
{
    if (Audio.id == 0)
        return;
    SDL_PauseAudioDevice(Audio.id, 1);
    // Taking the lock waits for a callback that is still running.
    SDL_LockAudioDevice(Audio.id);
    Audio.ring = nullptr;
    Audio.ringBytes = 0;
    Audio.readOffset = 0;
    SDL_UnlockAudioDevice(Audio.id);
    Audio.playing = false;
}

void Close()
{
    if (Audio.id != 0) {
        SDL_CloseAudioDevice(Audio.id);
        Audio.id = 0;
    }
    Audio.ring = nullptr;
    Audio.ringBytes = 0;
    Audio.playing = false;
    if (Audio.subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        Audio.subsystemStarted = false;
    }
}

} // namespace

const AudioDriver BackendAudio = {
    .open = Open, .error = Error, .prepare = Prepare, .start = Start, .framesPlayed = FramesPlayed, .reset = Reset,
    .close = Close,
};
