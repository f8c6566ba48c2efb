// The pattern player: turns orders, rows and cells into voice parameters, one tick at
// a time, and the effects it applies on row ticks and later ticks. Internal to music/.
#pragma once

#include <cstdint>

struct Module;
struct Instrument;
struct Sample;
struct Voice;
struct PatternCell;
struct EnvelopePoint;

// Update requests a channel makes of UpdateVoice.
constexpr uint8_t CHANNEL_FREQ = 0x01;
constexpr uint8_t CHANNEL_VOLUME = 0x02;
constexpr uint8_t CHANNEL_PAN = 0x04;
constexpr uint8_t CHANNEL_TRIGGER = 0x08;
constexpr uint8_t CHANNEL_RESTART = 0x20;

struct Channel {
    uint8_t note = 0;               // 0-based
    uint8_t flags = 0;              // CHANNEL_*
    Voice* voice = nullptr;         // voice k or k + 32
    int32_t period = 0;
    int32_t volume = 0;             // 0..64
    int32_t pan = 0;                // 0..255
    int32_t volumeOffset = 0;       // this tick only (tremolo, tremor)
    int32_t periodOffset = 0;       // this tick only (vibrato, arpeggio, auto-vibrato)
    int32_t volumeEnvelopeTick = 0, volumeEnvelopePoint = 0;
    int32_t volumeEnvelopeValue = 0;    // 16.16
    int32_t envelopeVolume = 0;         // 0..64
    int32_t volumeEnvelopeSlope = 0;    // 16.16 per tick
    uint8_t volumeEnvelopeDone = 0;
    int32_t panningEnvelopeTick = 0, panningEnvelopePoint = 0;
    int32_t panningEnvelopeValue = 0;
    int32_t envelopePan = 0;            // 0..64, 32 = centre
    int32_t panningEnvelopeSlope = 0;
    uint8_t panningEnvelopeDone = 0;
    int32_t fadeoutVolume = 0;          // 65,536 down to 0 after key-off
    int32_t autoVibratoPosition = 0;    // 0..255
    int32_t autoVibratoSweepCounter = 0;
    uint8_t keyOff = 0;
    uint8_t instrument = 0;             // 0-based
    uint8_t realNote = 0;               // note + relative note
    int32_t notePeriod = 0;
    uint8_t lastEffect = 0;
    int32_t sampleOffsetMemory = 0;
    uint8_t portaDownMemory = 0, portaUpMemory = 0, extraFineDownMemory = 0, extraFineUpMemory = 0;
    uint8_t volumeSlideMemory = 0, panningSlideMemory = 0;
    uint8_t retrigVolumeMemory = 0, retrigIntervalMemory = 0;
    int32_t portaTarget = 0;
    uint8_t portaSpeed = 0;
    int8_t vibratoPosition = 0;         // -32..31
    uint8_t vibratoSpeed = 0, vibratoDepth = 0;
    int8_t tremoloPosition = 0;         // -32..31
    uint8_t tremoloSpeed = 0, tremoloDepth = 0;
    uint8_t tremorCounter = 0, tremorOn = 0, tremorOff = 0;
    int32_t loopRow = 0, loopCount = 0;
    uint8_t waveControl = 0;            // low nibble vibrato, high nibble tremolo
    uint8_t fineVolumeMemory = 0, fineUpMemory = 0, fineDownMemory = 0;
};

constexpr int CHANNEL_COUNT = 32;
extern Channel Channels[CHANNEL_COUNT];

// What a row remembers before its cell is applied, for the note delay.
struct RowMemory {
    int32_t volume;
    int32_t period;
    int32_t pan;
};

// Clears the module's channels and points channel k at voice k.
void ResetChannels(Module* module);

// The tick length for a tempo: samplesPerTick = truncate(1000 / (bpm * 0.4) * rate *
// 0.001) frames at the mixer's rate, at least 1.
void SetBpm(Module* module, int32_t bpm);
// One tick: the row on tick 0, the effects' tick part on the others.
void PlayerTick(Module* module);
void ProcessRow(Module* module);
void ProcessTick(Module* module);
void ResetChannelForSample(Channel* channel, const Sample* sample);
void ApplyAutoVibrato(Channel* channel, const Instrument* instrument);
void UpdateVoice(Channel* channel, Sample* sample, Module* module);
int32_t AmigaPeriod(int32_t note, int32_t finetune);
int32_t NotePeriod(const Module* module, int32_t realNote, int32_t finetune);
// The frequency in Hz of a period and offset, for the module's frequency table.
int32_t PeriodFrequency(const Module* module, int32_t period, int32_t periodOffset);

// How much of the fadeout volume (65,536 in all) a released note loses each tick:
// twice the instrument's fadeout, kept to 16 bits.
int32_t FadeoutPerTick(const Instrument* instrument);
// One tick of the volume envelope or the panning envelope.
void StepVolumeEnvelope(Channel* channel, const Instrument* instrument);
void StepPanningEnvelope(Channel* channel, const Instrument* instrument);

// Effects (effects.cpp): the row part on tick 0, the tick part on later ticks.
void ApplyVolumeColumnRow(Channel* channel, uint8_t volume);
void ApplyVolumeColumnTick(Channel* channel, uint8_t volume);
void ApplyEffectRow(Module* module, Channel* channel, const PatternCell& cell, Sample* sample,
                    const Instrument* instrument, const RowMemory& memory, bool* jumped);
void ApplyEffectTick(Module* module, Channel* channel, const PatternCell& cell, Sample* sample);
// Moves the volume envelope to tick t (effect L).
void SetVolumeEnvelopePosition(Channel* channel, const Instrument* instrument, int32_t t);

// Effect numbers as the XM format numbers them.
constexpr uint8_t EFFECT_ARPEGGIO = 0x00;
constexpr uint8_t EFFECT_PORTA_UP = 0x01;
constexpr uint8_t EFFECT_PORTA_DOWN = 0x02;
constexpr uint8_t EFFECT_TONE_PORTA = 0x03;
constexpr uint8_t EFFECT_VIBRATO = 0x04;
constexpr uint8_t EFFECT_TONE_PORTA_SLIDE = 0x05;
constexpr uint8_t EFFECT_VIBRATO_SLIDE = 0x06;
constexpr uint8_t EFFECT_TREMOLO = 0x07;
constexpr uint8_t EFFECT_SET_PANNING = 0x08;
constexpr uint8_t EFFECT_SAMPLE_OFFSET = 0x09;
constexpr uint8_t EFFECT_VOLUME_SLIDE = 0x0A;
constexpr uint8_t EFFECT_POSITION_JUMP = 0x0B;
constexpr uint8_t EFFECT_SET_VOLUME = 0x0C;
constexpr uint8_t EFFECT_PATTERN_BREAK = 0x0D;
constexpr uint8_t EFFECT_EXTENDED = 0x0E;
constexpr uint8_t EFFECT_SPEED = 0x0F;
constexpr uint8_t EFFECT_GLOBAL_VOLUME = 16;
constexpr uint8_t EFFECT_GLOBAL_VOLUME_SLIDE = 17;
constexpr uint8_t EFFECT_KEY_OFF = 20;
constexpr uint8_t EFFECT_ENVELOPE_POSITION = 21;
constexpr uint8_t EFFECT_PANNING_SLIDE = 25;
constexpr uint8_t EFFECT_MULTI_RETRIG = 27;
constexpr uint8_t EFFECT_TREMOR = 29;
constexpr uint8_t EFFECT_EXTRA_FINE_PORTA = 33;
