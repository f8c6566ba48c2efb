// The output: the platform audio device playing one looping ring, the block filler
// that runs the player's ticks and the mixer into it, the output thread that re-mixes
// each block after the device has played it, and the offline path that the tools and
// tests render through. Internal to music/.
#pragma once

#include <atomic>
#include <cstdint>

#include "music/player.h"

struct Module;
struct PlatformThread;

// What the block filler runs at every tick boundary: PlayerTick, or a watcher of the
// ticks (a song-end detector, a test's counter) that calls PlayerTick itself.
using TickHandlerFn = void (*)(Module* module);

constexpr int OUTPUT_RATE = 44100;     // frames per second
constexpr int BUFFER_MS = 1000;
constexpr int BLOCK_MS = 20;

struct WaveOutputState {
    int32_t rate = 0;             // frames per second
    int32_t blockFrames = 0;      // B: about 20 ms, a multiple of 4
    int32_t ringFrames = 0;       // T = (BUFFER_MS / BLOCK_MS) * B * 2
    int32_t blockCount = 0;       // N = T / B
    int16_t* ring = nullptr;      // T stereo frames the device loops
    float* accumulation = nullptr;     // T stereo float frames, 16-byte aligned
    void* accumulationBlock = nullptr; // what was allocated for accumulation
    int32_t blockIndex = 0;       // next block to mix, 0..N-1
    Module* currentModule = nullptr;
    TickHandlerFn tickHandler = PlayerTick;
    bool deviceOpen = false;
    bool ringQueued = false;      // the device holds the ring (prepared and maybe playing)
    PlatformThread* thread = nullptr;
    // The stop protocol between the main thread and the output thread.
    std::atomic<bool> stopRequested{false};   // main -> output thread
    std::atomic<bool> filling{false};         // output thread -> main, while mixing
    std::atomic<bool> threadFinished{true};   // output thread -> main
};
extern WaveOutputState WaveOutput;

// Block and ring sizes for an output rate.
int32_t BlockFramesForRate(int32_t rate);
int32_t RingFramesForRate(int32_t rate);

// Fails when the file callbacks are not registered or the device cannot be opened.
bool OpenWaveOutput(int32_t rate);
// Resets and closes the device and releases the ring; harmless when nothing is open.
void CloseWaveOutput();
// Mixes the whole ring, starts the device and the output thread, which runs handler
// at every tick. False for null, and when playback or its thread cannot start (the
// device is then stopped).
bool PlayModule(Module* module, TickHandlerFn handler = PlayerTick);
// Ends the output thread; the device keeps looping what the ring holds.
bool StopModule(Module* module);
uint32_t OutputThreadProc(void* parameter);
// Spins while the output thread is in the middle of a block.
void WaitWhileFilling();
// Mixes the next ring block of the module being played; runs the tick handler at
// every tick boundary, the tick phase carrying across blocks.
void FillBlock();
// Re-mixes, in order, every block from the next one to mix up to the one that holds
// frame framesPlayed of the ring's loop (counted from the start of playback, modulo
// 2^32): the blocks the device has finished since the last call. Returns how many.
int32_t FillPlayedBlocks(uint32_t framesPlayed);

// Offline rendering through FillBlock, without a device or a thread: sets the rate,
// resets the voices and the module's playback state, allocates the buffers.
bool BeginOfflinePlayback(Module* module, int32_t rate, TickHandlerFn handler = PlayerTick);
// Mixes the next block and returns its blockFrames stereo frames.
const int16_t* RenderNextBlock();
void EndOfflinePlayback();
