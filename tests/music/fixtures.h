// Modules built with the test XM writer: synthesised instruments, a short song that
// uses all of them, and a set of small modules that touch every effect (fuzz seeds).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/music/xm_writer.h"

namespace fixtures {

constexpr double PI = 3.14159265358979323846;

// One period of a waveform, 8-bit values, looped: played at C-4 it sounds at
// 8363 / period Hz.
inline xm::SampleData Waveform(int period, double (*shape)(double), int amplitude = 100)
{
    xm::SampleData s;
    for (int i = 0; i < period; i++)
        s.values.push_back(static_cast<int16_t>(std::lround(shape(double(i) / period) * amplitude)));
    s.loopType = 1;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(period);
    return s;
}

inline double Saw(double t) { return 2 * t - 1; }
inline double Sine(double t) { return std::sin(2 * PI * t); }
inline double Triangle(double t) { return t < 0.5 ? 4 * t - 1 : 3 - 4 * t; }
inline double Square(double t) { return t < 0.5 ? 0.7 : -0.7; }

// A 16-bit kick: a falling sine with an exponential decay, no loop.
inline xm::SampleData Kick()
{
    xm::SampleData s;
    s.sixteenBit = true;
    double phase = 0;
    for (int i = 0; i < 3000; i++) {
        const double t = i / 8363.0;
        const double frequency = 45 + 110 * std::exp(-t * 30);
        phase += 2 * PI * frequency / 8363.0;
        s.values.push_back(static_cast<int16_t>(std::lround(std::sin(phase) * 30000 * std::exp(-t * 9))));
    }
    return s;
}

// 8-bit noise with a quick decay, no loop; deterministic.
inline xm::SampleData Hat()
{
    xm::SampleData s;
    uint32_t seed = 12345;
    for (int i = 0; i < 1200; i++) {
        seed = seed * 1103515245u + 12345u;
        const double noise = static_cast<int>((seed >> 16) & 0xFF) - 128;
        s.values.push_back(static_cast<int16_t>(std::lround(noise * std::exp(-i / 180.0) * 0.8)));
    }
    return s;
}

// A soft 16-bit ping-pong pad.
inline xm::SampleData Pad()
{
    xm::SampleData s;
    s.sixteenBit = true;
    for (int i = 0; i < 256; i++) {
        const double t = i / 256.0;
        s.values.push_back(static_cast<int16_t>(std::lround(
            (std::sin(2 * PI * 4 * t) * 0.6 + std::sin(2 * PI * 8 * t) * 0.25) * 14000)));
    }
    s.loopType = 2;
    s.loopStart = 0;
    s.loopLength = 256;
    return s;
}

// The note numbers of the XM format: C-0 is 1.
constexpr uint8_t Note(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }

inline xm::ModuleData DemoModule()
{
    xm::ModuleData m;
    m.channels = 4;
    m.speed = 6;
    m.bpm = 125;
    m.flags = 1;

    xm::InstrumentData bass = xm::OneSampleInstrument(Waveform(64, Saw, 90));
    bass.samples[0].volume = 48;
    bass.samples[0].relativeNote = 12;
    bass.volume.points = {{0, 64}, {8, 40}, {40, 28}, {80, 0}};
    bass.volume.type = 1;
    xm::InstrumentData lead = xm::OneSampleInstrument(Waveform(32, Triangle, 110));
    lead.samples[0].volume = 40;
    lead.samples[0].relativeNote = 12;
    lead.volume.points = {{0, 0}, {3, 64}, {12, 44}, {200, 30}};
    lead.volume.type = 3;
    lead.volume.sustain = 2;
    lead.fadeout = 600;
    lead.vibratoType = 0;
    lead.vibratoSweep = 20;
    lead.vibratoDepth = 3;
    lead.vibratoRate = 12;
    xm::InstrumentData kick = xm::OneSampleInstrument(Kick());
    xm::InstrumentData hat = xm::OneSampleInstrument(Hat());
    hat.samples[0].volume = 28;
    hat.samples[0].relativeNote = 24;
    xm::InstrumentData pad = xm::OneSampleInstrument(Pad());
    pad.samples[0].volume = 30;
    pad.samples[0].relativeNote = -12;
    pad.volume.points = {{0, 0}, {30, 64}, {60, 48}};
    pad.volume.type = 3;
    pad.volume.sustain = 2;
    pad.fadeout = 300;
    m.instruments = {bass, lead, kick, hat, pad};

    // A minor, F, C, G: one chord per 16 rows.
    const int roots[4] = {Note(2, 9), Note(2, 5), Note(3, 0), Note(2, 7)};
    const int melody[2][16] = {{0, 3, 7, 12, 10, 7, 3, 5, 7, 0, 2, 3, 7, 5, 2, -2},
                               {12, 10, 7, 5, 7, 3, 2, 0, 3, 5, 7, 10, 12, 14, 12, 7}};
    for (int p = 0; p < 3; p++) {
        xm::PatternData pattern;
        pattern.rows = 64;
        for (int row = 0; row < 64; row++) {
            const int chord = row / 16;
            if (row % 4 == 0) {
                xm::Cell& b = pattern.At(row, 0, 4);
                b.note = static_cast<uint8_t>(roots[chord] - 12 + (row % 8 == 4 ? 12 : 0));
                b.instrument = 1;
            }
            xm::Cell& drum = pattern.At(row, 1, 4);
            if (row % 8 == 0) {
                drum.note = Note(4, 0);
                drum.instrument = 3;
            } else if (row % 4 == 2 && p > 0) {
                drum.note = Note(4, 0);
                drum.instrument = 4;
                drum.volume = static_cast<uint8_t>(0x10 + (row % 8 == 6 ? 40 : 24));
            }
            xm::Cell& voice = pattern.At(row, 2, 4);
            if (p == 0) {
                if (row % 16 == 0) {
                    voice.note = static_cast<uint8_t>(roots[chord] + 12);
                    voice.instrument = 5;
                    voice.effect = 0x0;   // arpeggio: minor or major triad
                    voice.parameter = chord == 0 ? 0x37 : 0x47;
                } else {
                    voice.effect = 0x0;
                    voice.parameter = chord == 0 ? 0x37 : 0x47;
                }
            } else if (row % 2 == 0) {
                const int step = melody[p - 1][(row / 4) % 16];
                if (row % 4 == 0) {
                    voice.note = static_cast<uint8_t>(Note(4, 9) + step);
                    voice.instrument = 2;
                    voice.effect = 0x4;
                    voice.parameter = 0x52;
                } else {
                    voice.effect = 0xA;
                    voice.parameter = 0x02;
                }
            }
            xm::Cell& echo = pattern.At(row, 3, 4);
            if (p > 0 && row % 4 == 2) {
                const int step = melody[p - 1][(row / 4) % 16];
                echo.note = static_cast<uint8_t>(Note(4, 9) + step);
                echo.instrument = 2;
                echo.volume = 0x10 + 22;
                echo.effect = 0x8;
                echo.parameter = row % 8 == 2 ? 0x30 : 0xD0;
            }
        }
        pattern.At(0, 3, 4).effect = 0xF;
        pattern.At(0, 3, 4).parameter = 6;
        m.patterns.push_back(pattern);
    }
    m.orders = {0, 1, 0, 2};
    return m;
}

// A song that takes about 44 hours to come back to a row: 256 orders of one 256-row
// pattern at the slowest tempo, one looping note held from the first row. For long
// renders and for playing until a signal comes.
inline xm::ModuleData LongModule()
{
    xm::ModuleData m;
    m.channels = 1;
    m.speed = 31;
    m.bpm = 32;
    m.instruments = {xm::OneSampleInstrument(Waveform(64, Sine))};
    xm::PatternData pattern;
    pattern.rows = 256;
    pattern.cells.resize(256);
    pattern.At(0, 0, 1) = {Note(4, 9), 1, 0, 0, 0};
    m.patterns = {pattern};
    m.orders.assign(256, 0);
    return m;
}

// Small modules that between them use every effect and volume-column command, both
// frequency tables, envelopes with sustain and loops, and every loop kind.
inline std::vector<xm::ModuleData> SeedModules()
{
    std::vector<xm::ModuleData> seeds;
    xm::ModuleData base;
    base.channels = 2;
    base.speed = 3;
    base.bpm = 200;
    xm::InstrumentData a = xm::OneSampleInstrument(Waveform(32, Sine));
    a.volume.points = {{0, 64}, {4, 20}, {8, 50}, {16, 0}};
    a.volume.type = 7;
    a.volume.sustain = 1;
    a.volume.loopStart = 1;
    a.volume.loopEnd = 2;
    a.panning.points = {{0, 0}, {10, 64}};
    a.panning.type = 1;
    a.fadeout = 2000;
    a.vibratoDepth = 8;
    a.vibratoRate = 40;
    a.vibratoType = 1;
    xm::InstrumentData b = xm::OneSampleInstrument(Pad());
    xm::InstrumentData c = xm::OneSampleInstrument(Hat());
    base.instruments = {a, b, c};
    const uint8_t effects[] = {0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB, 0xC,
                               0xD, 0xE, 0xF, 16, 17, 20, 21, 25, 27, 29, 33};
    int seed = 0;
    for (uint16_t flags : {uint16_t{0}, uint16_t{1}}) {
        xm::ModuleData m = base;
        m.flags = flags;
        xm::PatternData pattern;
        pattern.rows = 32;
        int row = 0;
        for (uint8_t effect : effects) {
            xm::Cell& first = pattern.At(row, 0, 2);
            first.note = static_cast<uint8_t>(40 + row % 20);
            first.instrument = static_cast<uint8_t>(1 + row % 3);
            first.effect = effect;
            first.parameter = static_cast<uint8_t>(effect == 0xE ? 0x90 + row % 16 : 0x23 + row);
            if (effect == 0xB || effect == 0xD)
                first.parameter = 0;
            xm::Cell& second = pattern.At(row, 1, 2);
            second.volume = static_cast<uint8_t>(0x10 + (row * 13) % 0xF0);
            second.note = row % 5 == 0 ? 97 : 0;
            row++;
        }
        m.patterns.push_back(pattern);
        m.orders = {0, 0};
        seeds.push_back(m);
        seed++;
    }
    xm::ModuleData extended = base;
    xm::PatternData pattern;
    pattern.rows = 16;
    for (int y = 0; y < 16; y++) {
        xm::Cell& cell = pattern.At(y, 0, 2);
        cell.note = static_cast<uint8_t>(49 + y);
        cell.instrument = 1;
        cell.effect = 0xE;
        cell.parameter = static_cast<uint8_t>(y << 4 | 2);
    }
    extended.patterns.push_back(pattern);
    seeds.push_back(extended);
    seeds.push_back(DemoModule());
    return seeds;
}

}   // namespace fixtures
