// quorvantile-xm: renders, describes and plays XM modules with the demo's own player.
//   quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]
//   quorvantile-xm info IN.xm
//   quorvantile-xm play IN.xm
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/mixer.h"
#include "music/module.h"
#include "music/output.h"
#include "music/player.h"
#include "music/render.h"
#include "platform/platform.h"

namespace {

constexpr const char* TOOL = "quorvantile-xm";
constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 192000;

const char* const USAGE =
    "usage: quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]\n"
    "       quorvantile-xm info IN.xm\n"
    "       quorvantile-xm play IN.xm\n";
const char* const RENDER_HELP =
    "quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]\n"
    "  Renders the module offline to a 16-bit stereo WAV file, deterministically.\n"
    "  It renders the song once, stopping when playback comes back to a row it has\n"
    "  already played, or after --seconds S if that comes first. --rate is in Hz\n"
    "  (8000..192000, default 44100).\n";
const char* const INFO_HELP =
    "quorvantile-xm info IN.xm\n"
    "  Prints the module's header, order list, instruments and samples as loaded.\n";
const char* const PLAY_HELP =
    "quorvantile-xm play IN.xm\n"
    "  Plays the module through the audio device until the song ends or Ctrl-C.\n";

std::vector<uint8_t> FileBytes;
std::atomic<bool> Interrupted{false};

bool ReadWholeFile(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    FileBytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        FileBytes.insert(FileBytes.end(), buffer, buffer + n);
        if (FileBytes.size() > 0x7FFFFFFF) {
            std::fclose(file);
            return false;
        }
    }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Loads the file through the memory-file callbacks, as the demo loads its module.
Module* Load(const char* path)
{
    if (!ReadWholeFile(path)) {
        std::fprintf(stderr, "%s: %s: cannot read the file\n", TOOL, path);
        return nullptr;
    }
    SetMemoryFileSource(FileBytes.data(), static_cast<int32_t>(FileBytes.size()));
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    Module* module = LoadModule(path);
    if (!module)
        std::fprintf(stderr, "%s: %s: not an XM module this player can play safely\n", TOOL, path);
    return module;
}

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteWav(const char* path, const std::vector<int16_t>& samples, int rate)
{
    std::vector<uint8_t> out;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate) * 4);
    Put16(out, 4);
    Put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, dataBytes);
    for (int16_t s : samples)
        Put16(out, static_cast<uint16_t>(s));
    const std::string temporary = std::string(path) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path) == 0)
        return true;
    std::remove(temporary.c_str());
    return false;
}

bool WantsHelp(int argc, char** argv)
{
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

bool ParseNumber(const char* text, double* value)
{
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == 0;
}

int Render(int argc, char** argv)
{
    if (WantsHelp(argc, argv)) {
        std::fputs(RENDER_HELP, stdout);
        return 0;
    }
    const char* input = nullptr;
    const char* output = nullptr;
    RenderOptions options;
    for (int i = 2; i < argc; i++) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (arg == "--rate" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &value) || value < MIN_RATE || value > MAX_RATE) {
                std::fprintf(stderr, "%s: --rate wants a whole number of Hz from %d to %d\n", TOOL, MIN_RATE, MAX_RATE);
                return 2;
            }
            options.rate = static_cast<int32_t>(value);
        } else if (arg == "--seconds" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &value) || !(value > 0) || value > 86400) {
                std::fprintf(stderr, "%s: --seconds wants a positive number\n", TOOL);
                return 2;
            }
            options.maxSeconds = value;
        } else if (!input && arg[0] != '-') {
            input = argv[i];
        } else {
            std::fprintf(stderr, "%s: render: unexpected argument '%s'\n%s", TOOL, argv[i], RENDER_HELP);
            return 2;
        }
    }
    if (!input || !output) {
        std::fprintf(stderr, "%s: render needs IN.xm and -o OUT.wav\n%s", TOOL, RENDER_HELP);
        return 2;
    }
    Module* module = Load(input);
    if (!module)
        return 1;
    const RenderResult result = RenderModule(module, options);
    FreeModule(module);
    if (!WriteWav(output, result.samples, options.rate)) {
        std::fprintf(stderr, "%s: %s: cannot write the file\n", TOOL, output);
        return 1;
    }
    std::printf("%s: %.2f s at %d Hz%s\n", output, double(result.samples.size() / 2) / options.rate,
                options.rate, result.reachedSongEnd ? ", to the end of the song" : "");
    return 0;
}

const char* LoopName(uint8_t kind)
{
    return kind == LOOP_FORWARD ? "forward" : kind == LOOP_PINGPONG ? "ping-pong" : "none";
}

int Info(int argc, char** argv)
{
    if (WantsHelp(argc, argv)) {
        std::fputs(INFO_HELP, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "%s: info needs exactly one IN.xm\n%s", TOOL, INFO_HELP);
        return 2;
    }
    Module* module = Load(argv[2]);
    if (!module)
        return 1;
    std::printf("file: %s (%zu bytes)\n", argv[2], FileBytes.size());
    std::printf("channels: %d  patterns: %d  instruments: %d\n", module->channelCount,
                module->patternCount, module->instrumentCount);
    std::printf("song length: %d  restart: %d  frequencies: %s\n", module->songLength,
                module->restartPosition,
                (module->flags & MODULE_LINEAR_FREQUENCIES) ? "linear" : "Amiga");
    std::printf("speed: %d  BPM: %d\n", module->defaultSpeed, module->defaultBpm);
    std::printf("orders:");
    for (int i = 0; i < module->songLength; i++)
        std::printf(" %d", module->orderTable[i]);
    std::printf("\npatterns (rows):");
    for (int p = 0; p < module->patternCount; p++)
        std::printf(" %d:%d", p, module->patterns[p].rowCount);
    std::printf("\n");
    for (int i = 0; i < module->instrumentCount; i++) {
        const Instrument& in = module->instruments[i];
        std::printf("instrument %d: %d sample(s), volume envelope %d points type %d, panning envelope %d points type %d, fadeout %d, auto-vibrato type %d depth %d rate %d sweep %d\n",
                    i + 1, in.sampleCount, in.volumePointCount, in.volumeType,
                    in.panningPointCount, in.panningType, in.fadeout, in.vibratoType,
                    in.vibratoDepth, in.vibratoRate, in.vibratoSweep);
        for (int s = 0; s < in.sampleCount; s++) {
            const Sample& sm = *in.samples[s];
            std::printf("  sample %d: %u values, loop %s %u+%u, volume %d, finetune %d, panning %d, relative note %d\n",
                        s, sm.length, LoopName(sm.loopKind), sm.loopStart, sm.loopLength,
                        sm.volume, sm.finetune, sm.panning, sm.relativeNote);
        }
    }
    FreeModule(module);
    return 0;
}

// The output thread runs the detector; the main thread waits for it.
SongEndDetector PlayDetector;
std::atomic<bool> PlayEnded{false};

void PlayTick(Module* module)
{
    if (module->tick == 0 && PlayDetector.Visit(module))
        PlayEnded.store(true, std::memory_order_release);
    PlayerTick(module);
}

void OnInterrupt(int)
{
    Interrupted.store(true);
}

int Play(int argc, char** argv)
{
    if (WantsHelp(argc, argv)) {
        std::fputs(PLAY_HELP, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "%s: play needs exactly one IN.xm\n%s", TOOL, PLAY_HELP);
        return 2;
    }
    Module* module = Load(argv[2]);
    if (!module)
        return 1;
    if (!OpenWaveOutput(OUTPUT_RATE)) {
        std::fprintf(stderr, "%s: cannot open the audio device\n", TOOL);
        FreeModule(module);
        return 1;
    }
    std::signal(SIGINT, OnInterrupt);
    PlayModule(module, PlayTick);
    std::printf("playing %s; Ctrl-C stops\n", argv[2]);
    std::fflush(stdout);
    while (!Interrupted.load() && !PlayEnded.load(std::memory_order_acquire))
        PlatformSleep(20);
    // The ring runs about two seconds ahead of what is heard.
    for (int i = 0; i < BUFFER_MS * 2 / 20 && !Interrupted.load(); i++)
        PlatformSleep(20);
    StopModule(module);
    CloseWaveOutput();
    FreeModule(module);
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(USAGE, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    if (command == "render")
        return Render(argc, argv);
    if (command == "info")
        return Info(argc, argv);
    if (command == "play")
        return Play(argc, argv);
    std::fprintf(stderr, "%s: unknown command '%s'\n%s", TOOL, argv[1], USAGE);
    return 2;
}
