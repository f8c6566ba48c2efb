// quorvantile-inspect: looks at what the demo builds at start-up without opening a
// window. Usage: quorvantile-inspect SUBCOMMAND ARGS...
#include "tools/assets/assets.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

using InspectFn = int (*)(int argc, char** argv);

struct InspectSubcommand {
    const char* name;
    const char* arguments;   // shown in the usage text
    InspectFn run;
};

constexpr InspectSubcommand Subcommands[] = {
    {"textures", "OUT_DIR", InspectTextures},
    {"timeline", "OUT.png | --at T [--at T]...", InspectTimeline},
    {"meshes", "OUT_DIR", InspectMeshes},
};

int PrintUsage()
{
    std::fprintf(stderr, "usage: quorvantile-inspect SUBCOMMAND ARGS...\n");
    for (const InspectSubcommand& command : Subcommands)
        std::fprintf(stderr, "  %s %s\n", command.name, command.arguments);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return PrintUsage();
    for (const InspectSubcommand& command : Subcommands) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "quorvantile-inspect: unknown sub-command '%s'\n", argv[1]);
    return PrintUsage();
}
