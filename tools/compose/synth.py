"""Sample synthesis for the demo's module.

Every sample is built from arithmetic on a fixed pseudo-random sequence, so the
bytes come out the same on every run. Each builder returns a Sample record whose
waveform is in -1..1; `Quantise` turns it into signed 8-bit values.

Pitch convention: a single cycle of 32 values at relative note 0 sounds the
written note (C-4 plays at 8,363 Hz, so 32 values per cycle give middle C).
A cycle of 32 * 2^k values therefore takes relative note 12 * k. One-shot drums
are designed for the playback rate of the note they are triggered with.
"""

import math
from dataclasses import dataclass, field

# Amiga period clock of the player: frequency = PERIOD_CLOCK / period.
PERIOD_CLOCK = 14317056

LOOP_NONE = 0
LOOP_FORWARD = 1
LOOP_PINGPONG = 2


@dataclass
class Sample:
    name: str
    wave: list            # floats in -1..1
    loopKind: int = LOOP_NONE
    loopStart: int = 0    # in values
    loopLength: int = 0   # in values
    relativeNote: int = 0
    finetune: int = 0
    data: list = field(default_factory=list)  # signed 8-bit values, filled by Quantise


def AmigaPeriod(realNote):
    """Period of a 0-based note with finetune 0, as the player computes it."""
    return int(13.375 * 2.0 ** ((132 - realNote) / 12.0))


def PlaybackRate(patternNote, relativeNote=0):
    """Values per second for a pattern note (1 = C-0) on the Amiga table."""
    return PERIOD_CLOCK / AmigaPeriod(patternNote - 1 + relativeNote)


class Noise:
    """xorshift32: deterministic white noise in -1..1."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def Next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def Normalise(wave, peak=0.99):
    top = max(abs(v) for v in wave)
    return [v * peak / top for v in wave] if top > 0 else wave


def Quantise(sample):
    """Rounds to signed 8-bit. Values are snapped to 1e-9 first so that the last
    bits of the maths library cannot move a value across a rounding edge."""
    out = []
    for v in sample.wave:
        v = round(v * 127.0, 9)
        q = int(math.floor(v + 0.5))
        out.append(max(-127, min(127, q)))
    sample.data = out
    return sample


# --- drums -------------------------------------------------------------------

def BuildKick(rate, seconds=0.24):
    """Sine body falling from about 160 Hz to 44 Hz, a short noise click, soft
    saturation for weight. One-shot."""
    noise = Noise(0x4B1C)
    count = int(rate * seconds)
    wave = []
    phase = 0.0
    for i in range(count):
        t = i / rate
        freq = 44.0 + 118.0 * math.exp(-t / 0.028)
        phase += 2.0 * math.pi * freq / rate
        body = math.sin(phase) * math.exp(-t / 0.11)
        click = noise.Next() * math.exp(-t / 0.0025) * 0.5
        v = math.tanh(1.8 * (body + click))
        tail = min(1.0, (count - i) / (0.03 * rate))  # ends in silence
        wave.append(v * tail)
    return Sample("kick", Normalise(wave))


def BuildSnare(rate, seconds=0.17):
    """Two damped tones for the shell and high-passed noise for the wires."""
    noise = Noise(0x5A4E)
    count = int(rate * seconds)
    wave = []
    last = 0.0
    for i in range(count):
        t = i / rate
        tone = (math.sin(2 * math.pi * 187.0 * t) * 0.7 + math.sin(2 * math.pi * 331.0 * t) * 0.4)
        tone *= math.exp(-t / 0.035)
        n = noise.Next()
        bright = n - 0.6 * last  # first-order high-pass tilt
        last = n
        wires = bright * (0.85 * math.exp(-t / 0.05) + 0.15 * math.exp(-t / 0.012))
        tail = min(1.0, (count - i) / (0.02 * rate))
        wave.append(math.tanh(1.4 * (tone + wires)) * tail)
    return Sample("snare", Normalise(wave))


def BuildHat(rate, seconds=0.15):
    """Six detuned square partials (metallic) mixed with high-passed noise. Long
    enough to ring open; a note cut a few ticks in closes it."""
    noise = Noise(0x4A7E)
    partials = [2123.0, 2937.0, 3461.0, 4117.0, 5273.0, 6289.0]
    count = int(rate * seconds)
    wave = []
    last = 0.0
    for i in range(count):
        t = i / rate
        metal = sum(1.0 if math.sin(2 * math.pi * f * t) >= 0 else -1.0 for f in partials) / 6.0
        n = noise.Next()
        hiss = n - last
        last = n
        env = 0.75 * math.exp(-t / 0.018) + 0.25 * math.exp(-t / 0.06)
        tail = min(1.0, (count - i) / (0.015 * rate))
        wave.append((0.45 * metal + 0.55 * hiss) * env * tail)
    return Sample("hat", Normalise(wave))


# --- tonal -------------------------------------------------------------------

def Partials(harmonics, rolloff, seed):
    """Saw-like amplitudes 1/h with a soft low-pass, and fixed random phases."""
    noise = Noise(seed)
    out = []
    for h in range(1, harmonics + 1):
        amp = 1.0 / h / (1.0 + (h / rolloff) ** 2)
        out.append((h, amp, math.pi * noise.Next()))
    return out


def BuildBass():
    """Saw bass with a resonant bump. Four cycles open bright and close towards
    the looped fifth cycle, 128 values each (relative note +24)."""
    period = 128
    cycles = 5
    loopStart = period * (cycles - 1)
    base = Partials(40, 7.0, 0xBA55)
    wave = []
    for i in range(period * cycles):
        # brightness 1 at the start falling to 0 at the loop start, then held
        b = max(0.0, 1.0 - i / loopStart)
        x = 2 * math.pi * (i % period) / period
        v = 0.0
        for h, amp, ph in base:
            lift = 1.0 + b * 1.6 * (h / 8.0) + 0.7 * math.exp(-((h - 6) ** 2) / 4.0)
            v += amp * lift * math.sin(h * x + ph)
        v += 0.55 * math.sin(x)  # sub weight
        wave.append(v)
    # drive into a soft clip: denser, louder, and the grit of an overdriven synth
    wave = [math.tanh(2.4 * v) for v in Normalise(wave)]
    return Sample("bass", Normalise(wave), LOOP_FORWARD, loopStart, period, relativeNote=24)


def BuildChord(name, tones, period, relativeNote, seed):
    """A chord whose partials all fit a whole number of times into the loop, so
    the loop is seamless. `tones` are the cycles of each chord tone per loop, the
    root first; the root repeats every `period` values. Tone counts are chosen
    close to equal temperament: 16:19:24 is a minor triad within 3 cents, and
    46:58:69 a major triad within 2 cents."""
    rootCycles = tones[0]
    length = period * rootCycles
    voices = []
    noise = Noise(seed)
    for cycles in tones:
        for h in range(1, 24):
            if cycles * h >= length // 3:
                break
            amp = 1.0 / h / (1.0 + (h / 4.0) ** 2)
            voices.append((cycles * h, amp, math.pi * noise.Next()))
    wave = []
    for i in range(length):
        x = 2 * math.pi * i / length
        wave.append(sum(a * math.sin(c * x + p) for c, a, p in voices))
    return Sample(name, Normalise(wave), LOOP_FORWARD, 0, length, relativeNote=relativeNote)


def BuildPluck():
    """Bright pulse that mellows over eight cycles of 32 values, then loops the
    last cycle (relative note 0). The instrument envelope makes the pluck."""
    period = 32
    cycles = 9
    loopStart = period * (cycles - 1)
    wave = []
    for i in range(period * cycles):
        b = max(0.0, 1.0 - i / loopStart)
        x = 2 * math.pi * (i % period) / period
        v = 0.0
        for h in range(1, 16):
            pulse = math.sin(h * math.pi * 0.3) * 2.0 / (h * math.pi)  # 30 % pulse
            amp = pulse / (1.0 + (h / (3.0 + 9.0 * b)) ** 2)
            v += amp * math.cos(h * x)
        wave.append(v)
    return Sample("pluck", Normalise(wave), LOOP_FORWARD, loopStart, period)


def BuildLead(half=4096):
    """Three saws, one in tune and two 13.5 cents either side, played as a
    ping-pong loop over `half` values.

    All partials are cosines with a whole number of half cycles in `half`, so the
    waveform is mirror-symmetric about both loop ends and the ping-pong loop is
    the same as a forward loop of twice the length. The centre saw repeats every
    32 values (relative note 0); the others run 258/256 and 254/256 as fast."""
    base = half // 16  # half cycles of the centre saw in `half` values
    signs = [1 if ((h * (h - 1)) // 2) % 2 == 0 else -1 for h in range(1, 16)]
    comps = []
    for cyc, level in ((base, 1.0), (base + 2, 0.7), (base - 2, 0.7)):
        for h in range(1, 16):
            amp = signs[h - 1] / h / (1.0 + (h / 9.0) ** 2)
            comps.append((cyc * h, amp * level))
    wave = []
    for i in range(half):
        t = (i + 0.5) / half  # half-value offset: mirrors sit at -0.5 and half - 0.5
        wave.append(sum(a * math.cos(math.pi * c * t) for c, a in comps))
    return Sample("lead", Normalise(wave), LOOP_PINGPONG, 0, half)


def BuildSamples():
    """All samples of the module by name, quantised."""
    kickRate = PlaybackRate(49)    # triggered on C-4
    snareRate = PlaybackRate(61)   # triggered on C-5
    hatRate = PlaybackRate(67)     # triggered on F#5
    samples = [
        BuildKick(kickRate),
        BuildSnare(snareRate),
        BuildHat(hatRate),
        BuildBass(),
        BuildChord("minor", [16, 19, 24, 32], 64, 12, 0x3A11),   # root, third, fifth, octave
        BuildChord("major", [46, 58, 69, 92], 32, 0, 0x3A22),
        BuildPluck(),
        BuildLead(),
    ]
    return {s.name: Quantise(s) for s in samples}
