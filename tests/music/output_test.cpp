// Playing and stopping through the real output thread and audio device. SDL's dummy
// driver stands in for a sound card; under ThreadSanitizer these tests check that the
// stop protocol hands the player state between the threads cleanly.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "music/mixer.h"
#include "music/module.h"
#include "music/music.h"
#include "music/output.h"
#include "platform/platform.h"

namespace {

// Caps the address space at what the process maps now plus extra bytes.
void LimitAddressSpaceToCurrentPlus(long extra)
{
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%ld", &pages) == 1) {
        const rlim_t bytes = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + extra;
        const rlimit limit = { bytes, bytes };
        setrlimit(RLIMIT_AS, &limit);
    }
    if (statm)
        std::fclose(statm);
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(OutputTest, StartAndStopTheDemoMusic)
{
    StartMusic();
    ASSERT_NE(MusicModule, nullptr);
    PlatformSleep(200);
    StopMusic();
    // The thread has gone: its work is visible here without a race.
    EXPECT_EQ(WaveOutput.currentModule, nullptr);
    EXPECT_EQ(WaveOutput.thread, nullptr);
    EXPECT_TRUE(WaveOutput.threadFinished.load());
    EXPECT_FALSE(WaveOutput.filling.load());
    EXPECT_EQ(WaveOutput.ring, nullptr);
    FreeModule(MusicModule);
    MusicModule = nullptr;
}

TEST_F(OutputTest, StopWhileMixingAndPlayAgain)
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    ASSERT_TRUE(OpenWaveOutput(44100));
    Module* module = LoadModule(nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(PlayModule(nullptr));
    EXPECT_FALSE(StopModule(nullptr));
    for (int round = 0; round < 8; round++) {
        ASSERT_TRUE(PlayModule(module));
        // Stop at once, or after the thread has had time to mix some blocks.
        PlatformSleep((round % 4) * 15);
        EXPECT_TRUE(StopModule(module));
        EXPECT_EQ(WaveOutput.thread, nullptr);
    }
    // The blocks the thread mixed before its last stop are visible and whole.
    EXPECT_GE(WaveOutput.blockIndex, 0);
    EXPECT_LT(WaveOutput.blockIndex, WaveOutput.blockCount);
    CloseWaveOutput();
    EXPECT_TRUE(FreeModule(module));
}

TEST_F(OutputTest, ThreadKeepsTheRingFilledWhileTheDevicePlays)
{
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    ASSERT_TRUE(OpenWaveOutput(44100));
    Module* module = LoadModule(nullptr);
    ASSERT_NE(module, nullptr);
    ASSERT_TRUE(PlayModule(module));
    PlatformSleep(300);
    const uint32_t before = PlatformAudioFramesPlayed();
    StopModule(module);
    const uint32_t after = PlatformAudioFramesPlayed();
    // The device plays on its own clock and the thread follows it block by block:
    // never ahead of the block being played, and not far behind (some slack for a
    // loaded machine). 300 ms is far from the ring's 2 s wrap.
    ASSERT_GT(before, 884u);
    ASSERT_LT(after, 88400u);
    const int32_t playingBefore = static_cast<int32_t>(before / 884);
    const int32_t playingAfter = static_cast<int32_t>(after / 884);
    EXPECT_GT(WaveOutput.blockIndex, 0);
    EXPECT_LE(WaveOutput.blockIndex, playingAfter);
    EXPECT_GE(WaveOutput.blockIndex, playingBefore - 10);
    CloseWaveOutput();
    FreeModule(module);
}

TEST_F(OutputTest, ClosingWhatWasNeverOpenedIsHarmless)
{
    CloseWaveOutput();
    StopMusic();
    EXPECT_EQ(WaveOutput.ring, nullptr);
}

// No device: the demo's one console line, its exit code, and the audio system's
// reason on stderr for whoever looks into it.
TEST_F(OutputTest, NoDeviceEndsTheDemoWithTheReason)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EXIT(StartMusic(), ::testing::ExitedWithCode(EXIT_NO_SOUND), "Sound init failed: .*no-such-driver");
}

// No room for the output thread's stack (an address-space limit, as a small machine or
// a container may set): playing reports it and leaves the device quiet instead of
// aborting or looping the first two seconds; the demo's start-up turns that into
// "Sound init failed." and EXIT_NO_MUSIC_THREAD.
TEST_F(OutputTest, AnOutputThreadThatCannotStartIsReported)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own mappings do not live under an address-space limit";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
            Module* module = OpenWaveOutput(OUTPUT_RATE) ? LoadModule(nullptr) : nullptr;
            // New threads ask for a stack larger than the room left.
            pthread_attr_t large;
            pthread_attr_init(&large);
            pthread_attr_setstacksize(&large, size_t{512} << 20);
            pthread_setattr_default_np(&large);
            LimitAddressSpaceToCurrentPlus(64 << 20);
            const bool played = module && PlayModule(module);
            std::exit(module && !played && !WaveOutput.thread && !WaveOutput.currentModule ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

}   // namespace

