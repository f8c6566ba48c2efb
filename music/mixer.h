// The software mixer: voices resampled with linear interpolation from a 32.32
// position, gain changes smoothed by linear ramps, accumulated in float and converted
// to 16-bit stereo once per block. It knows samples and voices only: the player sets
// the voices, the output decides when they are mixed. Internal to music/.
#pragma once

#include <cstdint>

struct Sample;

constexpr int VOICE_COUNT = 256;
constexpr int MIXED_VOICES = 64;   // channel k drives voice k or k + 32

struct Voice {
    int32_t index = 0;             // place in Voices
    int32_t volume = 0;            // last final volume from the player, 0..127
    int32_t pan = 0;               // last final panning, 0..255
    uint32_t startOffset = 0;      // sample position for the next trigger
    Sample* sample = nullptr;      // null: idle, not mixed
    int32_t targetLeft = 0;        // wanted gains, 0..255 for 0..1
    int32_t targetRight = 0;
    uint64_t position = 0;         // 32.32 sample position
    uint64_t step = 0;             // 32.32 positions per output frame
    int32_t direction = 1;         // 1 forward, 2 backward (ping-pong)
    int32_t rampTargetLeft = 0;    // the targets the running ramp was set up for
    int32_t rampTargetRight = 0;
    int32_t currentLeft = 0;       // gains reached, 1/256 units of the 0..255 scale
    int32_t currentRight = 0;
    float rampStepLeft = 0.0f;     // gain change per frame, 1.0 = full gain
    float rampStepRight = 0.0f;
    int32_t rampFramesLeft = 0;    // 0: no ramp
};
extern Voice Voices[VOICE_COUNT];

struct MixerState {
    int32_t rate = 44100;              // output frames per second
    int32_t rampLength = 128;          // frames, rate * 128 / 44,100
    float rampReciprocal = 1.0f / 128;
};
extern MixerState Mixer;

constexpr uint64_t FIXED_ONE = uint64_t{1} << 32;

// The output rate and the ramp length for it; zeroes all voices, each with its index
// and a step of 1.0.
void ResetMixer(int32_t rate);
// Adds voices 0..63 into frames interleaved stereo float frames at out.
void MixVoices(float* out, int32_t frames);
// 2 * frames floats to 16-bit: round to nearest (ties to even), clamp.
void ConvertBlock(int16_t* destination, const float* source, int32_t frames);
