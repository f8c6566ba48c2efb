// The output: the platform audio device loops one ring of about two seconds, and a
// time-critical thread re-mixes each 20 ms block right after the device played it.
//
// Stop protocol: the main thread sets stopRequested, spins while the output thread is
// filling a block, then waits until threadFinished. The three flags are atomics with
// release stores and acquire loads, so everything the output thread wrote before it
// finished is visible to the main thread afterwards.
#include "music/output.h"

#include <cstdlib>
#include <cstring>

#include "music/mixer.h"
#include "music/module.h"
#include "platform/platform.h"

WaveOutputState WaveOutput;

namespace {

constexpr int POLL_MS = 5;
constexpr int STOP_POLL_MS = 50;

void SetRate(int32_t rate)
{
    WaveOutput.rate = rate;
    WaveOutput.blockFrames = BlockFramesForRate(rate);
    WaveOutput.ringFrames = RingFramesForRate(rate);
    WaveOutput.blockCount = WaveOutput.ringFrames / WaveOutput.blockFrames;
    ResetMixer(rate);
}

void FreeAccumulation()
{
    std::free(WaveOutput.accumulationBlock);
    WaveOutput.accumulationBlock = nullptr;
    WaveOutput.accumulation = nullptr;
}

// Playback state of the module, its channels, and the two buffers.
bool StartPlayback(Module* module, TickHandlerFn handler)
{
    WaveOutput.tickHandler = handler ? handler : PlayerTick;
    module->globalVolume = module->initialGlobalVolume;
    module->nextOrder = -1;
    module->nextRow = -1;
    module->speed = module->defaultSpeed;
    module->row = 0;
    module->orderPosition = 0;
    module->samplesLeftInTick = 0;
    module->tick = 0;
    module->patternDelayTicks = 0;
    SetBpm(module, module->defaultBpm);
    ResetChannels(module);
    WaveOutput.currentModule = module;

    if (!WaveOutput.ring) {
        WaveOutput.ring = static_cast<int16_t*>(std::calloc(size_t(WaveOutput.ringFrames) * 2, sizeof(int16_t)));
        if (!WaveOutput.ring)
            return false;
    } else {
        std::memset(WaveOutput.ring, 0, size_t(WaveOutput.ringFrames) * 2 * sizeof(int16_t));
    }
    FreeAccumulation();   // from an offline playback that was not ended
    const size_t bytes = size_t(WaveOutput.ringFrames) * 8 + 256;
    WaveOutput.accumulationBlock = std::calloc(bytes, 1);
    if (!WaveOutput.accumulationBlock)
        return false;
    const uintptr_t base = reinterpret_cast<uintptr_t>(WaveOutput.accumulationBlock);
    WaveOutput.accumulation = reinterpret_cast<float*>((base + 15) & ~uintptr_t{15});
    WaveOutput.blockIndex = 0;
    return true;
}

}   // namespace

int32_t BlockFramesForRate(int32_t rate)
{
    return ((rate * BLOCK_MS) / 1000 + 3) & ~3;
}

int32_t RingFramesForRate(int32_t rate)
{
    return (BUFFER_MS / BLOCK_MS) * BlockFramesForRate(rate) * 2;
}

bool OpenWaveOutput(int32_t rate)
{
    if (!HasFileCallbacks())
        return false;
    CloseWaveOutput();
    if (rate < 1000)
        return false;
    SetRate(rate);
    if (!PlatformAudioOpen(rate))
        return false;
    WaveOutput.deviceOpen = true;
    return true;
}

void CloseWaveOutput()
{
    // The device must let go of the ring before the ring is released.
    PlatformAudioReset();
    PlatformAudioClose();
    WaveOutput.deviceOpen = false;
    WaveOutput.ringQueued = false;
    if (!WaveOutput.currentModule) {
        std::free(WaveOutput.ring);
        WaveOutput.ring = nullptr;
    }
}

bool PlayModule(Module* module, TickHandlerFn handler)
{
    if (!module)
        return false;
    StopModule(module);
    if (!WaveOutput.deviceOpen)
        return false;
    // A ring the device still loops from an earlier play is taken back first, so the
    // new one plays instead of queueing behind an endless loop.
    if (WaveOutput.ringQueued) {
        PlatformAudioReset();
        WaveOutput.ringQueued = false;
    }
    if (!StartPlayback(module, handler)) {
        WaveOutput.currentModule = nullptr;
        FreeAccumulation();
        return false;
    }
    do {
        FillBlock();
    } while (WaveOutput.blockIndex != 0);
    PlatformAudioPrepare(WaveOutput.ring, static_cast<uint32_t>(WaveOutput.ringFrames));
    WaveOutput.ringQueued = true;
    PlatformAudioStart();

    WaveOutput.stopRequested.store(false, std::memory_order_release);
    // Marked running before the thread exists, so that a stop that comes before the
    // thread has started still waits for it.
    WaveOutput.threadFinished.store(false, std::memory_order_release);
    WaveOutput.thread = PlatformStartTimeCriticalThread(OutputThreadProc, nullptr);
    if (!WaveOutput.thread) {
        // Without its thread the ring would repeat its first two seconds for ever.
        WaveOutput.threadFinished.store(true, std::memory_order_release);
        PlatformAudioReset();
        WaveOutput.ringQueued = false;
        WaveOutput.currentModule = nullptr;
        return false;
    }
    return true;
}

void WaitWhileFilling()
{
    while (WaveOutput.filling.load(std::memory_order_acquire)) {
    }
}

bool StopModule(Module* module)
{
    if (!module)
        return false;
    WaveOutput.stopRequested.store(true, std::memory_order_release);
    WaitWhileFilling();
    if (WaveOutput.thread) {
        while (!WaveOutput.threadFinished.load(std::memory_order_acquire))
            PlatformSleep(STOP_POLL_MS);
        PlatformForgetThread(WaveOutput.thread);
        WaveOutput.thread = nullptr;
    }
    FreeAccumulation();
    if (WaveOutput.ringQueued)
        PlatformAudioUnprepare();
    WaveOutput.currentModule = nullptr;
    return true;
}

void FillBlock()
{
    Module* module = WaveOutput.currentModule;
    const int32_t frames = WaveOutput.blockFrames;
    float* region = WaveOutput.accumulation + size_t(WaveOutput.blockIndex) * frames * 2;
    std::memset(region, 0, sizeof(float) * 2 * size_t(frames));
    int32_t left = module->samplesLeftInTick;
    int32_t done = 0;
    while (done < frames) {
        if (left <= 0) {
            WaveOutput.tickHandler(module);
            left = module->samplesPerTick > 0 ? module->samplesPerTick : 1;
        }
        const int32_t n = left < frames - done ? left : frames - done;
        MixVoices(region + 2 * done, n);
        left -= n;
        done += n;
    }
    module->samplesLeftInTick = left;
    ConvertBlock(WaveOutput.ring + size_t(WaveOutput.blockIndex) * frames * 2, region, frames);
    WaveOutput.blockIndex++;
    if (WaveOutput.blockIndex >= WaveOutput.blockCount)
        WaveOutput.blockIndex = 0;
}

int32_t FillPlayedBlocks(uint32_t framesPlayed)
{
    const uint32_t ringFrames = static_cast<uint32_t>(WaveOutput.ringFrames);
    const uint32_t blockFrames = static_cast<uint32_t>(WaveOutput.blockFrames);
    const int32_t playing = static_cast<int32_t>((framesPlayed % ringFrames) / blockFrames);
    int32_t mixed = 0;
    while (WaveOutput.blockIndex != playing) {
        WaveOutput.filling.store(true, std::memory_order_release);
        FillBlock();
        WaveOutput.filling.store(false, std::memory_order_release);
        ++mixed;
    }
    return mixed;
}

uint32_t OutputThreadProc(void*)
{
    WaveOutput.threadFinished.store(false, std::memory_order_release);
    while (!WaveOutput.stopRequested.load(std::memory_order_acquire)) {
        FillPlayedBlocks(PlatformAudioFramesPlayed());
        PlatformSleep(POLL_MS);
    }
    // One more poll hands the blocks mixed since the last one over to the device,
    // which goes on looping the ring after the thread has gone.
    PlatformAudioFramesPlayed();
    WaveOutput.threadFinished.store(true, std::memory_order_release);
    return 0;
}

bool BeginOfflinePlayback(Module* module, int32_t rate, TickHandlerFn handler)
{
    if (!module || rate < 1000)
        return false;
    SetRate(rate);
    if (!StartPlayback(module, handler)) {
        EndOfflinePlayback();
        return false;
    }
    return true;
}

const int16_t* RenderNextBlock()
{
    const int16_t* block = WaveOutput.ring + size_t(WaveOutput.blockIndex) * WaveOutput.blockFrames * 2;
    FillBlock();
    return block;
}

void EndOfflinePlayback()
{
    FreeAccumulation();
    std::free(WaveOutput.ring);
    WaveOutput.ring = nullptr;
    WaveOutput.currentModule = nullptr;
}
