// The memory file, and the XM loader: fields, sample decoding, loop kinds, and the
// files it must reject or mend so that playback stays inside its tables.
#include "tests/music/music_test_util.h"

using namespace musictest;

namespace {

const uint8_t Bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST(MemoryFile, ReadsStopAtTheEnd)
{
    SetMemoryFileSource(Bytes, 10);
    FileHandle file = MemoryFileOpen("ignored");
    uint8_t buffer[16] = {};
    MemoryFileSeek(file, 6, 0);
    EXPECT_EQ(MemoryFileRead(buffer, 4, file), 4);   // ends exactly on the length
    EXPECT_EQ(buffer[0], 6);
    EXPECT_EQ(buffer[3], 9);
    EXPECT_EQ(MemoryFileRead(buffer, 4, file), 0);   // starts at the length
    MemoryFileSeek(file, 8, 0);
    EXPECT_EQ(MemoryFileRead(buffer, 16, file), 2);
    EXPECT_EQ(MemoryFileTell(file), 10);
}

TEST(MemoryFile, SeeksStayInsideTheData)
{
    SetMemoryFileSource(Bytes, 10);
    FileHandle file = MemoryFileOpen(nullptr);
    MemoryFileSeek(file, 0, 2);
    EXPECT_EQ(MemoryFileTell(file), 10);
    MemoryFileSeek(file, 50, 0);
    EXPECT_EQ(MemoryFileTell(file), 10);
    MemoryFileSeek(file, -3, 1);
    EXPECT_EQ(MemoryFileTell(file), 7);
    MemoryFileSeek(file, 2, 5);   // unknown origin: unchanged
    EXPECT_EQ(MemoryFileTell(file), 7);
    MemoryFileSeek(file, -20, 1);   // before the start: 0
    EXPECT_EQ(MemoryFileTell(file), 0);
    MemoryFileSeek(file, -20, 2);
    EXPECT_EQ(MemoryFileTell(file), 0);
    uint8_t b = 0xFF;
    EXPECT_EQ(MemoryFileRead(&b, 1, file), 1);
    EXPECT_EQ(b, 0);
}

TEST(MemoryFile, OpeningAgainRewindsTheSameRecord)
{
    SetMemoryFileSource(Bytes, 10);
    FileHandle first = MemoryFileOpen(nullptr);
    MemoryFileSeek(first, 5, 0);
    FileHandle second = MemoryFileOpen(nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(MemoryFileTell(second), 0);
}

TEST(MemoryFile, OneMissingCallbackClearsAllAndTheOutputRefusesToOpen)
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, nullptr, MemoryFileTell);
    EXPECT_FALSE(HasFileCallbacks());
    EXPECT_EQ(FileCallbacks.open, nullptr);
    EXPECT_EQ(FileCallbacks.read, nullptr);
    EXPECT_FALSE(OpenWaveOutput(44100));
    EXPECT_EQ(LoadModule(nullptr), nullptr);
}

TEST(Loader, ReadsHeaderPatternsAndInstruments)
{
    xm::ModuleData m = OneChannelModule(8);
    m.channels = 3;
    m.patterns[0].cells.assign(8 * 3, {});
    m.patterns[0].At(2, 1, 3) = {49, 1, 0x30, 0xC, 0x20};
    m.patterns[0].At(3, 2, 3) = {97, 0, 0, 0, 0};
    m.orders = {0, 3, 1};   // patterns 1..3 are not in the file
    m.flags = 0;
    m.speed = 5;
    m.bpm = 140;
    m.restart = 2;
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->channelCount, 3);
    EXPECT_EQ(module->songLength, 3);
    EXPECT_EQ(module->restartPosition, 2);
    EXPECT_EQ(module->usedPatternLimit, 4);
    EXPECT_EQ(module->patternCount, 4);
    EXPECT_EQ(module->flags & MODULE_LINEAR_FREQUENCIES, 0);
    EXPECT_EQ(module->defaultSpeed, 5);
    EXPECT_EQ(module->defaultBpm, 140);
    EXPECT_EQ(module->initialGlobalVolume, 64);
    const PatternCell& cell = module->patterns[0].cells[2 * 3 + 1];
    EXPECT_EQ(cell.note, 49);
    EXPECT_EQ(cell.instrument, 1);
    EXPECT_EQ(cell.volume, 0x30);
    EXPECT_EQ(cell.effect, 0xC);
    EXPECT_EQ(cell.parameter, 0x20);
    EXPECT_EQ(module->patterns[0].cells[3 * 3 + 2].note, NOTE_KEY_OFF);
    for (int p = 1; p < 4; p++) {
        EXPECT_EQ(module->patterns[p].rowCount, 64);
        ASSERT_NE(module->patterns[p].cells, nullptr);
        EXPECT_EQ(module->patterns[p].cells[63 * 3 + 2].note, 0);
    }
    EXPECT_TRUE(FreeModule(module));
    EXPECT_FALSE(FreeModule(nullptr));
}

TEST(Loader, UnpackedCellsAndEmptyPatterns)
{
    xm::ModuleData m = OneChannelModule(4);
    m.patterns[0].raw = true;
    m.patterns[0].At(1, 0, 1) = {50, 2, 0x40, 0x3, 0x11};
    m.patterns[0].At(2, 0, 1) = {100, 200, 0, 0, 0};   // beyond the keymap, beyond 128
    xm::PatternData empty;
    empty.rows = 5;
    m.patterns.push_back(empty);
    m.orders = {0, 1};
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    const PatternCell& cell = module->patterns[0].cells[1];
    EXPECT_EQ(cell.note, 50);
    EXPECT_EQ(cell.instrument, 2);
    EXPECT_EQ(cell.effect, 3);
    EXPECT_EQ(module->patterns[0].cells[2].note, 0);
    EXPECT_EQ(module->patterns[0].cells[2].instrument, 0);
    EXPECT_EQ(module->patterns[1].rowCount, 5);
    EXPECT_EQ(module->patterns[1].cells[4].note, 0);
    FreeModule(module);
}

TEST(Loader, DecodesEightAndSixteenBitDeltas)
{
    xm::ModuleData m = OneChannelModule();
    xm::SampleData eight;
    eight.values = {0x10, 0};   // deltas 0x10 then 0xF0
    xm::SampleData sixteen;
    sixteen.sixteenBit = true;
    sixteen.values = {1000, -1000, 32767, -32768};
    m.instruments = {xm::OneSampleInstrument(eight), xm::OneSampleInstrument(sixteen)};
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    const Sample* a = module->instruments[0].samples[0];
    ASSERT_EQ(a->length, 2u);
    EXPECT_EQ(a->data[0], 0x1000);
    EXPECT_EQ(a->data[1], 0x0000);
    EXPECT_EQ(a->data[2], 0);   // guard: no loop
    EXPECT_EQ(a->bits, 16);
    EXPECT_EQ(a->loopKind, LOOP_NONE);
    EXPECT_EQ(a->loopLength, 2u);
    const Sample* b = module->instruments[1].samples[0];
    ASSERT_EQ(b->length, 4u);
    EXPECT_EQ(b->data[0], 1000);
    EXPECT_EQ(b->data[1], -1000);
    EXPECT_EQ(b->data[2], 32767);
    EXPECT_EQ(b->data[3], -32768);
    EXPECT_EQ(module->instruments[0].samples[1], &EmptySample);
    FreeModule(module);
}

TEST(Loader, LoopKindsAndGuardValues)
{
    xm::ModuleData m = OneChannelModule();
    xm::SampleData forward;
    forward.values = {10, 20, 30, 40, 50, 60};
    forward.loopType = 1;
    forward.loopStart = 2;
    forward.loopLength = 3;
    xm::SampleData both = forward;
    both.loopType = 3;   // both bits: ping-pong
    xm::SampleData emptyLoop = forward;
    emptyLoop.loopLength = 0;   // forward with no length: plays once
    xm::SampleData overlong = forward;
    overlong.loopStart = 4;
    overlong.loopLength = 100;   // runs past the data: clamped
    xm::SampleData outside = forward;
    outside.loopStart = 9;
    outside.loopLength = 2;   // starts past the data: no loop
    m.instruments = {xm::OneSampleInstrument(forward), xm::OneSampleInstrument(both),
                     xm::OneSampleInstrument(emptyLoop), xm::OneSampleInstrument(overlong),
                     xm::OneSampleInstrument(outside)};
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    const Sample* s0 = module->instruments[0].samples[0];
    EXPECT_EQ(s0->loopKind, LOOP_FORWARD);
    EXPECT_EQ(s0->data[5], 30 * 256);   // the value at the loop start follows the loop end
    const Sample* s1 = module->instruments[1].samples[0];
    EXPECT_EQ(s1->loopKind, LOOP_PINGPONG);
    EXPECT_EQ(s1->data[5], 50 * 256);   // flat at the turn
    const Sample* s2 = module->instruments[2].samples[0];
    EXPECT_EQ(s2->loopKind, LOOP_NONE);
    EXPECT_EQ(s2->loopStart, 0u);
    EXPECT_EQ(s2->loopLength, 6u);
    const Sample* s3 = module->instruments[3].samples[0];
    EXPECT_EQ(s3->loopKind, LOOP_FORWARD);
    EXPECT_EQ(s3->loopStart, 4u);
    EXPECT_EQ(s3->loopLength, 2u);
    EXPECT_EQ(s3->data[6], 50 * 256);
    const Sample* s4 = module->instruments[4].samples[0];
    EXPECT_EQ(s4->loopKind, LOOP_NONE);
    EXPECT_EQ(s4->loopStart + s4->loopLength, 6u);
    FreeModule(module);
}

TEST(Loader, EnvelopesAndInstrumentsWithoutSamples)
{
    xm::ModuleData m = OneChannelModule();
    xm::InstrumentData withEnvelope = xm::OneSampleInstrument(SineSample());
    withEnvelope.volume.points = {{0, 64}, {10, 200}, {20, 0}};
    withEnvelope.volume.type = 7;
    withEnvelope.volume.sustain = 3;   // no such point: sustain off
    withEnvelope.volume.loopStart = 0;
    withEnvelope.volume.loopEnd = 2;
    withEnvelope.panning.points = {{0, 32}, {5, 40}};
    withEnvelope.panning.countOverride = 40;   // more than the 12 the file holds
    withEnvelope.panning.type = 1;
    withEnvelope.fadeout = 0x9000;             // doubled in play, kept to 16 bits
    xm::InstrumentData onePoint = xm::OneSampleInstrument(SineSample());
    onePoint.volume.points = {{0, 64}};
    onePoint.volume.type = 1;
    m.instruments = {withEnvelope, xm::InstrumentData{}, onePoint};
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    const Instrument& a = module->instruments[0];
    EXPECT_EQ(a.volumeType, ENVELOPE_ON | ENVELOPE_LOOP);
    EXPECT_EQ(a.volumePoints[1].y, 64);
    EXPECT_EQ(a.panningPointCount, 12);
    EXPECT_EQ(a.fadeout, 0x9000);
    EXPECT_EQ(FadeoutPerTick(&a), 0x2000);
    const Instrument& empty = module->instruments[1];
    EXPECT_EQ(empty.sampleCount, 0);
    EXPECT_EQ(empty.samples[0], &EmptySample);
    EXPECT_EQ(module->instruments[2].volumeType, 0);   // fewer than two points
    EXPECT_NE(module->instruments[2].samples[0], &EmptySample);   // read after the empty one
    EXPECT_EQ(module->instruments[2].samples[0]->length, 32u);
    FreeModule(module);
}

TEST(Loader, ModuleWithoutInstrumentsLoads)
{
    xm::ModuleData m = OneChannelModule();
    m.instruments.clear();
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->instrumentCount, 0);
    FreeModule(module);
}

// Header values the player cannot play safely: each loads as null.
TEST(Loader, RejectsUnplayableHeaders)
{
    struct Case {
        const char* what;
        void (*change)(xm::ModuleData&);
    };
    const Case cases[] = {
        {"no channels", [](xm::ModuleData& m) { m.channels = 0; }},
        {"33 channels", [](xm::ModuleData& m) { m.channels = 33; }},
        {"257 patterns", [](xm::ModuleData& m) { m.patternCountOverride = 257; }},
        {"129 instruments", [](xm::ModuleData& m) { m.instrumentCountOverride = 129; }},
        {"negative instruments", [](xm::ModuleData& m) { m.instrumentCountOverride = 0xFFFF; }},
        {"song length 0", [](xm::ModuleData& m) { m.songLengthOverride = 0; }},
        {"negative song length", [](xm::ModuleData& m) { m.songLengthOverride = 0x8000; }},
        {"0 rows", [](xm::ModuleData& m) { m.patterns[0].rows = 0; m.patterns[0].cells.clear(); }},
        {"257 rows", [](xm::ModuleData& m) { m.patterns[0].rows = 257; m.patterns[0].cells.clear(); }},
        {"17 samples", [](xm::ModuleData& m) { m.instruments[0].sampleCountOverride = 17; }},
    };
    for (const Case& c : cases) {
        xm::ModuleData m = OneChannelModule();
        c.change(m);
        const std::vector<uint8_t> bytes = xm::Write(m);
        EXPECT_EQ(LoadBytes(bytes), nullptr) << c.what;
    }
    std::vector<uint8_t> bytes = xm::Write(OneChannelModule());
    bytes[5] = 'x';
    EXPECT_EQ(LoadBytes(bytes), nullptr) << "signature";
    const std::vector<uint8_t> tiny(10, 0);
    EXPECT_EQ(LoadBytes(tiny), nullptr) << "truncated";
}

TEST(Loader, ClampsOutOfRangeHeaderValues)
{
    xm::ModuleData m = OneChannelModule();
    m.songLengthOverride = 300;
    m.restart = 300;
    m.bpm = 0;
    std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->songLength, 256);
    EXPECT_EQ(module->restartPosition, 0);
    EXPECT_EQ(module->defaultBpm, 125);
    FreeModule(module);
}

TEST(Loader, SampleLongerThanTheFileReadsWhatIsThere)
{
    xm::ModuleData m = OneChannelModule();
    xm::SampleData s;
    s.values = {5, 6, 7, 8};
    s.loopType = 1;
    s.loopStart = 1;
    s.loopLength = 3;
    s.lengthOverride = 0x7FFFFFF0;   // a hostile header: 2 GB promised, 4 bytes there
    m.instruments = {xm::OneSampleInstrument(s)};
    const std::vector<uint8_t> bytes = xm::Write(m);
    Module* module = LoadBytes(bytes);
    ASSERT_NE(module, nullptr);
    const Sample* sample = module->instruments[0].samples[0];
    EXPECT_EQ(sample->length, 4u);
    EXPECT_EQ(sample->data[3], 8 * 256);
    EXPECT_EQ(sample->loopStart + sample->loopLength, 4u);
    FreeModule(module);
}

}   // namespace
