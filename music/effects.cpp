// What every volume-column command and every effect does: a row part on tick 0 and a
// tick part on the later ticks of the row. Memories keep the last non-zero parameter.
#include <algorithm>
#include <cmath>

#include "music/mixer.h"
#include "music/module.h"
#include "music/player.h"

namespace {

// pi / 64: position p of -32..31 covers half a sine period.
constexpr double WAVE_STEP = 0.049087375;

// The extended effect Exy: x picks the command, y is its parameter.
constexpr uint8_t EXTENDED_FINE_PORTA_UP = 0x1;
constexpr uint8_t EXTENDED_FINE_PORTA_DOWN = 0x2;
constexpr uint8_t EXTENDED_VIBRATO_WAVEFORM = 0x4;
constexpr uint8_t EXTENDED_FINETUNE = 0x5;
constexpr uint8_t EXTENDED_PATTERN_LOOP = 0x6;
constexpr uint8_t EXTENDED_TREMOLO_WAVEFORM = 0x7;
constexpr uint8_t EXTENDED_SET_PANNING = 0x8;
constexpr uint8_t EXTENDED_RETRIGGER = 0x9;
constexpr uint8_t EXTENDED_FINE_VOLUME_UP = 0xA;
constexpr uint8_t EXTENDED_FINE_VOLUME_DOWN = 0xB;
constexpr uint8_t EXTENDED_NOTE_CUT = 0xC;
constexpr uint8_t EXTENDED_NOTE_DELAY = 0xD;
constexpr uint8_t EXTENDED_PATTERN_DELAY = 0xE;

// The volume column: 0x10..0x50 sets the volume; above that the high nibble picks the
// command and the low nibble is its parameter.
constexpr uint8_t VOLUME_SET_FIRST = 0x10;
constexpr uint8_t VOLUME_SET_LAST = 0x50;
constexpr uint8_t VOLUME_SLIDE_DOWN = 0x6;
constexpr uint8_t VOLUME_SLIDE_UP = 0x7;
constexpr uint8_t VOLUME_FINE_DOWN = 0x8;
constexpr uint8_t VOLUME_FINE_UP = 0x9;
constexpr uint8_t VOLUME_VIBRATO_SPEED = 0xA;
constexpr uint8_t VOLUME_VIBRATO = 0xB;
constexpr uint8_t VOLUME_SET_PANNING = 0xC;
constexpr uint8_t VOLUME_PAN_LEFT = 0xD;
constexpr uint8_t VOLUME_PAN_RIGHT = 0xE;
constexpr uint8_t VOLUME_TONE_PORTA = 0xF;

constexpr int32_t MAX_VOLUME = 64;
constexpr int32_t MAX_PAN = 255;

// Every slide: up by `up` to at most high, or down by `down` to at least 0.
int32_t SlideUp(int32_t value, int32_t up, int32_t high)
{
    return std::min(value + up, high);
}

int32_t SlideDown(int32_t value, int32_t down)
{
    return std::max(value - down, 0);
}

// A slide whose parameter xy slides up by x or, when x is 0, down by y.
int32_t Slide(int32_t value, uint8_t xy, int32_t high)
{
    const int32_t x = xy >> 4;
    return x != 0 ? SlideUp(value, x, high) : SlideDown(value, xy & 15);
}

int32_t SineWave(int32_t position)
{
    return static_cast<int32_t>(std::fabs(std::sin(2 * position * WAVE_STEP)) * 256.0);
}

void TonePortamento(Channel* channel)
{
    const int32_t speed = channel->portaSpeed * 4;
    if (channel->period < channel->portaTarget) {
        channel->period += speed;
        if (channel->period > channel->portaTarget)
            channel->period = channel->portaTarget;
    } else if (channel->period > channel->portaTarget) {
        channel->period -= speed;
        if (channel->period < channel->portaTarget)
            channel->period = channel->portaTarget;
    }
    channel->flags |= CHANNEL_FREQ;
}

void Vibrato(Channel* channel)
{
    const int32_t p = channel->vibratoPosition;
    int32_t v;
    switch (channel->waveControl & 3) {
    case 0: v = SineWave(p); break;
    case 1:
        v = static_cast<uint8_t>(p * 8);
        if (p < 0)
            v = 255 - v;
        break;
    default: v = 255; break;
    }
    int32_t d = ((channel->vibratoDepth * v) >> 5) & ~3;
    if (p >= 0)
        d = -d;
    channel->periodOffset = d;
    channel->flags |= CHANNEL_FREQ;
}

// Positions run over -32..31 in 8-bit signed arithmetic.
int8_t AdvanceWave(int8_t position, uint8_t speed)
{
    int32_t next = position + speed;
    if (next > 31)
        next -= 64;
    return static_cast<int8_t>(next);
}

void AdvanceVibrato(Channel* channel)
{
    channel->vibratoPosition = AdvanceWave(channel->vibratoPosition, channel->vibratoSpeed);
}

void Tremolo(Channel* channel)
{
    const int32_t q = channel->tremoloPosition;
    int32_t v;
    switch ((channel->waveControl >> 4) & 3) {
    case 1:
        v = static_cast<uint8_t>((q & 31) * 8);
        if (q < 0)
            v = 255 - v;
        break;
    case 2: v = 255; break;
    default: v = SineWave(q); break;
    }
    int32_t d = (channel->tremoloDepth * v) >> 6;
    if (q >= 0) {
        if (channel->volume + d > 64)
            d = 64 - channel->volume;
        channel->volumeOffset = d;
    } else {
        if (channel->volume - d < 0)
            d = channel->volume;
        channel->volumeOffset = -d;
    }
    channel->tremoloPosition = AdvanceWave(channel->tremoloPosition, channel->tremoloSpeed);
    channel->flags |= CHANNEL_VOLUME;
}

void Tremor(Channel* channel)
{
    if (channel->tremorCounter >= channel->tremorOn)
        channel->volumeOffset = -channel->volume;
    channel->tremorCounter++;
    if (channel->tremorCounter == channel->tremorOn + channel->tremorOff)
        channel->tremorCounter = 0;
    channel->flags |= CHANNEL_VOLUME;
}

void VolumeSlide(Channel* channel)
{
    channel->volume = Slide(channel->volume, channel->volumeSlideMemory, MAX_VOLUME);
    channel->flags |= CHANNEL_VOLUME;
}

void VolumeDown(Channel* channel, int32_t y)
{
    channel->volume = SlideDown(channel->volume, y);
    channel->flags |= CHANNEL_VOLUME;
}

void VolumeUp(Channel* channel, int32_t y)
{
    channel->volume = SlideUp(channel->volume, y, MAX_VOLUME);
    channel->flags |= CHANNEL_VOLUME;
}

// Pan changes of the volume column: unlimited here, kept to 0..255 where the voice's
// panning is worked out.
void PanBy(Channel* channel, int32_t change)
{
    channel->pan += change;
    channel->flags |= CHANNEL_PAN;
}

int32_t RetrigVolume(int32_t volume, uint8_t kind)
{
    switch (kind) {
    case 1: return volume - 1;
    case 2: return volume - 2;
    case 3: return volume - 4;
    case 4: return volume - 8;
    case 5: return volume - 16;
    case 6: return volume * 2 / 3;
    case 7: return volume >> 1;
    case 9: return volume + 1;
    case 10: return volume + 2;
    case 11: return volume + 4;
    case 12: return volume + 8;
    case 13: return volume + 16;
    case 14: return volume * 3 / 2;
    case 15: return volume * 2;
    default: return volume;
    }
}

void ExtendedRow(Module* module, Channel* channel, const PatternCell& cell, Sample* sample,
                 const RowMemory& memory)
{
    const uint8_t y = cell.parameter & 15;
    switch (cell.parameter >> 4) {
    case EXTENDED_FINE_PORTA_UP:
        if (y != 0)
            channel->fineUpMemory = y;
        channel->period -= channel->fineUpMemory * 4;
        break;
    case EXTENDED_FINE_PORTA_DOWN:
        if (y != 0)
            channel->fineDownMemory = y;
        channel->period += channel->fineDownMemory * 4;
        break;
    case EXTENDED_VIBRATO_WAVEFORM: channel->waveControl = static_cast<uint8_t>((channel->waveControl & 0xF0) | y); break;
    case EXTENDED_FINETUNE:
        // The shared empty sample stays as it is.
        if (sample != &EmptySample)
            sample->finetune = static_cast<int8_t>(y);
        break;
    case EXTENDED_PATTERN_LOOP:
        if (y == 0) {
            channel->loopRow = module->row;
        } else {
            if (channel->loopCount == 0)
                channel->loopCount = y;
            else
                channel->loopCount--;
            if (channel->loopCount != 0)
                module->row = channel->loopRow - 1;
        }
        break;
    case EXTENDED_TREMOLO_WAVEFORM: channel->waveControl = static_cast<uint8_t>((channel->waveControl & 0x0F) | y << 4); break;
    case EXTENDED_SET_PANNING:
        channel->pan = y * 16;
        channel->flags |= CHANNEL_PAN;
        break;
    case EXTENDED_FINE_VOLUME_UP:
        if (y != 0)
            channel->fineVolumeMemory = y;
        VolumeUp(channel, channel->fineVolumeMemory);
        break;
    case EXTENDED_FINE_VOLUME_DOWN:
        if (y != 0)
            channel->fineVolumeMemory = y;
        VolumeDown(channel, channel->fineVolumeMemory);
        break;
    case EXTENDED_NOTE_DELAY:
        channel->volume = memory.volume;
        channel->period = memory.period;
        channel->pan = memory.pan;
        channel->flags &= static_cast<uint8_t>(~(CHANNEL_FREQ | CHANNEL_VOLUME | CHANNEL_PAN | CHANNEL_TRIGGER));
        break;
    case EXTENDED_PATTERN_DELAY: module->patternDelayTicks = module->speed * y; break;
    default: break;
    }
}

void ExtendedTick(Module* module, Channel* channel, const PatternCell& cell, Sample* sample)
{
    const uint8_t y = cell.parameter & 15;
    switch (cell.parameter >> 4) {
    case EXTENDED_RETRIGGER:
        if (y != 0 && module->tick % y == 0)
            channel->flags |= CHANNEL_TRIGGER | CHANNEL_FREQ | CHANNEL_VOLUME;
        break;
    case EXTENDED_NOTE_CUT:
        if (module->tick == y) {
            channel->volume = 0;
            channel->flags |= CHANNEL_VOLUME;
        }
        break;
    case EXTENDED_NOTE_DELAY:
        if (module->tick == y) {
            ResetChannelForSample(channel, sample);
            channel->period = channel->notePeriod;
            channel->flags |= CHANNEL_FREQ;
            if (cell.volume != 0)
                ApplyVolumeColumnRow(channel, cell.volume);
            channel->flags |= CHANNEL_TRIGGER;
        } else {
            channel->flags &= static_cast<uint8_t>(~(CHANNEL_FREQ | CHANNEL_VOLUME | CHANNEL_PAN | CHANNEL_TRIGGER));
        }
        break;
    default: break;
    }
}

}   // namespace

void ApplyVolumeColumnRow(Channel* channel, uint8_t volume)
{
    const int32_t y = volume & 15;
    if (volume >= VOLUME_SET_FIRST && volume <= VOLUME_SET_LAST) {
        channel->volume = volume - VOLUME_SET_FIRST;
        channel->flags |= CHANNEL_VOLUME;
        return;
    }
    switch (volume >> 4) {
    case VOLUME_SLIDE_DOWN: case VOLUME_FINE_DOWN: VolumeDown(channel, y); break;
    case VOLUME_SLIDE_UP: case VOLUME_FINE_UP: VolumeUp(channel, y); break;
    case VOLUME_VIBRATO_SPEED: channel->vibratoSpeed = static_cast<uint8_t>(y); break;
    case VOLUME_VIBRATO: channel->vibratoDepth = static_cast<uint8_t>(y); break;
    case VOLUME_SET_PANNING:
        channel->pan = y * 16;
        channel->flags |= CHANNEL_PAN;
        break;
    case VOLUME_PAN_LEFT: PanBy(channel, -y); break;
    case VOLUME_PAN_RIGHT: PanBy(channel, y); break;
    case VOLUME_TONE_PORTA:
        if (y != 0)
            channel->portaSpeed = static_cast<uint8_t>(y * 16);
        channel->portaTarget = channel->notePeriod;
        channel->flags &= static_cast<uint8_t>(~CHANNEL_TRIGGER);
        break;
    default: break;
    }
}

void ApplyVolumeColumnTick(Channel* channel, uint8_t volume)
{
    const int32_t y = volume & 15;
    switch (volume >> 4) {
    case VOLUME_SLIDE_DOWN: VolumeDown(channel, y); break;
    case VOLUME_SLIDE_UP: VolumeUp(channel, y); break;
    case VOLUME_VIBRATO:
        channel->vibratoDepth = static_cast<uint8_t>(y);
        Vibrato(channel);
        AdvanceVibrato(channel);
        break;
    case VOLUME_PAN_LEFT: PanBy(channel, -y); break;
    case VOLUME_PAN_RIGHT: PanBy(channel, y); break;
    case VOLUME_TONE_PORTA: TonePortamento(channel); break;
    default: break;
    }
}

void SetVolumeEnvelopePosition(Channel* channel, const Instrument* instrument, int32_t t)
{
    const EnvelopePoint* points = instrument->volumePoints;
    const int32_t n = instrument->volumePointCount;
    if (n < 1)
        return;
    int32_t i = 0;
    while (i + 1 < n && t > points[i + 1].x)
        i++;
    channel->volumeEnvelopePoint = i;
    if (i >= n - 1) {
        channel->envelopeVolume = points[n - 1].y;
        channel->volumeEnvelopeDone = 1;
        return;
    }
    channel->volumeEnvelopeDone = 0;
    channel->volumeEnvelopeTick = t;
    const int32_t dx = points[i + 1].x - points[i].x;
    const int32_t slope = dx != 0 ? (points[i + 1].y * 65536 - points[i].y * 65536) / dx : 0;
    channel->volumeEnvelopeSlope = slope;
    channel->volumeEnvelopePoint = i + 1;
    // A position before the first point would extrapolate outside the envelope.
    const int64_t value = std::clamp(int64_t{points[i].y} * 65536 + int64_t{t - points[i].x} * slope,
                                     int64_t{0}, int64_t{64} * 65536);
    channel->volumeEnvelopeValue = static_cast<int32_t>(value);
    channel->envelopeVolume = channel->volumeEnvelopeValue >> 16;
}

void ApplyEffectRow(Module* module, Channel* channel, const PatternCell& cell, Sample* sample,
                    const Instrument* instrument, const RowMemory& memory, bool* jumped)
{
    const uint8_t xy = cell.parameter;
    const uint8_t x = xy >> 4;
    const uint8_t y = xy & 15;
    switch (cell.effect) {
    case EFFECT_PORTA_UP:
        if (xy != 0)
            channel->portaUpMemory = xy;
        break;
    case EFFECT_PORTA_DOWN:
        if (xy != 0)
            channel->portaDownMemory = xy;
        break;
    case EFFECT_TONE_PORTA:
        if (xy != 0)
            channel->portaSpeed = xy;
        channel->portaTarget = channel->notePeriod;
        channel->flags &= static_cast<uint8_t>(~(CHANNEL_FREQ | CHANNEL_TRIGGER));
        break;
    case EFFECT_VIBRATO:
        if (x != 0)
            channel->vibratoSpeed = x;
        if (y != 0)
            channel->vibratoDepth = y;
        Vibrato(channel);
        break;
    case EFFECT_TONE_PORTA_SLIDE:
        channel->portaTarget = channel->notePeriod;
        if (xy != 0)
            channel->volumeSlideMemory = xy;
        channel->flags &= static_cast<uint8_t>(~(CHANNEL_FREQ | CHANNEL_TRIGGER));
        break;
    case EFFECT_VIBRATO_SLIDE:
        if (xy != 0)
            channel->volumeSlideMemory = xy;
        Vibrato(channel);
        break;
    case EFFECT_TREMOLO:
        if (x != 0)
            channel->tremoloSpeed = x;
        if (y != 0)
            channel->tremoloDepth = y;
        break;
    case EFFECT_SET_PANNING:
        channel->pan = xy;
        channel->flags |= CHANNEL_PAN;
        break;
    case EFFECT_SAMPLE_OFFSET: {
        if (xy != 0)
            channel->sampleOffsetMemory = xy;
        const uint32_t offset = static_cast<uint32_t>(channel->sampleOffsetMemory) * 256;
        if (offset >= sample->loopStart + uint64_t{sample->loopLength}) {
            channel->flags &= static_cast<uint8_t>(~CHANNEL_TRIGGER);
            channel->flags |= CHANNEL_RESTART;
        } else {
            channel->voice->startOffset = offset;
        }
        break;
    }
    case EFFECT_VOLUME_SLIDE:
        if (xy != 0)
            channel->volumeSlideMemory = xy;
        break;
    case EFFECT_POSITION_JUMP:
        module->nextRow = 0;
        module->nextOrder = xy >= module->songLength ? 0 : xy;
        *jumped = true;
        break;
    case EFFECT_SET_VOLUME:
        channel->volume = std::min<int32_t>(xy, MAX_VOLUME);
        channel->flags |= CHANNEL_VOLUME;
        break;
    case EFFECT_PATTERN_BREAK:
        module->nextRow = x * 10 + y;
        if (module->nextRow > 63)
            module->nextRow = 0;
        if (!*jumped)
            module->nextOrder = module->orderPosition + 1;
        if (module->nextOrder >= module->songLength)
            module->nextOrder = 0;
        break;
    case EFFECT_EXTENDED: ExtendedRow(module, channel, cell, sample, memory); break;
    case EFFECT_SPEED:
        if (xy < 32)
            module->speed = xy;
        else
            SetBpm(module, xy);
        break;
    case EFFECT_GLOBAL_VOLUME:
        module->globalVolume = std::min<int32_t>(xy, MAX_VOLUME);
        channel->flags |= CHANNEL_VOLUME;
        break;
    case EFFECT_GLOBAL_VOLUME_SLIDE:
        if (xy != 0)
            module->globalVolumeSlideMemory = xy;
        break;
    case EFFECT_ENVELOPE_POSITION:
        if (instrument->volumeType & ENVELOPE_ON)
            SetVolumeEnvelopePosition(channel, instrument, xy);
        break;
    case EFFECT_PANNING_SLIDE:
        if (xy != 0) {
            channel->panningSlideMemory = xy;
            channel->flags |= CHANNEL_PAN;
        }
        break;
    case EFFECT_MULTI_RETRIG:
        if (xy != 0) {
            channel->retrigVolumeMemory = x;
            channel->retrigIntervalMemory = y;
        }
        break;
    case EFFECT_TREMOR:
        if (xy != 0) {
            channel->tremorOn = static_cast<uint8_t>(x + 1);
            channel->tremorOff = static_cast<uint8_t>(y + 1);
        }
        Tremor(channel);
        break;
    case EFFECT_EXTRA_FINE_PORTA:
        if (x == 1) {
            if (y != 0)
                channel->extraFineUpMemory = y;
            channel->period -= channel->extraFineUpMemory;
        } else if (x == 2) {
            if (y != 0)
                channel->extraFineDownMemory = y;
            channel->period += channel->extraFineDownMemory;
        }
        break;
    default: break;
    }
}

void ApplyEffectTick(Module* module, Channel* channel, const PatternCell& cell, Sample* sample)
{
    const uint8_t xy = cell.parameter;
    switch (cell.effect) {
    case EFFECT_ARPEGGIO: {
        if (xy == 0)
            break;
        const int32_t phase = module->tick % 3;
        const int32_t semitones = phase == 0 ? 0 : phase == 1 ? xy >> 4 : xy & 15;
        if (module->flags & MODULE_LINEAR_FREQUENCIES)
            channel->periodOffset = semitones * 64;
        else
            channel->periodOffset = AmigaPeriod(channel->realNote + semitones, sample->finetune) -
                                    AmigaPeriod(channel->realNote, sample->finetune);
        channel->flags |= CHANNEL_FREQ;
        break;
    }
    case EFFECT_PORTA_UP:
        channel->period -= channel->portaUpMemory * 4;
        if (channel->period < 56)
            channel->period = 56;
        channel->periodOffset = 0;
        channel->flags |= CHANNEL_FREQ;
        break;
    case EFFECT_PORTA_DOWN:
        channel->period += channel->portaDownMemory * 4;
        channel->periodOffset = 0;
        channel->flags |= CHANNEL_FREQ;
        break;
    case EFFECT_TONE_PORTA:
        channel->periodOffset = 0;
        TonePortamento(channel);
        break;
    case EFFECT_VIBRATO:
        Vibrato(channel);
        AdvanceVibrato(channel);
        break;
    case EFFECT_TONE_PORTA_SLIDE:
        channel->periodOffset = 0;
        TonePortamento(channel);
        VolumeSlide(channel);
        break;
    case EFFECT_VIBRATO_SLIDE:
        Vibrato(channel);
        AdvanceVibrato(channel);
        VolumeSlide(channel);
        break;
    case EFFECT_TREMOLO: Tremolo(channel); break;
    case EFFECT_VOLUME_SLIDE: VolumeSlide(channel); break;
    case EFFECT_EXTENDED: ExtendedTick(module, channel, cell, sample); break;
    case EFFECT_GLOBAL_VOLUME_SLIDE:
        module->globalVolume = Slide(module->globalVolume, module->globalVolumeSlideMemory, MAX_VOLUME);
        break;
    case EFFECT_PANNING_SLIDE:
        channel->pan = Slide(channel->pan, channel->panningSlideMemory, MAX_PAN);
        channel->flags |= CHANNEL_PAN;
        break;
    case EFFECT_MULTI_RETRIG: {
        const int32_t interval = channel->retrigIntervalMemory;
        if (interval != 0 && module->tick % interval == 0) {
            if (channel->retrigVolumeMemory != 0) {
                channel->volume = std::clamp(RetrigVolume(channel->volume, channel->retrigVolumeMemory), 0, MAX_VOLUME);
                channel->flags |= CHANNEL_VOLUME;
            }
            channel->flags |= CHANNEL_TRIGGER;
        }
        break;
    }
    case EFFECT_TREMOR: Tremor(channel); break;
    default: break;
    }
}
