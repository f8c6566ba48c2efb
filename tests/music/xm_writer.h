// A small XM writer for tests, fuzz seeds and the placeholder demo module. It writes
// the layout the loader reads: header, patterns (packed), instruments with their
// sample headers, and delta-encoded sample data. Fields a test wants to break are
// plain members; Write() returns the bytes, which a test may patch further.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace xm {

struct Cell {
    uint8_t note = 0;        // 1..96, 97 key off
    uint8_t instrument = 0;  // 1..128
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

struct PatternData {
    int rows = 64;
    std::vector<Cell> cells;   // rows x channels; empty = an empty pattern (packed size 0)
    bool raw = false;          // unpacked 5-byte cells instead of masks

    Cell& At(int row, int channel, int channels)
    {
        if (cells.empty())
            cells.resize(size_t(rows) * channels);
        return cells[size_t(row) * channels + channel];
    }
};

struct SampleData {
    std::vector<int16_t> values;   // the decoded values (8-bit samples use -128..127)
    bool sixteenBit = false;
    uint8_t loopType = 0;          // bit 0 forward, bit 1 ping-pong
    uint32_t loopStart = 0;        // values
    uint32_t loopLength = 0;       // values
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    int64_t lengthOverride = -1;   // bytes written in the header's length field
};

struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
    int countOverride = -1;
};

struct InstrumentData {
    std::vector<SampleData> samples;
    uint8_t keymap[96] = {};
    Envelope volume, panning;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
    int sampleCountOverride = -1;
};

struct ModuleData {
    int channels = 4;
    std::vector<uint8_t> orders{0};
    int songLengthOverride = -1;   // default: orders.size()
    int restart = 0;
    uint16_t flags = 1;            // linear frequencies
    int speed = 6;
    int bpm = 125;
    std::vector<PatternData> patterns;
    std::vector<InstrumentData> instruments;
    int patternCountOverride = -1;
    int instrumentCountOverride = -1;
};

inline void Put8(std::vector<uint8_t>& out, uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
inline void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    Put8(out, v);
    Put8(out, v >> 8);
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v);
    Put16(out, v >> 16);
}
inline void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; i++)
        Put8(out, i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}
inline void Poke16(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Poke32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    Poke16(out, at, v);
    Poke16(out, at + 2, v >> 16);
}

inline void WritePattern(std::vector<uint8_t>& out, const PatternData& pattern, int channels)
{
    std::vector<uint8_t> packed;
    for (const Cell& c : pattern.cells) {
        if (pattern.raw) {
            packed.insert(packed.end(), {c.note, c.instrument, c.volume, c.effect, c.parameter});
            continue;
        }
        uint8_t mask = 0x80;
        if (c.note) mask |= 0x01;
        if (c.instrument) mask |= 0x02;
        if (c.volume) mask |= 0x04;
        if (c.effect) mask |= 0x08;
        if (c.parameter) mask |= 0x10;
        packed.push_back(mask);
        if (c.note) packed.push_back(c.note);
        if (c.instrument) packed.push_back(c.instrument);
        if (c.volume) packed.push_back(c.volume);
        if (c.effect) packed.push_back(c.effect);
        if (c.parameter) packed.push_back(c.parameter);
    }
    (void)channels;
    Put32(out, 9);
    Put8(out, 0);
    Put16(out, static_cast<uint32_t>(pattern.rows));
    Put16(out, static_cast<uint32_t>(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
}

inline void WriteEnvelopePoints(std::vector<uint8_t>& out, const Envelope& envelope)
{
    for (size_t i = 0; i < 12; i++) {
        const bool has = i < envelope.points.size();
        Put16(out, has ? envelope.points[i].first : 0);
        Put16(out, has ? envelope.points[i].second : 0);
    }
}

inline std::vector<uint8_t> EncodeSample(const SampleData& s)
{
    std::vector<uint8_t> out;
    int32_t previous = 0;
    for (int16_t v : s.values) {
        const int32_t delta = v - previous;
        previous = v;
        if (s.sixteenBit)
            Put16(out, static_cast<uint16_t>(delta));
        else
            Put8(out, static_cast<uint8_t>(delta));
    }
    return out;
}

inline void WriteInstrument(std::vector<uint8_t>& out, const InstrumentData& instrument)
{
    const int count = instrument.sampleCountOverride >= 0 ? instrument.sampleCountOverride
                                                           : static_cast<int>(instrument.samples.size());
    const size_t start = out.size();
    Put32(out, instrument.samples.empty() ? 29 : 263);
    PutText(out, "instrument", 22);
    Put8(out, 0);
    Put16(out, static_cast<uint32_t>(count));
    if (instrument.samples.empty())
        return;
    Put32(out, 40);
    out.insert(out.end(), instrument.keymap, instrument.keymap + 96);
    WriteEnvelopePoints(out, instrument.volume);
    WriteEnvelopePoints(out, instrument.panning);
    const auto count8 = [](const Envelope& e) {
        return static_cast<uint32_t>(e.countOverride >= 0 ? e.countOverride : int(e.points.size()));
    };
    Put8(out, count8(instrument.volume));
    Put8(out, count8(instrument.panning));
    Put8(out, instrument.volume.sustain);
    Put8(out, instrument.volume.loopStart);
    Put8(out, instrument.volume.loopEnd);
    Put8(out, instrument.panning.sustain);
    Put8(out, instrument.panning.loopStart);
    Put8(out, instrument.panning.loopEnd);
    Put8(out, instrument.volume.type);
    Put8(out, instrument.panning.type);
    Put8(out, instrument.vibratoType);
    Put8(out, instrument.vibratoSweep);
    Put8(out, instrument.vibratoDepth);
    Put8(out, instrument.vibratoRate);
    Put16(out, instrument.fadeout);
    while (out.size() < start + 263)
        Put8(out, 0);
    std::vector<std::vector<uint8_t>> data;
    for (const SampleData& s : instrument.samples) {
        data.push_back(EncodeSample(s));
        const uint32_t scale = s.sixteenBit ? 2 : 1;
        Put32(out, s.lengthOverride >= 0 ? static_cast<uint32_t>(s.lengthOverride)
                                         : static_cast<uint32_t>(data.back().size()));
        Put32(out, s.loopStart * scale);
        Put32(out, s.loopLength * scale);
        Put8(out, s.volume);
        Put8(out, static_cast<uint8_t>(s.finetune));
        Put8(out, static_cast<uint32_t>(s.loopType | (s.sixteenBit ? 0x10 : 0)));
        Put8(out, s.panning);
        Put8(out, static_cast<uint8_t>(s.relativeNote));
        Put8(out, 0);
        PutText(out, "sample", 22);
    }
    for (const auto& d : data)
        out.insert(out.end(), d.begin(), d.end());
}

inline std::vector<uint8_t> Write(const ModuleData& module)
{
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, "test module", 20);
    Put8(out, 0x1A);
    PutText(out, "xm writer", 20);
    Put16(out, 0x0104);
    Put32(out, 276);
    const int songLength = module.songLengthOverride >= 0 ? module.songLengthOverride
                                                          : static_cast<int>(module.orders.size());
    Put16(out, static_cast<uint32_t>(songLength));
    Put16(out, static_cast<uint32_t>(module.restart));
    Put16(out, static_cast<uint32_t>(module.channels));
    Put16(out, static_cast<uint32_t>(module.patternCountOverride >= 0 ? module.patternCountOverride
                                                                      : int(module.patterns.size())));
    Put16(out, static_cast<uint32_t>(module.instrumentCountOverride >= 0 ? module.instrumentCountOverride
                                                                         : int(module.instruments.size())));
    Put16(out, module.flags);
    Put16(out, static_cast<uint32_t>(module.speed));
    Put16(out, static_cast<uint32_t>(module.bpm));
    for (size_t i = 0; i < 256; i++)
        Put8(out, i < module.orders.size() ? module.orders[i] : 0);
    for (const PatternData& p : module.patterns)
        WritePattern(out, p, module.channels);
    for (const InstrumentData& i : module.instruments)
        WriteInstrument(out, i);
    return out;
}

// An instrument with one sample that every note plays.
inline InstrumentData OneSampleInstrument(SampleData sample)
{
    InstrumentData instrument;
    instrument.samples.push_back(std::move(sample));
    return instrument;
}

}   // namespace xm
