// The demo's envelopes: (time, value) keys, time in units of 4 centiseconds, value
// in 1/256. Each repeats with the period of its last key's time; a last key at 0
// means no repetition.
#include "content/content.h"

#include <cstddef>

namespace {

template <std::size_t N>
constexpr Envelope MakeEnvelope(const EnvelopeKey (&keys)[N])
{
    static_assert(N >= 1 && N <= 32767);
    return { static_cast<int16_t>(N), keys };
}

// Rises from 0 to 2.0 over 64 units, slowly at first.
constexpr EnvelopeKey TransitionKeys[] = { {0, 0}, {32, 128}, {64, 512} };

constexpr EnvelopeKey GlowKeys[] = { {0, 0}, {20, 256} };

constexpr EnvelopeKey PictureKeys[] = {
    {  0,   0 }, {225,   0 }, {237, 128 }, {243, 128 }, {250,   0 }, {306,   0 },
    {312, 180 }, {325,   0 }, {331,   0 }, {337, 180 }, {343,   0 }, {350,   0 },
    {356, 180 }, {362,   0 }, {368,   0 }, {375, 208 }, {381,  80 }, {387,   0 },
    {393,   0 }, {453, 140 }, {481, 140 }, {493,   0 },
};

constexpr EnvelopeKey ShatterKeys[] = { {-275, 255}, {0, 0} };

constexpr EnvelopeKey FlashLayerKeys[] = {
    {-16, 0}, {-8, 192}, {-4, 64}, {0, 272}, {4, 96}, {8, 128}, {16, 0}, {32, 0},
};

constexpr EnvelopeKey FlashLayerBKeys[] = { {-16, 0}, {-8, 192}, {-4, 64}, {0, 272}, {128, 272} };

constexpr EnvelopeKey WarpFadeKeys[] = {
    {0, 0}, {27, 128}, {32, 48}, {40, 128}, {64, 250}, {550, 250}, {589, 0}, {750, 0},
};

constexpr EnvelopeKey WarpFlashKeys[] = { {-275, 0}, {-263, 255}, {-50, 0}, {0, 0} };

constexpr EnvelopeKey SpiralArmKeys[] = {
    {0, -4608}, {45, -4608}, {150, -1536}, {500, -1536}, {550, -5120},
};

constexpr EnvelopeKey RopeKeys[] = {
    {0, 12800}, {50, 5120}, {56, -8960}, {62, 0}, {75, 2560}, {112, 0}, {118, -3840}, {125, 12800},
};

} // namespace

const Envelope TransitionEnvelope = MakeEnvelope(TransitionKeys);
const Envelope GlowEnvelope = MakeEnvelope(GlowKeys);
const Envelope PictureEnvelope = MakeEnvelope(PictureKeys);
const Envelope ShatterEnvelope = MakeEnvelope(ShatterKeys);
const Envelope FlashLayerEnvelope = MakeEnvelope(FlashLayerKeys);
const Envelope FlashLayerBEnvelope = MakeEnvelope(FlashLayerBKeys);
const Envelope WarpFadeEnvelope = MakeEnvelope(WarpFadeKeys);
const Envelope WarpFlashEnvelope = MakeEnvelope(WarpFlashKeys);
const Envelope SpiralArmEnvelope = MakeEnvelope(SpiralArmKeys);
const Envelope RopeEnvelope = MakeEnvelope(RopeKeys);
