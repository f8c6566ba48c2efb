// Inputs the fuzzer once failed on (fuzz/music_regressions): each must load or be
// rejected, and play 1,000 ticks, without a fault (the sanitizer builds watch).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/music_play.h"

namespace {

TEST(FuzzRegressions, EveryKeptInputPlaysSafely)
{
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QV_MUSIC_REGRESSIONS_DIR)) {
        if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.')
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        musicfuzz::LoadAndPlay(bytes.data(), bytes.size(), 1000);
        replayed++;
    }
    EXPECT_GT(replayed, 0) << "no kept inputs found in " << QV_MUSIC_REGRESSIONS_DIR;
}

}   // namespace
