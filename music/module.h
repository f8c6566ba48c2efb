// The in-memory XM module, the file callbacks the loader reads through, and the
// memory file that serves the embedded module. Internal to music/.
#pragma once

#include <cstdint>

// ---- File callbacks ----------------------------------------------------------------

struct MemoryFileRecord;
using FileHandle = void*;
using FileOpenFn = FileHandle (*)(const char* name);
using FileCloseFn = void (*)(FileHandle handle);
using FileReadFn = int32_t (*)(void* buffer, int32_t count, FileHandle handle);
using FileSeekFn = void (*)(FileHandle handle, int32_t offset, uint8_t origin);
using FileTellFn = int32_t (*)(FileHandle handle);

struct FileCallbackTable {
    FileOpenFn open = nullptr;
    FileCloseFn close = nullptr;
    FileReadFn read = nullptr;
    FileSeekFn seek = nullptr;
    FileTellFn tell = nullptr;
};
extern FileCallbackTable FileCallbacks;

// Stores all five when every one is non-null; otherwise clears all five.
void SetFileCallbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                      FileTellFn tell);
bool HasFileCallbacks();

// ---- The memory file -----------------------------------------------------------------

struct MemoryFileRecord {
    int32_t length = 0;     // bytes
    int32_t position = 0;   // 0..length
    const uint8_t* data = nullptr;
};
extern MemoryFileRecord MemoryFile;

// The bytes MemoryFileOpen serves: the embedded module unless a caller (a tool, a
// test) points it elsewhere first. Not owned.
void SetMemoryFileSource(const uint8_t* data, int32_t length);

// Ignores the name; rewinds the one record over the source bytes and returns it.
FileHandle MemoryFileOpen(const char* name);
void MemoryFileClose(FileHandle handle);
// Copies min(count, length - position) bytes; returns the count copied.
int32_t MemoryFileRead(void* buffer, int32_t count, FileHandle handle);
// Origin 0 from the start, 1 from the position, 2 from the end; others do nothing.
// The result is kept within 0..length.
void MemoryFileSeek(FileHandle handle, int32_t offset, uint8_t origin);
int32_t MemoryFileTell(FileHandle handle);

// ---- The module ------------------------------------------------------------------------

constexpr int MAX_CHANNELS = 32;
constexpr int MAX_PATTERNS = 256;
constexpr int MAX_ROWS = 256;
constexpr int MAX_INSTRUMENTS = 128;
constexpr int MAX_SAMPLES_PER_INSTRUMENT = 16;
constexpr int ENVELOPE_FILE_POINTS = 12;
constexpr int ENVELOPE_POINTS = 20;
constexpr int KEYMAP_SIZE = 96;
constexpr int SAMPLE_GUARD_VALUES = 8;   // zeroed values after the data, for interpolation

constexpr uint8_t NOTE_KEY_OFF = 255;

constexpr uint8_t LOOP_NONE = 1;
constexpr uint8_t LOOP_FORWARD = 2;
constexpr uint8_t LOOP_PINGPONG = 4;

constexpr uint8_t ENVELOPE_ON = 0x01;
constexpr uint8_t ENVELOPE_SUSTAIN = 0x02;
constexpr uint8_t ENVELOPE_LOOP = 0x04;

constexpr int16_t MODULE_LINEAR_FREQUENCIES = 0x0001;

struct PatternCell {
    uint8_t note;        // 0 none, 1..96 notes, 255 key off
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte
    uint8_t effect;
    uint8_t parameter;
};
static_assert(sizeof(PatternCell) == 5);

struct Pattern {
    int32_t rowCount = 0;
    PatternCell* cells = nullptr;   // rowCount x channelCount, row by row
};

struct EnvelopePoint {
    uint16_t x;   // tick
    uint16_t y;   // 0..64
};

struct Sample {
    int16_t* data = nullptr;    // length values + SAMPLE_GUARD_VALUES, or null
    uint32_t length = 0;        // values
    uint32_t loopStart = 0;     // values
    uint32_t loopLength = 0;    // values; loopStart + loopLength is the playing end
    uint8_t volume = 0;         // 0..64
    int8_t finetune = 0;
    int32_t panning = 0;        // 0..255
    uint8_t bits = 0;           // 16 after loading
    uint8_t loopKind = 0;       // LOOP_*; anything else plays once
    int8_t relativeNote = 0;    // semitones
};

struct Instrument {
    int32_t sampleCount = 0;
    Sample* samples[MAX_SAMPLES_PER_INSTRUMENT] = {};
    uint8_t keymap[KEYMAP_SIZE] = {};
    EnvelopePoint volumePoints[ENVELOPE_POINTS] = {};
    EnvelopePoint panningPoints[ENVELOPE_POINTS] = {};
    uint8_t volumePointCount = 0, panningPointCount = 0;
    uint8_t volumeSustain = 0, volumeLoopStart = 0, volumeLoopEnd = 0;
    uint8_t panningSustain = 0, panningLoopStart = 0, panningLoopEnd = 0;
    uint8_t volumeType = 0, panningType = 0;   // ENVELOPE_* bits
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;   // as the file gives it; see FadeoutPerTick
};

// The module as loaded, and its playback state (tick, speed, row, tick length), which
// the loader leaves at rest and the player and the block filler keep.
struct Module {
    Pattern* patterns = nullptr;
    Instrument* instruments = nullptr;
    int32_t samplesLeftInTick = 0;   // output frames
    int32_t samplesPerTick = 0;      // output frames
    int16_t songLength = 0;
    int16_t restartPosition = 0;
    int16_t channelCount = 0;
    int32_t usedPatternLimit = 0;
    int32_t patternCount = 0;
    int16_t instrumentCount = 0;
    int16_t flags = 0;               // MODULE_LINEAR_FREQUENCIES
    int16_t defaultSpeed = 0;
    int16_t defaultBpm = 0;
    uint8_t orderTable[256] = {};
    uint8_t initialGlobalVolume = 0;
    int32_t globalVolume = 0;        // 0..64
    uint8_t globalVolumeSlideMemory = 0;
    int32_t tick = 0;
    int32_t speed = 0;               // ticks per row
    int32_t bpm = 0;
    int32_t row = 0;
    int32_t orderPosition = 0;
    int32_t patternDelayTicks = 0;
    int32_t nextRow = -1;
    int32_t nextOrder = -1;
};

// The stand-ins for missing data: all zero, never written during playback.
extern Instrument EmptyInstrument;
extern Sample EmptySample;

// Reads an XM file through FileCallbacks. Null when the file cannot be opened, is not
// an XM module, or holds values the player cannot play safely.
Module* LoadModule(const char* name);
// Frees the module. It must not be playing: stop its playback first (StopModule or
// EndOfflinePlayback). False for null.
bool FreeModule(Module* module);
