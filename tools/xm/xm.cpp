// quorvantile-xm: renders, describes and plays XM modules with the demo's own player.
//   quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]
//   quorvantile-xm info IN.xm
//   quorvantile-xm play IN.xm
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/module.h"
#include "music/output.h"
#include "music/player.h"
#include "music/render.h"
#include "platform/platform.h"
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"
#include "tools/common/wav_file.h"

namespace {

constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 192000;
constexpr double MAX_SECONDS = 86400;
constexpr int PLAY_POLL_MS = 20;

const ToolInfo TOOL = {
    "quorvantile-xm",
    "usage: quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]\n"
    "       quorvantile-xm info IN.xm\n"
    "       quorvantile-xm play IN.xm\n"
    "       quorvantile-xm COMMAND --help | --version\n"
    "Renders, describes and plays XM modules with the demo's own player.\n",
};
const ToolInfo RENDER = {
    "quorvantile-xm",
    "usage: quorvantile-xm render IN.xm -o OUT.wav [--rate R] [--seconds S]\n"
    "  Renders the module offline to a 16-bit stereo WAV file, deterministically.\n"
    "  It renders the song once, stopping when playback comes back to a row it has\n"
    "  already played, or after --seconds S if that comes first. --rate is in Hz\n"
    "  (8000..192000, default 44100). The file appears only once it is complete.\n",
};
const ToolInfo INFO = {
    "quorvantile-xm",
    "usage: quorvantile-xm info IN.xm\n"
    "  Prints the module's header, order list, instruments and samples as loaded.\n",
};
const ToolInfo PLAY = {
    "quorvantile-xm",
    "usage: quorvantile-xm play IN.xm\n"
    "  Plays the module through the audio device until the song ends, Ctrl-C or\n"
    "  SIGTERM.\n",
};

std::vector<uint8_t> FileBytes;

bool ReadWholeFile(const std::string& path, std::string* error)
{
    errno = 0;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = "cannot read " + path + ": " + std::strerror(errno ? errno : ENOENT);
        return false;
    }
    FileBytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        FileBytes.insert(FileBytes.end(), buffer, buffer + n);
        if (FileBytes.size() > 0x7FFFFFFF) {
            std::fclose(file);
            *error = "cannot read " + path + ": " + std::strerror(EFBIG);
            return false;
        }
    }
    const int readError = std::ferror(file) ? (errno ? errno : EIO) : 0;
    std::fclose(file);
    if (readError) {
        *error = "cannot read " + path + ": " + std::strerror(readError);
        return false;
    }
    return true;
}

// Loads the file through the memory-file callbacks, as the demo loads its module.
// Null after a one-line complaint.
Module* Load(const std::string& path)
{
    std::string error;
    if (!ReadWholeFile(path, &error)) {
        Failure(TOOL, error);
        return nullptr;
    }
    SetMemoryFileSource(FileBytes.data(), static_cast<int32_t>(FileBytes.size()));
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    Module* module = LoadModule(path.c_str());
    if (!module)
        Failure(TOOL, path + ": not an XM module this player can play safely");
    return module;
}

// Parses a command's options; -1 when the command goes on with exactly one operand,
// IN.xm, otherwise the exit code.
int ParseCommand(const ToolInfo& tool, const char* command, int argc, char** argv,
                 std::span<const OptionDefinition> definitions, ParsedCommandLine* parsed)
{
    const int code = ParseCommandLine(tool, argc, argv, 2, definitions, parsed);
    if (code >= 0)
        return code;
    if (parsed->operands.size() != 1)
        return UsageError(tool, std::string(command) + " needs exactly one IN.xm");
    return -1;
}

// ---- render ----------------------------------------------------------------------

int Render(int argc, char** argv)
{
    static const OptionDefinition OPTIONS[] = {
        {"-o", OptionKind::Value},
        {"--rate", OptionKind::Value},
        {"--seconds", OptionKind::Value},
    };
    ParsedCommandLine parsed;
    if (const int code = ParseCommand(RENDER, "render", argc, argv, OPTIONS, &parsed); code >= 0)
        return code;
    if (!parsed.Has("-o"))
        return UsageError(RENDER, "render needs -o OUT.wav");
    RenderOptions options;
    if (parsed.Has("--rate") &&
        !ParseWholeNumber(parsed.Value("--rate"), MIN_RATE, MAX_RATE, &options.rate)) {
        return UsageError(RENDER, "--rate wants a whole number of Hz from " + std::to_string(MIN_RATE) +
                                      " to " + std::to_string(MAX_RATE));
    }
    if (parsed.Has("--seconds")) {
        const std::string text = parsed.Value("--seconds");
        char* end = nullptr;
        const double seconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != 0 || !(seconds > 0) || seconds > MAX_SECONDS)
            return UsageError(RENDER, "--seconds wants a positive number up to 86400");
        // The WAV format counts its bytes in 32 bits.
        if (std::ceil(seconds * options.rate) * WAV_FRAME_BYTES > double(UINT32_MAX - WAV_HEADER_BYTES))
            return UsageError(RENDER, "--seconds " + text + " at " + std::to_string(options.rate) +
                                          " Hz is more than a WAV file can hold");
        options.maxSeconds = seconds;
    }
    const std::string input = parsed.operands[0];
    const std::string output = parsed.Value("-o");
    std::string error;
    if (!CheckOutputFile(output, &error))
        return Failure(RENDER, error);

    InstallInterruptHandlers();
    Module* module = Load(input);
    if (!module)
        return 1;
    OutputFile file(output);
    WavWriter wav(file, options.rate);
    RenderSummary summary;
    if (file.Open() && wav.Begin()) {
        summary = RenderModule(module, options, [&](const int16_t* samples, size_t frames) {
            return wav.Take(samples, frames);
        });
    }
    FreeModule(module);
    if (!summary.completed || !wav.Finish() || !file.Commit())
        return Failure(RENDER, file.Error().empty() ? "cannot render " + input : file.Error());
    std::printf("%s: %.2f s at %d Hz%s\n", output.c_str(), double(summary.frames) / options.rate,
                options.rate, summary.reachedSongEnd ? ", to the end of the song" : "");
    return 0;
}

// ---- info ------------------------------------------------------------------------

const char* LoopName(uint8_t kind)
{
    return kind == LOOP_FORWARD ? "forward" : kind == LOOP_PINGPONG ? "ping-pong" : "none";
}

int Info(int argc, char** argv)
{
    ParsedCommandLine parsed;
    if (const int code = ParseCommand(INFO, "info", argc, argv, {}, &parsed); code >= 0)
        return code;
    const std::string& input = parsed.operands[0];
    Module* module = Load(input);
    if (!module)
        return 1;
    std::printf("file: %s (%zu bytes)\n", input.c_str(), FileBytes.size());
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

// ---- play ------------------------------------------------------------------------

// The output thread runs the detector; the main thread waits for it.
SongEndDetector PlayDetector;
std::atomic<bool> PlayEnded{false};

void PlayTick(Module* module)
{
    if (module->tick == 0 && PlayDetector.Visit(module))
        PlayEnded.store(true, std::memory_order_release);
    PlayerTick(module);
}

// Sleeps up to milliseconds, or until a signal comes.
void SleepUnlessInterrupted(int milliseconds)
{
    for (int slept = 0; slept < milliseconds && !InterruptSignal(); slept += PLAY_POLL_MS)
        PlatformSleep(PLAY_POLL_MS);
}

int Play(int argc, char** argv)
{
    ParsedCommandLine parsed;
    if (const int code = ParseCommand(PLAY, "play", argc, argv, {}, &parsed); code >= 0)
        return code;
    const std::string& input = parsed.operands[0];
    Module* module = Load(input);
    if (!module)
        return 1;
    if (!OpenWaveOutput(OUTPUT_RATE)) {
        const std::string reason = PlatformAudioError();
        FreeModule(module);
        return Failure(PLAY, "cannot open the audio device" + (reason.empty() ? "" : ": " + reason));
    }
    // After the device is open, so that no handler the audio system installed takes the
    // signals: the loop below notices them and closes the device before it ends.
    InstallInterruptHandlers(InterruptMode::Polled);
    if (!PlayModule(module, PlayTick)) {
        CloseWaveOutput();
        FreeModule(module);
        return Failure(PLAY, "cannot play " + input + ": " + std::strerror(ENOMEM));
    }
    std::printf("playing %s; Ctrl-C stops\n", input.c_str());
    std::fflush(stdout);
    while (!InterruptSignal() && !PlayEnded.load(std::memory_order_acquire))
        PlatformSleep(PLAY_POLL_MS);
    // The ring runs about two seconds ahead of what is heard.
    SleepUnlessInterrupted(2 * BUFFER_MS);
    StopModule(module);
    CloseWaveOutput();
    FreeModule(module);
    const int signal = InterruptSignal();
    return signal ? 128 + signal : 0;
}

}   // namespace

namespace {

int RunXmTool(int argc, char** argv)
{
    if (argc >= 2 && argv[1][0] != '-') {
        const std::string command = argv[1];
        if (command == "render")
            return Render(argc, argv);
        if (command == "info")
            return Info(argc, argv);
        if (command == "play")
            return Play(argc, argv);
        return UsageError(TOOL, "unknown command " + command + " (render, info or play)");
    }
    ParsedCommandLine parsed;
    if (const int code = ParseCommandLine(TOOL, argc, argv, 1, {}, &parsed); code >= 0)
        return code;
    return UsageError(TOOL, "a command is needed: render, info or play (--help shows the usage)");
}

}   // namespace

int main(int argc, char** argv)
{
    return RunTool(TOOL, RunXmTool, argc, argv);
}
