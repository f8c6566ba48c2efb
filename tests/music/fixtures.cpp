// Writes the modules made with the test XM writer:
//   qv_xm_fixtures demo OUT.xm   a short song using every kind of instrument
//   qv_xm_fixtures long OUT.xm   a song of about 44 hours
//   qv_xm_fixtures seeds DIR     small modules that start the fuzzer's corpus
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/music/fixtures.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "demo") == 0)
        return WriteFile(argv[2], xm::Write(fixtures::DemoModule())) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "long") == 0)
        return WriteFile(argv[2], xm::Write(fixtures::LongModule())) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "seeds") == 0) {
        const auto seeds = fixtures::SeedModules();
        for (size_t i = 0; i < seeds.size(); i++) {
            char name[32];
            std::snprintf(name, sizeof name, "/seed%02zu.xm", i);
            if (!WriteFile(std::string(argv[2]) + name, xm::Write(seeds[i])))
                return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: qv_xm_fixtures demo OUT.xm | long OUT.xm | seeds DIR\n");
    return 2;
}
