// The voice mixer and the float-to-PCM conversion.
#include "music/mixer.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "music/module.h"

Voice Voices[VOICE_COUNT];
MixerState Mixer;

namespace {

constexpr float FRACTION_SCALE = 1.0f / 2147483648.0f;   // 2^-31
constexpr uint64_t BOUNDARY_LIMIT = uint64_t{1} << 56;

// One frame of one voice: linear interpolation between the values around the
// position, the fraction taken from its top 31 bits.
template <bool Ramp>
void MixFrame(const int16_t* data, uint64_t position, float* out, float& left, float& right,
              float stepL, float stepR)
{
    const uint32_t i = static_cast<uint32_t>(position >> 32);
    const float f = static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(position) >> 1)) * FRACTION_SCALE;
    const float a = data[i];
    const float s = a + (static_cast<float>(data[i + 1]) - a) * f;
    out[0] += s * left;
    out[1] += s * right;
    if constexpr (Ramp) {
        left += stepL;
        right += stepR;
    }
}

#if defined(__SSE2__)
// The values at a position and one after it, as the low and high half of a word.
__m128i LoadPair(const int16_t* data, uint64_t position)
{
    int32_t pair;
    std::memcpy(&pair, data + static_cast<uint32_t>(position >> 32), sizeof pair);
    return _mm_cvtsi32_si128(pair);
}
#endif

// Adds todo frames of one voice at gains gL, gR (changing by stepL, stepR per frame
// when ramping) and returns the position reached. The gains are updated in place.
//
// Four frames at a time where SSE2 is there: the same single-precision operations in
// the same order as one frame at a time, so the sums come out the same to the bit.
template <bool Ramp>
uint64_t MixFrames(const int16_t* data, uint64_t position, int64_t step, float* out, int32_t todo,
                   float& gL, float& gR, float stepL, float stepR)
{
    float left = gL, right = gR;
    int32_t k = 0;
#if defined(__SSE2__)
    const uint64_t s = static_cast<uint64_t>(step);
    const uint32_t low = static_cast<uint32_t>(position), lowStep = static_cast<uint32_t>(s);
    // The fractions' 32 low bits of four frames, advanced four steps at a time.
    __m128i fractions = _mm_setr_epi32(static_cast<int32_t>(low), static_cast<int32_t>(low + lowStep),
                                       static_cast<int32_t>(low + 2 * lowStep),
                                       static_cast<int32_t>(low + 3 * lowStep));
    const __m128i fractionStep = _mm_set1_epi32(static_cast<int32_t>(4 * lowStep));
    const __m128 scale = _mm_set1_ps(FRACTION_SCALE);
    __m128 gainsL = _mm_set1_ps(left), gainsR = _mm_set1_ps(right);
    for (; k + 4 <= todo; k += 4) {
        // Each frame's two values as one 32-bit word, the first in the low half, built
        // in registers (through memory, the four stores would stall the load).
        const __m128i w0 = LoadPair(data, position);
        const __m128i w1 = LoadPair(data, position + s);
        const __m128i w2 = LoadPair(data, position + 2 * s);
        const __m128i w3 = LoadPair(data, position + 3 * s);
        position += 4 * s;
        const __m128i words = _mm_unpacklo_epi64(_mm_unpacklo_epi32(w0, w1), _mm_unpacklo_epi32(w2, w3));
        const __m128 a = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_slli_epi32(words, 16), 16));
        const __m128 b = _mm_cvtepi32_ps(_mm_srai_epi32(words, 16));
        const __m128 f = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(fractions, 1)), scale);
        fractions = _mm_add_epi32(fractions, fractionStep);
        const __m128 value = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), f));
        if constexpr (Ramp) {
            const float l0 = left, l1 = l0 + stepL, l2 = l1 + stepL, l3 = l2 + stepL;
            const float r0 = right, r1 = r0 + stepR, r2 = r1 + stepR, r3 = r2 + stepR;
            gainsL = _mm_setr_ps(l0, l1, l2, l3);
            gainsR = _mm_setr_ps(r0, r1, r2, r3);
            left = l3 + stepL;
            right = r3 + stepR;
        }
        const __m128 l = _mm_mul_ps(value, gainsL);
        const __m128 r = _mm_mul_ps(value, gainsR);
        float* o = out + 2 * k;
        _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_unpacklo_ps(l, r)));
        _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_unpackhi_ps(l, r)));
    }
#endif
    for (; k < todo; k++) {
        MixFrame<Ramp>(data, position, out + 2 * k, left, right, stepL, stepR);
        position += static_cast<uint64_t>(step);
    }
    gL = left;
    gR = right;
    return position;
}

// Ping-pong turn: reflects a position that has left the loop back into it, as
// 2E - p - 1 at the end E and 2S - p - 1 at the start S (in 32.32 units), as many times
// as a step longer than the loop needs, and sets the direction of travel.
uint64_t ReflectIntoLoop(Voice& voice, const Sample& sample, uint64_t position, bool forward)
{
    const uint64_t start = uint64_t{sample.loopStart} << 32;
    const uint64_t end = (uint64_t{sample.loopStart} + sample.loopLength) << 32;
    if (!forward && position == start) {
        // Exactly on the start on the way back: 2S - p - 1 turns it forwards, just
        // before the start, or at the start itself where nothing lies before it.
        voice.direction = 1;
        return start > 0 ? start - 1 : start;
    }
    if (sample.loopLength >= (1u << 30)) {
        // A loop this long is longer than any step: one turn is enough.
        if (forward) {
            voice.direction = 2;
            return 2 * end - position - 1;
        }
        voice.direction = 1;
        return 2 * start - position - 1;
    }
    // Unfolded, the turns repeat every two loop lengths: fold the distance from the
    // start into that period. The first half runs in the direction of travel, the
    // second half is the mirror image, travelled the other way.
    const int64_t period = int64_t{sample.loopLength} << 33;
    int64_t offset = static_cast<int64_t>(position - start) % period;
    if (offset < 0)
        offset += period;
    const bool mirrored = offset >= period / 2;
    if (mirrored)
        offset = period - 1 - offset;
    voice.direction = (forward != mirrored) ? 1 : 2;
    if (voice.direction == 2 && offset == 0) {
        // Folded onto the start on the way back: that is the turn at the start too
        // (otherwise the next boundary would be 0 frames away, for ever).
        voice.direction = 1;
        return start > 0 ? start - 1 : start;
    }
    return start + static_cast<uint64_t>(offset);
}

void MixVoice(Voice& voice, float* out, int32_t frames)
{
    const Sample* sample = voice.sample;
    const uint64_t loopStart = uint64_t{sample->loopStart} << 32;
    const uint64_t end = (uint64_t{sample->loopStart} + sample->loopLength) << 32;
    const uint64_t step = voice.step ? voice.step : 1;
    uint64_t position = voice.position;
    int32_t remaining = frames;

    while (remaining > 0) {
        int32_t todo = remaining;
        bool hit = false;
        const bool forward = voice.direction != 2;
        const int64_t distance = forward ? static_cast<int64_t>(end - position)
                                         : static_cast<int64_t>(position - loopStart);
        if (distance < 0) {
            // Already past the boundary (a restart behind a loop that runs backward):
            // turn or wrap before mixing anything.
            todo = 0;
            hit = true;
        } else if (static_cast<uint64_t>(distance) < BOUNDARY_LIMIT) {
            // Frames until the position reaches the boundary, exactly. The quotient of
            // both values shifted right by 8 can come out a frame short, which leaves a
            // forward loop less than 2^-24 before its end with 0 frames to go for ever,
            // or a frame long, which reads past the guard values at a sample's end.
            const uint64_t n = (static_cast<uint64_t>(distance) + step - 1) / step;
            if (n <= static_cast<uint64_t>(todo)) {
                todo = static_cast<int32_t>(n);
                hit = true;
            }
        }

        // Ramp set-up: continue the running ramp while its targets hold, otherwise
        // ramp from the gain reached to the new targets over one ramp length.
        int32_t rampFrames = 0;
        float stepL = 0.0f, stepR = 0.0f;
        if (voice.rampFramesLeft > 0 && voice.targetLeft == voice.rampTargetLeft &&
            voice.targetRight == voice.rampTargetRight) {
            rampFrames = voice.rampFramesLeft;
            stepL = voice.rampStepLeft;
            stepR = voice.rampStepRight;
        } else {
            voice.rampTargetLeft = voice.targetLeft;
            voice.rampTargetRight = voice.targetRight;
            const int32_t dL = voice.targetLeft - (voice.currentLeft >> 8);
            const int32_t dR = voice.targetRight - (voice.currentRight >> 8);
            if (dL != 0) {
                stepL = static_cast<float>(dL) * (1.0f / 255.0f) * Mixer.rampReciprocal;
                rampFrames = Mixer.rampLength;
            }
            if (dR != 0) {
                stepR = static_cast<float>(dR) * (1.0f / 255.0f) * Mixer.rampReciprocal;
                rampFrames = Mixer.rampLength;
            }
            // A side that does not change keeps still, and a ramp that is not
            // needed leaves nothing behind to be taken up later.
            voice.rampStepLeft = stepL;
            voice.rampStepRight = stepR;
            voice.rampFramesLeft = 0;
        }
        bool rampShortened = false;
        if (rampFrames > 0) {
            voice.rampFramesLeft = rampFrames;
            if (todo > rampFrames) {
                todo = rampFrames;
                rampShortened = true;
            }
        }

        float gL, gR;
        if (rampFrames > 0) {
            gL = static_cast<float>(voice.currentLeft) / 256.0f / 255.0f;
            gR = static_cast<float>(voice.currentRight) / 256.0f / 255.0f;
        } else {
            gL = static_cast<float>(voice.targetLeft) / 255.0f;
            gR = static_cast<float>(voice.targetRight) / 255.0f;
        }

        const int64_t signedStep = forward ? static_cast<int64_t>(step) : -static_cast<int64_t>(step);
        if (rampFrames > 0) {
            position = MixFrames<true>(sample->data, position, signedStep, out, todo, gL, gR, stepL, stepR);
        } else if (gL != 0.0f || gR != 0.0f) {
            position = MixFrames<false>(sample->data, position, signedStep, out, todo, gL, gR, 0.0f, 0.0f);
        } else {
            // Silent: only the position moves, exactly as the mixing loop would move it.
            position += static_cast<uint64_t>(signedStep) * static_cast<uint64_t>(todo);
        }

        if (rampFrames > 0) {
            voice.currentLeft = static_cast<int32_t>(std::lrint(gL * 255.0f * 256.0f));
            voice.currentRight = static_cast<int32_t>(std::lrint(gR * 255.0f * 256.0f));
            voice.rampFramesLeft -= todo;
            if (voice.rampFramesLeft == 0) {
                voice.rampStepLeft = 0.0f;
                voice.rampStepRight = 0.0f;
                voice.currentLeft = voice.targetLeft * 256;
                voice.currentRight = voice.targetRight * 256;
                if (rampShortened) {
                    out += 2 * todo;
                    remaining -= todo;
                    continue;
                }
            }
        }

        if (!hit) {
            voice.position = position;
            return;
        }
        if (sample->loopKind == LOOP_FORWARD) {
            const uint64_t length = uint64_t{sample->loopLength};
            uint64_t whole = position >> 32;
            const uint64_t last = end >> 32;
            if (whole >= last)
                whole = (sample->loopStart) + (whole - sample->loopStart) % length;
            position = (whole << 32) | (position & 0xFFFFFFFFu);
        } else if (sample->loopKind == LOOP_PINGPONG) {
            position = ReflectIntoLoop(voice, *sample, position, forward);
        } else {
            voice.sample = nullptr;
            voice.position = 0;
            return;
        }
        out += 2 * todo;
        remaining -= todo;
    }
    voice.position = position;
}

}   // namespace

void ResetMixer(int32_t rate)
{
    Mixer.rate = rate;
    Mixer.rampLength = rate * 128 / 44100;
    if (Mixer.rampLength < 1)
        Mixer.rampLength = 1;
    Mixer.rampReciprocal = 1.0f / static_cast<float>(Mixer.rampLength);
    for (int i = 0; i < VOICE_COUNT; i++) {
        Voices[i] = Voice{};
        Voices[i].index = i;
        Voices[i].step = FIXED_ONE;
    }
}

void MixVoices(float* out, int32_t frames)
{
    if (frames <= 0)
        return;
    for (int v = 0; v < MIXED_VOICES; v++) {
        if (Voices[v].sample)
            MixVoice(Voices[v], out, frames);
    }
}

void ConvertBlock(int16_t* destination, const float* source, int32_t frames)
{
    if (frames <= 0 || !destination || !source)
        return;
    const int32_t count = 2 * frames;
    int32_t i = 0;
#if defined(__SSE2__)
    // Eight values at a time: clamp, convert with the default rounding (to nearest,
    // ties to even), pack to 16 bits.
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
#endif
    for (; i < count; i++) {
        float value = source[i];
        value = value < -32768.0f ? -32768.0f : value;
        value = value > 32767.0f ? 32767.0f : value;
        destination[i] = static_cast<int16_t>(std::lrint(value));
    }
}
