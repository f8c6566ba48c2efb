// quorvantile-inspect: looks at what the demo builds at start-up without opening a
// window. Usage: quorvantile-inspect SUBCOMMAND ARGS...
#include "tools/assets/assets.h"

#include "content/content.h"
#include "engine/engine.h"
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct InspectSubcommand {
    const char* name;
    InspectFn run;
};

constexpr InspectSubcommand Subcommands[] = {
    { "textures", InspectTextures },
    { "timeline", InspectTimeline },
    { "meshes", InspectMeshes },
};

const char* const USAGE =
    "usage: quorvantile-inspect SUBCOMMAND ARGS...\n"
    "  textures OUT_DIR                      every layer and texture as PNG, contact sheets,\n"
    "                                        curves and manifest.tsv (hashes)\n"
    "  meshes OUT_DIR [--at T]...            meshes.tsv, one OBJ per mesh, and pictures of\n"
    "                                        the glyphs, the picture and the surfaces; with\n"
    "                                        --at, the animated meshes at scene time T\n"
    "  timeline OUT.png                      the three tracks as a chart\n"
    "  timeline --at T [--at T]...           what each track shows at frame time T\n"
    "                                        (whole centiseconds)\n"
    "  SUBCOMMAND --help                     that sub-command's usage\n";

} // namespace

const ToolInfo InspectTool = { "quorvantile-inspect", USAGE };

namespace {

int RunInspectTool(int argc, char** argv)
{
    if (argc < 2)
        return UsageError(InspectTool, "a sub-command is needed: textures, meshes or timeline (--help)");
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("%s %s\n", InspectTool.name, ToolVersion());
        return 0;
    }
    for (const InspectSubcommand& command : Subcommands) {
        if (first == command.name)
            return command.run(argc - 2, argv + 2);
    }
    if (first.starts_with("-"))
        return UsageError(InspectTool, "unknown option " + first);
    return UsageError(InspectTool, "unknown sub-command " + first + " (textures, meshes or timeline)");
}

} // namespace

int main(int argc, char** argv)
{
    return RunTool(InspectTool, RunInspectTool, argc, argv);
}

int ParseOutputFolder(int argc, char** argv, const char* usage, std::string* folder,
                      std::span<const OptionDefinition> options, ParsedCommandLine* parsed)
{
    const ToolInfo tool = { InspectTool.name, usage };
    ParsedCommandLine own;
    if (!parsed)
        parsed = &own;
    if (const int code = ParseCommandLine(tool, argc, argv, 0, options, parsed); code >= 0)
        return code;
    if (parsed->operands.size() != 1)
        return UsageError(tool, "one operand is needed (--help shows it)");
    *folder = parsed->operands[0];
    std::string error;
    if (!PrepareOutputFolder(*folder, &error))
        return Failure(InspectTool, error);
    return -1;
}

int ParseFrameTimes(const ToolInfo& tool, const ParsedCommandLine& parsed, std::vector<int>* times)
{
    // The demo's last frame comes before its end time; the tables know nothing later.
    const int lastFrame = static_cast<int>(ComputeEndTime(TimelineTracks[0])) - 1;
    for (const std::string& value : parsed.Values("--at")) {
        int t = 0;
        if (!ParseWholeNumber(value, 0, lastFrame, &t))
            return UsageError(tool, "--at takes whole centiseconds from 0 to " + std::to_string(lastFrame) +
                                        ", not " + value);
        times->push_back(t);
    }
    return -1;
}
