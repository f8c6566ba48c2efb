// The XM loader: reads a module through the file callbacks into a Module whose
// samples are 16-bit, delta-decoded and padded for the mixer's interpolation.
//
// The loader rejects or clamps every header value that would make the player read
// or write outside its tables, hang, or allocate more than the file holds.
#include "music/module.h"

#include <cstdlib>
#include <cstring>
#include <new>


Instrument EmptyInstrument;
Sample EmptySample;

namespace {

constexpr char XM_SIGNATURE[] = "Extended Module: ";
constexpr int XM_SIGNATURE_LENGTH = 17;
static_assert(sizeof(XM_SIGNATURE) - 1 == XM_SIGNATURE_LENGTH);

constexpr int16_t DEFAULT_BPM = 125;

// A reader over the registered callbacks. Bytes a short read does not supply are 0.
struct Reader {
    FileHandle handle;

    void Read(void* buffer, int32_t count)
    {
        std::memset(buffer, 0, static_cast<size_t>(count));
        FileCallbacks.read(buffer, count, handle);
    }
    uint8_t U8()
    {
        uint8_t b[1];
        Read(b, 1);
        return b[0];
    }
    uint16_t U16()
    {
        uint8_t b[2];
        Read(b, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint32_t U32()
    {
        uint8_t b[4];
        Read(b, 4);
        return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    }
    void Seek(int32_t offset, uint8_t origin) { FileCallbacks.seek(handle, offset, origin); }
    int32_t Tell() { return FileCallbacks.tell(handle); }
    // Bytes between the position and the end of the file.
    int64_t Remaining()
    {
        int32_t here = Tell();
        Seek(0, 2);
        int32_t end = Tell();
        Seek(here, 0);
        return end > here ? end - here : 0;
    }
};

// Keeps a loop inside the sample; a loop that is empty or starts beyond the data
// plays once instead.
void NormaliseLoop(Sample* sample)
{
    if (sample->loopKind == LOOP_FORWARD || sample->loopKind == LOOP_PINGPONG) {
        if (sample->loopStart >= sample->length) {
            sample->loopKind = LOOP_NONE;
        } else if (uint64_t{sample->loopStart} + sample->loopLength > sample->length) {
            sample->loopLength = sample->length - sample->loopStart;
        }
        if (sample->loopLength == 0)
            sample->loopKind = LOOP_NONE;
    }
    if (sample->loopKind != LOOP_FORWARD && sample->loopKind != LOOP_PINGPONG) {
        sample->loopStart = 0;
        sample->loopLength = sample->length;
    }
}

// Sustain and loop points must name existing points, or that feature is off.
void CheckEnvelope(EnvelopePoint* points, uint8_t* count, uint8_t sustain, uint8_t loopStart,
                   uint8_t loopEnd, uint8_t* type)
{
    if (*count > ENVELOPE_FILE_POINTS)
        *count = ENVELOPE_FILE_POINTS;
    for (int i = 0; i < ENVELOPE_FILE_POINTS; i++) {
        if (points[i].y > 64)
            points[i].y = 64;
    }
    if (*count < 2) {
        *type = 0;
        return;
    }
    if (sustain >= *count)
        *type &= static_cast<uint8_t>(~ENVELOPE_SUSTAIN);
    if (loopStart >= *count || loopEnd >= *count)
        *type &= static_cast<uint8_t>(~ENVELOPE_LOOP);
}

void ReadEnvelopePoints(Reader& file, EnvelopePoint* points)
{
    for (int i = 0; i < ENVELOPE_FILE_POINTS; i++) {
        points[i].x = file.U16();
        points[i].y = file.U16();
    }
}

bool ReadPatterns(Reader& file, Module* module, int filePatternCount)
{
    const int channels = module->channelCount;
    for (int p = 0; p < filePatternCount; p++) {
        Pattern& pattern = module->patterns[p];
        file.U32();   // header length: the 9-byte header is assumed
        file.U8();    // packing type
        const int rows = file.U16();
        const int packedSize = file.U16();
        if (rows < 1 || rows > MAX_ROWS)
            return false;
        pattern.rowCount = rows;
        pattern.cells = static_cast<PatternCell*>(std::calloc(size_t(rows) * channels, sizeof(PatternCell)));
        if (!pattern.cells)
            return false;
        if (packedSize == 0)
            continue;
        for (int c = 0; c < rows * channels; c++) {
            PatternCell& cell = pattern.cells[c];
            const uint8_t b = file.U8();
            if (b & 0x80) {
                if (b & 0x01) cell.note = file.U8();
                if (b & 0x02) cell.instrument = file.U8();
                if (b & 0x04) cell.volume = file.U8();
                if (b & 0x08) cell.effect = file.U8();
                if (b & 0x10) cell.parameter = file.U8();
            } else {
                cell.note = b;
                cell.instrument = file.U8();
                cell.volume = file.U8();
                cell.effect = file.U8();
                cell.parameter = file.U8();
            }
            if (cell.note == 97)
                cell.note = NOTE_KEY_OFF;
            else if (cell.note > 97 && cell.note != NOTE_KEY_OFF)
                cell.note = 0;   // beyond the 96-entry keymap
            if (cell.instrument > MAX_INSTRUMENTS)
                cell.instrument = 0;
        }
    }
    for (int p = filePatternCount; p < module->usedPatternLimit; p++) {
        module->patterns[p].rowCount = 64;
        module->patterns[p].cells = static_cast<PatternCell*>(std::calloc(size_t(64) * channels, sizeof(PatternCell)));
        if (!module->patterns[p].cells)
            return false;
    }
    return true;
}

bool ReadSampleData(Reader& file, Sample* sample)
{
    if (sample->length == 0)
        return true;
    const int bytesPerValue = sample->bits / 8;
    // A header may promise more than the file holds: read only what is there.
    const int64_t remaining = file.Remaining();
    if (int64_t{sample->length} * bytesPerValue > remaining) {
        sample->length = static_cast<uint32_t>(remaining / bytesPerValue);
        NormaliseLoop(sample);
        if (sample->length == 0)
            return true;
    }
    const uint32_t length = sample->length;
    sample->data = static_cast<int16_t*>(std::calloc(size_t(length) + SAMPLE_GUARD_VALUES, sizeof(int16_t)));
    if (!sample->data)
        return false;
    if (bytesPerValue == 1) {
        auto* bytes = static_cast<uint8_t*>(std::calloc(length, 1));
        if (!bytes)
            return false;
        file.Read(bytes, static_cast<int32_t>(length));
        for (uint32_t i = 0; i < length; i++)
            sample->data[i] = static_cast<int16_t>(bytes[i] << 8);
        std::free(bytes);
    } else {
        auto* bytes = reinterpret_cast<uint8_t*>(sample->data);
        file.Read(bytes, static_cast<int32_t>(length * 2));
        for (uint32_t i = 0; i < length; i++)
            sample->data[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    sample->bits = 16;
    uint16_t sum = 0;
    for (uint32_t i = 0; i < length; i++) {
        sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(sample->data[i]));
        sample->data[i] = static_cast<int16_t>(sum);
    }
    const uint32_t end = sample->loopStart + sample->loopLength;
    if (sample->loopKind == LOOP_FORWARD)
        sample->data[end] = sample->data[sample->loopStart];
    else if (sample->loopKind == LOOP_PINGPONG)
        sample->data[end] = sample->data[end - 1];
    return true;
}

bool ReadInstrument(Reader& file, Instrument* instrument)
{
    const int32_t start = file.Tell();
    const uint32_t size = file.U32();
    const int32_t next = static_cast<int32_t>(static_cast<uint32_t>(start) + size);
    file.Seek(23, 1);
    const int sampleCount = file.U16();
    if (sampleCount > MAX_SAMPLES_PER_INSTRUMENT)
        return false;
    instrument->sampleCount = 0;
    for (Sample*& slot : instrument->samples)
        slot = &EmptySample;
    if (sampleCount == 0) {
        file.Seek(next, 0);
        return true;
    }
    file.U32();   // sample header size: 40 bytes assumed
    file.Read(instrument->keymap, KEYMAP_SIZE);
    ReadEnvelopePoints(file, instrument->volumePoints);
    ReadEnvelopePoints(file, instrument->panningPoints);
    instrument->volumePointCount = file.U8();
    instrument->panningPointCount = file.U8();
    instrument->volumeSustain = file.U8();
    instrument->volumeLoopStart = file.U8();
    instrument->volumeLoopEnd = file.U8();
    instrument->panningSustain = file.U8();
    instrument->panningLoopStart = file.U8();
    instrument->panningLoopEnd = file.U8();
    instrument->volumeType = file.U8();
    instrument->panningType = file.U8();
    instrument->vibratoType = file.U8();
    instrument->vibratoSweep = file.U8();
    instrument->vibratoDepth = file.U8();
    instrument->vibratoRate = file.U8();
    instrument->fadeout = file.U16();
    CheckEnvelope(instrument->volumePoints, &instrument->volumePointCount, instrument->volumeSustain,
                  instrument->volumeLoopStart, instrument->volumeLoopEnd, &instrument->volumeType);
    CheckEnvelope(instrument->panningPoints, &instrument->panningPointCount,
                  instrument->panningSustain, instrument->panningLoopStart,
                  instrument->panningLoopEnd, &instrument->panningType);
    file.Seek(next, 0);

    for (int s = 0; s < sampleCount; s++) {
        auto* sample = static_cast<Sample*>(std::calloc(1, sizeof(Sample)));
        if (!sample)
            return false;
        instrument->samples[s] = sample;
        instrument->sampleCount = s + 1;
        sample->length = file.U32();
        sample->loopStart = file.U32();
        sample->loopLength = file.U32();
        sample->volume = file.U8();
        if (sample->volume > 64)
            sample->volume = 64;
        sample->finetune = static_cast<int8_t>(file.U8());
        sample->loopKind = LOOP_NONE;
        sample->bits = 8;
        const uint8_t type = file.U8();
        if (type & 0x01) sample->loopKind = LOOP_FORWARD;
        if (type & 0x02) sample->loopKind = LOOP_PINGPONG;
        if (type & 0x10) sample->bits = 16;
        if (sample->loopKind == LOOP_NONE) {
            sample->loopStart = 0;
            sample->loopLength = sample->length;
        }
        if (sample->bits == 16) {
            sample->length /= 2;
            sample->loopStart /= 2;
            sample->loopLength /= 2;
        }
        if (sample->loopLength == 0) {
            sample->loopStart = 0;
            sample->loopLength = sample->length;
            sample->loopKind = LOOP_NONE;
        }
        sample->panning = file.U8();
        sample->relativeNote = static_cast<int8_t>(file.U8());
        file.Seek(23, 1);
        NormaliseLoop(sample);
    }
    for (int s = 0; s < sampleCount; s++) {
        if (!ReadSampleData(file, instrument->samples[s]))
            return false;
    }
    return true;
}

bool ParseModule(Reader& file, Module* module)
{
    char signature[XM_SIGNATURE_LENGTH];
    file.Seek(0, 0);
    file.Read(signature, XM_SIGNATURE_LENGTH);
    if (std::memcmp(signature, XM_SIGNATURE, XM_SIGNATURE_LENGTH) != 0)
        return false;
    module->initialGlobalVolume = 64;

    file.Seek(60, 0);
    const uint32_t headerSize = file.U32();
    module->songLength = static_cast<int16_t>(file.U16());
    module->restartPosition = static_cast<int16_t>(file.U16());
    module->channelCount = static_cast<int16_t>(file.U16());
    const int filePatternCount = file.U16();
    module->instrumentCount = static_cast<int16_t>(file.U16());
    module->flags = static_cast<int16_t>(file.U16());
    module->defaultSpeed = static_cast<int16_t>(file.U16());
    module->defaultBpm = static_cast<int16_t>(file.U16());
    file.Read(module->orderTable, 256);
    file.Seek(static_cast<int32_t>(60u + headerSize), 0);

    if (module->channelCount < 1 || module->channelCount > MAX_CHANNELS)
        return false;
    if (filePatternCount > MAX_PATTERNS)
        return false;
    if (module->instrumentCount < 0 || module->instrumentCount > MAX_INSTRUMENTS)
        return false;
    if (module->songLength < 1)
        return false;
    if (module->songLength > 256)
        module->songLength = 256;
    if (module->restartPosition < 0 || module->restartPosition >= module->songLength)
        module->restartPosition = 0;
    if (module->defaultBpm < 1)
        module->defaultBpm = DEFAULT_BPM;

    module->usedPatternLimit = 0;
    for (int i = 0; i < module->songLength; i++) {
        if (module->orderTable[i] >= module->usedPatternLimit)
            module->usedPatternLimit = module->orderTable[i] + 1;
    }
    module->patternCount = filePatternCount > module->usedPatternLimit ? filePatternCount
                                                                       : module->usedPatternLimit;
    module->patterns = static_cast<Pattern*>(std::calloc(size_t(module->patternCount) + 1, sizeof(Pattern)));
    if (!module->patterns)
        return false;
    if (!ReadPatterns(file, module, filePatternCount))
        return false;

    module->instruments = static_cast<Instrument*>(std::calloc(size_t(module->instrumentCount) + 1, sizeof(Instrument)));
    if (!module->instruments)
        return false;
    for (int i = 0; i < module->instrumentCount; i++) {
        for (Sample*& slot : module->instruments[i].samples)
            slot = &EmptySample;
    }
    for (int i = 0; i < module->instrumentCount; i++) {
        if (!ReadInstrument(file, &module->instruments[i]))
            return false;
    }
    return true;
}

}   // namespace

Module* LoadModule(const char* name)
{
    if (!HasFileCallbacks())
        return nullptr;
    FileHandle handle = FileCallbacks.open(name);
    if (!handle)
        return nullptr;
    // From malloc, as its patterns and samples: no memory is a null that the caller
    // handles, never an exception.
    void* memory = std::malloc(sizeof(Module));
    if (!memory) {
        FileCallbacks.close(handle);
        return nullptr;
    }
    auto* module = new (memory) Module{};
    Reader file{handle};
    const bool loaded = ParseModule(file, module);
    FileCallbacks.close(handle);
    if (!loaded) {
        FreeModule(module);
        return nullptr;
    }
    return module;
}

bool FreeModule(Module* module)
{
    if (!module)
        return false;
    if (module->instruments) {
        for (int i = 0; i < module->instrumentCount; i++) {
            Instrument& instrument = module->instruments[i];
            for (int s = 0; s < instrument.sampleCount; s++) {
                Sample* sample = instrument.samples[s];
                if (sample && sample != &EmptySample) {
                    std::free(sample->data);
                    std::free(sample);
                }
            }
        }
        std::free(module->instruments);
    }
    if (module->patterns) {
        for (int p = 0; p < module->patternCount; p++)
            std::free(module->patterns[p].cells);
        std::free(module->patterns);
    }
    module->~Module();
    std::free(module);
    return true;
}
