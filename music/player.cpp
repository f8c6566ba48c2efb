// The pattern player: orders, rows and ticks; notes, instruments, envelopes, fadeout
// and auto-vibrato; and the push of each channel's state into its voice.
#include "music/player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "music/mixer.h"
#include "music/module.h"

Channel Channels[CHANNEL_COUNT];

namespace {

// The cells of the row that the last row tick played.
const PatternCell* PlayedRowCells = nullptr;

// 255 / 2^35 in single precision: a full-scale product gives 127, about half gain.
constexpr float FINAL_VOLUME_SCALE = 7.4214767664670944e-09f;
constexpr int32_t FREQUENCY_FLOOR = 100;          // Hz
constexpr double FREQUENCY_CEILING = 2147483647.0;

// The Amiga table: frequency = clock / period, and the period of note m is
// 13.375 * 2^((132 - m) / 12), 132 being eleven octaves above note 0.
constexpr int64_t AMIGA_PERIOD_CLOCK = 14317056;   // Hz x period
constexpr double AMIGA_PERIOD_SCALE = 13.375;
constexpr int32_t AMIGA_TOP_NOTE = 132;
constexpr float SEMITONE = 1.0f / 12;              // of an octave
static_assert(SEMITONE == 0.083333336f);

// The linear table: 64 period units a semitone, 768 an octave, 7680 for note 0, and a
// finetune of 128 per semitone. Period 4608 (C-4) plays a sample at its own rate.
constexpr int32_t LINEAR_NOTE0_PERIOD = 7680;
constexpr int32_t LINEAR_SEMITONE_PERIODS = 64;
constexpr int32_t LINEAR_FINETUNE_DIVISOR = 128 / LINEAR_SEMITONE_PERIODS;
constexpr float LINEAR_MIDDLE_C_PERIOD = 4608.0f;
constexpr float LINEAR_OCTAVE_RECIPROCAL = 1.0f / (12 * LINEAR_SEMITONE_PERIODS);
static_assert(LINEAR_OCTAVE_RECIPROCAL == 0.0013020834f);
constexpr double MIDDLE_C_RATE = 8363.0;           // Hz

const Pattern* CurrentPattern(const Module* module)
{
    return &module->patterns[module->orderTable[module->orderPosition]];
}

// The current row's cells, or null when there is nothing to play.
const PatternCell* CurrentRowCells(const Module* module)
{
    const Pattern* pattern = CurrentPattern(module);
    if (!pattern->cells || module->channelCount <= 0 || module->row < 0 ||
        module->row >= pattern->rowCount)
        return nullptr;
    return pattern->cells + size_t(module->row) * module->channelCount;
}

void LookUpInstrument(const Module* module, const Channel& channel, const Instrument** instrument,
                      Sample** sample)
{
    if (channel.instrument >= module->instrumentCount) {
        *instrument = &EmptyInstrument;
        *sample = &EmptySample;
        return;
    }
    *instrument = &module->instruments[channel.instrument];
    const uint8_t slot = (*instrument)->keymap[channel.note % KEYMAP_SIZE];
    *sample = slot < MAX_SAMPLES_PER_INSTRUMENT ? (*instrument)->samples[slot] : &EmptySample;
    if (!*sample)
        *sample = &EmptySample;
}

// Where one envelope lies: its points and loop in the instrument, its progress in
// the channel, and the channel flag that its value changes.
struct EnvelopeFields {
    EnvelopePoint (Instrument::*points)[ENVELOPE_POINTS];
    uint8_t Instrument::*count;
    uint8_t Instrument::*sustain;
    uint8_t Instrument::*loopStart;
    uint8_t Instrument::*loopEnd;
    uint8_t Instrument::*type;
    int32_t Channel::*tick;
    int32_t Channel::*point;
    int32_t Channel::*value;
    int32_t Channel::*output;
    int32_t Channel::*slope;
    uint8_t Channel::*done;
    uint8_t flag;
};

enum EnvelopeKind { VOLUME_ENVELOPE, PANNING_ENVELOPE };
constexpr EnvelopeFields Envelopes[] = {
    { &Instrument::volumePoints, &Instrument::volumePointCount, &Instrument::volumeSustain,
      &Instrument::volumeLoopStart, &Instrument::volumeLoopEnd, &Instrument::volumeType, &Channel::volumeEnvelopeTick,
      &Channel::volumeEnvelopePoint, &Channel::volumeEnvelopeValue, &Channel::envelopeVolume,
      &Channel::volumeEnvelopeSlope, &Channel::volumeEnvelopeDone, CHANNEL_VOLUME },
    { &Instrument::panningPoints, &Instrument::panningPointCount, &Instrument::panningSustain,
      &Instrument::panningLoopStart, &Instrument::panningLoopEnd, &Instrument::panningType, &Channel::panningEnvelopeTick,
      &Channel::panningEnvelopePoint, &Channel::panningEnvelopeValue, &Channel::envelopePan,
      &Channel::panningEnvelopeSlope, &Channel::panningEnvelopeDone, CHANNEL_PAN },
};
static_assert(std::size(Envelopes) == PANNING_ENVELOPE + 1);

void StepEnvelope(Channel* channel, const Instrument* instrument, const EnvelopeFields& f)
{
    const EnvelopePoint* points = instrument->*f.points;
    const int32_t n = instrument->*f.count;
    const int32_t loopStart = instrument->*f.loopStart;
    const uint8_t type = instrument->*f.type;
    int32_t& tick = channel->*f.tick;
    int32_t& point = channel->*f.point;
    int32_t& value = channel->*f.value;
    int32_t& output = channel->*f.output;
    int32_t& slope = channel->*f.slope;
    channel->flags |= f.flag;
    if (point >= n || point < 0) {
        output = value >> 16;
        tick++;
        return;
    }
    // Reached once the tick is at the point, or past it when the points' ticks do not
    // rise (a rising envelope reaches each point exactly).
    if (tick < points[point].x) {
        value += slope;
        output = value >> 16;
        tick++;
        return;
    }
    if ((type & ENVELOPE_LOOP) && point == instrument->*f.loopEnd) {
        point = loopStart;
        tick = points[loopStart].x;
    }
    if (point == n - 1) {
        output = points[point].y;
        channel->*f.done = 1;
        return;
    }
    if ((type & ENVELOPE_SUSTAIN) && point == instrument->*f.sustain && !channel->keyOff) {
        output = points[point].y;
        return;
    }
    const int32_t dx = points[point + 1].x - points[point].x;
    const int32_t dy = points[point + 1].y * 65536 - points[point].y * 65536;
    slope = dx != 0 ? dy / dx : 0;
    value = points[point].y * 65536;
    point++;
    output = value >> 16;
    tick++;
}

// A released note's fadeout, one tick of it.
void FadeOut(Channel* channel, const Instrument* instrument)
{
    channel->fadeoutVolume = std::max(channel->fadeoutVolume - FadeoutPerTick(instrument), 0);
    channel->flags |= CHANNEL_VOLUME;
}

}   // namespace

int32_t FadeoutPerTick(const Instrument* instrument)
{
    return static_cast<uint16_t>(instrument->fadeout * 2);
}

void StepVolumeEnvelope(Channel* channel, const Instrument* instrument)
{
    StepEnvelope(channel, instrument, Envelopes[VOLUME_ENVELOPE]);
}

void StepPanningEnvelope(Channel* channel, const Instrument* instrument)
{
    StepEnvelope(channel, instrument, Envelopes[PANNING_ENVELOPE]);
}

void ResetChannels(Module* module)
{
    PlayedRowCells = nullptr;
    for (int k = 0; k < module->channelCount && k < CHANNEL_COUNT; k++) {
        Channels[k] = Channel{};
        Channels[k].voice = &Voices[k];
    }
}

void SetBpm(Module* module, int32_t bpm)
{
    module->bpm = bpm;
    const double frames = 1000.0 / (bpm * double{0.4f}) * Mixer.rate * double{0.001f};
    // A tick of at least one frame keeps the block filler moving whatever the BPM.
    module->samplesPerTick = frames >= 1.0 && frames < 2147483647.0 ? static_cast<int32_t>(frames) : 1;
    if (bpm <= 0)
        module->samplesPerTick = 1;
}

void PlayerTick(Module* module)
{
    if (module->tick == 0) {
        if (module->nextOrder >= 0)
            module->orderPosition = module->nextOrder;
        if (module->nextRow >= 0)
            module->row = module->nextRow;
        // A break or loop may name a row the new pattern does not have.
        if (module->row < 0 || module->row >= CurrentPattern(module)->rowCount)
            module->row = 0;
        ProcessRow(module);
        if (module->nextRow == -1) {
            module->nextRow = module->row + 1;
            if (module->nextRow >= CurrentPattern(module)->rowCount) {
                module->nextOrder = module->orderPosition + 1;
                if (module->nextOrder >= module->songLength)
                    module->nextOrder = module->restartPosition;
                module->nextRow = 0;
            }
        }
    } else {
        ProcessTick(module);
    }
    module->tick++;
    if (module->tick >= module->speed + module->patternDelayTicks) {
        module->patternDelayTicks = 0;
        module->tick = 0;
    }
}

void ProcessRow(Module* module)
{
    module->nextOrder = -1;
    module->nextRow = -1;
    const PatternCell* cells = CurrentRowCells(module);
    PlayedRowCells = cells;
    if (!cells)
        return;
    bool jumped = false;
    for (int k = 0; k < module->channelCount; k++) {
        Channel* channel = &Channels[k];
        const PatternCell& cell = cells[k];
        const bool porta = cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_SLIDE;
        const bool hasNote = cell.note != 0 && cell.note != NOTE_KEY_OFF;
        if (cell.instrument != 0 && !porta)
            channel->instrument = static_cast<uint8_t>(cell.instrument - 1);
        if (hasNote && !porta)
            channel->note = static_cast<uint8_t>(cell.note - 1);
        const Instrument* instrument;
        Sample* sample;
        LookUpInstrument(module, *channel, &instrument, &sample);

        const RowMemory memory{channel->volume, channel->period, channel->pan};
        // The last tremolo value stays when the tremolo ends.
        if (channel->lastEffect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO)
            channel->volume += channel->volumeOffset;
        channel->lastEffect = cell.effect;
        channel->volumeOffset = 0;
        channel->flags = 0;
        if (hasNote) {
            channel->realNote = static_cast<uint8_t>(sample->relativeNote + cell.note - 1);
            channel->notePeriod = NotePeriod(module, channel->realNote, sample->finetune);
            if (!porta)
                channel->period = channel->notePeriod;
            channel->flags = CHANNEL_TRIGGER;
        }
        channel->periodOffset = 0;
        channel->flags |= CHANNEL_FREQ | CHANNEL_VOLUME;
        if (cell.instrument != 0)
            ResetChannelForSample(channel, sample);
        if (cell.volume != 0)
            ApplyVolumeColumnRow(channel, cell.volume);
        if (cell.note == NOTE_KEY_OFF || cell.effect == EFFECT_KEY_OFF)
            channel->keyOff = 1;
        if (instrument->volumeType & ENVELOPE_ON) {
            if (!channel->volumeEnvelopeDone)
                StepVolumeEnvelope(channel, instrument);
        } else if (channel->keyOff) {
            channel->envelopeVolume = 0;
        }
        if ((instrument->panningType & ENVELOPE_ON) && !channel->panningEnvelopeDone)
            StepPanningEnvelope(channel, instrument);
        if (channel->keyOff)
            FadeOut(channel, instrument);
        ApplyEffectRow(module, channel, cell, sample, instrument, memory, &jumped);
        ApplyAutoVibrato(channel, instrument);
        UpdateVoice(channel, sample, module);
    }
}

void ProcessTick(Module* module)
{
    // A pattern loop back to row 0 leaves the row at -1 until the next row tick (and a
    // loop row kept from a longer pattern can lie beyond this one). Where the pattern
    // has no such row, the later ticks take the cells of the row being played, so that
    // its effects, envelopes, fadeout, auto-vibrato and voices run on as on any row.
    static const PatternCell NoCells[MAX_CHANNELS] = {};
    const PatternCell* cells = CurrentRowCells(module);
    if (!cells)
        cells = PlayedRowCells ? PlayedRowCells : NoCells;
    for (int k = 0; k < module->channelCount; k++) {
        Channel* channel = &Channels[k];
        const PatternCell& cell = cells[k];
        const Instrument* instrument;
        Sample* sample;
        LookUpInstrument(module, *channel, &instrument, &sample);
        channel->volumeOffset = 0;
        channel->periodOffset = 0;
        channel->flags = 0;
        if ((instrument->volumeType & ENVELOPE_ON) && !channel->volumeEnvelopeDone)
            StepVolumeEnvelope(channel, instrument);
        if ((instrument->panningType & ENVELOPE_ON) && !channel->panningEnvelopeDone)
            StepPanningEnvelope(channel, instrument);
        if (channel->keyOff)
            FadeOut(channel, instrument);
        ApplyVolumeColumnTick(channel, cell.volume);
        ApplyEffectTick(module, channel, cell, sample);
        ApplyAutoVibrato(channel, instrument);
        UpdateVoice(channel, sample, module);
    }
}

void ResetChannelForSample(Channel* channel, const Sample* sample)
{
    channel->volume = sample->volume;
    channel->pan = sample->panning;
    channel->envelopeVolume = 64;
    channel->volumeEnvelopeTick = channel->volumeEnvelopePoint = channel->volumeEnvelopeSlope = 0;
    channel->envelopePan = 32;
    channel->panningEnvelopeTick = channel->panningEnvelopePoint = channel->panningEnvelopeSlope = 0;
    channel->keyOff = 0;
    channel->fadeoutVolume = 65536;
    channel->volumeEnvelopeDone = channel->panningEnvelopeDone = 0;
    channel->autoVibratoSweepCounter = 0;
    channel->autoVibratoPosition = 0;
    if ((channel->waveControl & 0x0F) < 4)
        channel->vibratoPosition = 0;
    if ((channel->waveControl >> 4) < 4)
        channel->tremoloPosition = 0;
    channel->flags |= CHANNEL_VOLUME | CHANNEL_PAN;
    channel->tremorCounter = 0;
}

void ApplyAutoVibrato(Channel* channel, const Instrument* instrument)
{
    const int32_t p = channel->autoVibratoPosition;
    int32_t v = 0;
    switch (instrument->vibratoType) {
    case 0: v = static_cast<int32_t>(std::sin(p * double{0.024543688f}) * 64.0); break;
    case 1: v = p < 128 ? 64 : -64; break;
    case 2: v = (128 - ((p + 128) % 256)) >> 1; break;
    case 3: v = (128 - ((384 - p) % 256)) >> 1; break;
    default: v = 0; break;
    }
    int32_t s = instrument->vibratoDepth * v;
    if (instrument->vibratoSweep != 0)
        s = channel->autoVibratoSweepCounter * s / instrument->vibratoSweep;
    channel->periodOffset += s >> 6;
    channel->autoVibratoSweepCounter++;
    if (channel->autoVibratoSweepCounter > instrument->vibratoSweep)
        channel->autoVibratoSweepCounter = instrument->vibratoSweep;
    channel->autoVibratoPosition += instrument->vibratoRate;
    if (channel->autoVibratoPosition > 255)
        channel->autoVibratoPosition -= 256;
    channel->flags |= CHANNEL_FREQ;
}

int32_t AmigaPeriod(int32_t note, int32_t finetune)
{
    const auto p = [](int32_t m) {
        const float exponent = static_cast<float>(AMIGA_TOP_NOTE - m) * SEMITONE;
        return static_cast<int32_t>(AMIGA_PERIOD_SCALE * std::pow(2.0, double{exponent}));
    };
    if (finetune < 0 && note != 0)
        return p(note) + ((p(note) - p(note - 1)) * -finetune) / -128;
    return p(note) + ((p(note) - p(note + 1)) * finetune) / -128;
}

int32_t NotePeriod(const Module* module, int32_t realNote, int32_t finetune)
{
    if (module->flags & MODULE_LINEAR_FREQUENCIES)
        return LINEAR_NOTE0_PERIOD - realNote * LINEAR_SEMITONE_PERIODS - finetune / LINEAR_FINETUNE_DIVISOR;
    return AmigaPeriod(realNote, finetune);
}

int32_t PeriodFrequency(const Module* module, int32_t period, int32_t periodOffset)
{
    if (module->flags & MODULE_LINEAR_FREQUENCIES) {
        const float exponent = (LINEAR_MIDDLE_C_PERIOD - static_cast<float>(period) +
                                static_cast<float>(periodOffset)) * LINEAR_OCTAVE_RECIPROCAL;
        double frequency = std::pow(2.0, double{exponent}) * MIDDLE_C_RATE;
        // Periods far beyond any note would not fit the integer frequency.
        if (!(frequency < FREQUENCY_CEILING))
            frequency = FREQUENCY_CEILING;
        return static_cast<int32_t>(frequency);
    }
    const int64_t sum = int64_t{period} + periodOffset;
    if (sum == 0)
        return 0;
    return static_cast<int32_t>(AMIGA_PERIOD_CLOCK / sum);
}

void UpdateVoice(Channel* channel, Sample* sample, Module* module)
{
    if (channel->period + channel->periodOffset == 0)
        channel->flags &= static_cast<uint8_t>(~CHANNEL_FREQ);

    if (channel->flags & CHANNEL_TRIGGER) {
        Voice* voice = channel->voice;
        if (voice->sample) {
            // The old note fades out on this voice while the new one fades in on the
            // partner.
            Voice* partner = &Voices[voice->index < CHANNEL_COUNT ? voice->index + CHANNEL_COUNT
                                                                   : voice->index - CHANNEL_COUNT];
            *partner = *voice;
            partner->index = static_cast<int32_t>(partner - Voices);
            voice->volume = 0;
            voice->targetLeft = 0;
            voice->targetRight = 0;
            channel->voice = partner;
        }
        voice = channel->voice;
        voice->sample = sample;
        if (voice->startOffset >= sample->loopStart + uint64_t{sample->loopLength})
            voice->startOffset = 0;
        voice->position = uint64_t{voice->startOffset} << 32;
        voice->direction = 1;
        voice->startOffset = 0;
        voice->currentLeft = voice->currentRight = 0;
        voice->rampFramesLeft = 0;
    }

    Voice* voice = channel->voice;
    if (channel->flags & CHANNEL_VOLUME) {
        // Each factor kept to its range and the product taken in 64 bits: at full
        // scale it is 2^34.
        const int64_t v = std::clamp(channel->volume + channel->volumeOffset, 0, 64);
        const int64_t product = v * std::clamp(channel->envelopeVolume, 0, 64) *
                                std::clamp(channel->fadeoutVolume, 0, 65536) *
                                std::clamp(module->globalVolume, 0, 64);
        const int32_t final = static_cast<int32_t>(static_cast<double>(product) * double{FINAL_VOLUME_SCALE});
        voice->volume = final;
        // Pan 0 is full left and 255 full right, as the XM format defines it.
        voice->targetLeft = (255 - voice->pan) * final / 255;
        voice->targetRight = voice->pan * final / 255;
    }
    if (channel->flags & CHANNEL_PAN) {
        const int32_t p = channel->pan;
        const int32_t e = channel->envelopePan;
        const int32_t final = std::clamp(p + ((128 - std::abs(p - 128)) / 32) * (e - 32), 0, 255);
        voice->pan = final;
        voice->targetLeft = voice->volume * (255 - final) / 255;
        voice->targetRight = voice->volume * final / 255;
    }
    if (channel->flags & CHANNEL_FREQ) {
        int32_t frequency = PeriodFrequency(module, channel->period, channel->periodOffset);
        if (frequency < FREQUENCY_FLOOR)
            frequency = FREQUENCY_FLOOR;
        voice->step = (static_cast<uint64_t>(frequency) << 32) / static_cast<uint64_t>(Mixer.rate);
    }
    if (channel->flags & CHANNEL_RESTART) {
        // From the start, forwards: a ping-pong voice caught on its way back would
        // otherwise run backwards off the start of the data.
        voice->position = 0;
        voice->direction = 1;
        voice->startOffset = 0;
    }
}
