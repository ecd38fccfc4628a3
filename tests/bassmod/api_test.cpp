// api_test.cpp: the six operations' contracts on SDL's dummy audio driver: version, Init's
// arguments, loading from files and memory and every way a load can fail, Play, the position
// before and without playback, Free and a fresh start after it, and a silent standard output.
#include "bassmod.h"
#include "library_fixture.h"
#include "test_songs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace
{

using test::kNoModule;
using test::LibraryTest;

constexpr std::uint32_t kPlayOnce = BASSMOD_MUSIC_PLAYONCE;

std::uint32_t order_of(std::uint32_t position)
{
    return position & 0xFFFF;
}

std::vector<std::uint8_t> junk(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto &byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

bool load_file(const std::filesystem::path &path, std::uint32_t offset = 0,
               std::uint32_t length = 0)
{
    return BASSMOD_MusicLoad(0, path.string().c_str(), offset, length, kPlayOnce) != 0;
}

TEST_F(LibraryTest, ReportsVersionTwo)
{
    EXPECT_EQ(BASSMOD_GetVersion(), 2u);
}

TEST_F(LibraryTest, InitAcceptsOnlyTheDefaultDeviceAndPlayableRates)
{
    EXPECT_EQ(BASSMOD_Init(0, 44100, 0), 0);
    EXPECT_EQ(BASSMOD_Init(1, 44100, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-2, 44100, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-1, 0, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-1, 7999, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-1, 192001, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-1, 0xFFFFFFFFu, 0), 0);
    EXPECT_NE(BASSMOD_Init(-1, 44100, 0), 0);
}

TEST_F(LibraryTest, SecondInitFailsAndLeavesTheFirstWorking)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    EXPECT_EQ(BASSMOD_Init(-1, 22050, 0), 0);
    EXPECT_TRUE(load_memory(test::steps_song().bytes));
    EXPECT_NE(BASSMOD_MusicPlay(), 0);
}

TEST_F(LibraryTest, InitFailsWithoutAnAudioDevice)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(BASSMOD_Init(-1, 44100, 0), 0);
    EXPECT_FALSE(load_memory(test::steps_song().bytes)) << "no module without an output";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_NE(BASSMOD_Init(-1, 44100, 0), 0) << "a failed Init leaves nothing behind";
}

TEST_F(LibraryTest, LoadNeedsInit)
{
    EXPECT_FALSE(load_memory(test::steps_song().bytes));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    EXPECT_EQ(BASSMOD_MusicPlay(), 0);
}

TEST_F(LibraryTest, LoadsWholeFileAndReportsStartBeforePlay)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    const auto path = test::write_temp_file("whole.xm", test::steps_song().bytes);
    ASSERT_TRUE(load_file(path));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u) << "nothing plays before Play";
}

TEST_F(LibraryTest, OffsetAndLengthSelectTheModuleInsideLargerData)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    const auto song = test::steps_song().bytes;
    std::vector<std::uint8_t> wrapped = junk(100, 1);
    wrapped.insert(wrapped.end(), song.begin(), song.end());
    const auto size = static_cast<std::uint32_t>(wrapped.size());

    EXPECT_EQ(BASSMOD_MusicLoad(1, wrapped.data(), 0, size, kPlayOnce), 0) << "junk first";
    EXPECT_NE(BASSMOD_MusicLoad(1, wrapped.data(), 100, size, kPlayOnce), 0);

    const auto path = test::write_temp_file("wrapped.xm", wrapped);
    EXPECT_FALSE(load_file(path));
    EXPECT_TRUE(load_file(path, 100));
    EXPECT_TRUE(load_file(path, 100, static_cast<std::uint32_t>(song.size())));
}

TEST_F(LibraryTest, RefusesDataThatIsNotAModule)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    const auto dir = std::filesystem::temp_directory_path();
    EXPECT_FALSE(load_file(dir / "bassmod_no_such_file.xm")) << "missing";
    EXPECT_FALSE(load_file(dir)) << "a directory";
    EXPECT_FALSE(load_file(test::write_temp_file("empty.xm", {}))) << "empty";
    EXPECT_FALSE(load_file(test::write_temp_file("few.xm", {'E', 'x', 't'}))) << "a few bytes";
    EXPECT_FALSE(load_file(test::write_temp_file("junk.xm", junk(4096, 2)))) << "garbage";
    EXPECT_EQ(BASSMOD_MusicLoad(0, nullptr, 0, 0, kPlayOnce), 0) << "no name";

    const auto song = test::steps_song().bytes;
    const auto size = static_cast<std::uint32_t>(song.size());
    const auto path = test::write_temp_file("song.xm", song);
    EXPECT_FALSE(load_file(path, size)) << "offset at the end of the file";
    EXPECT_FALSE(load_file(path, size + 10)) << "offset beyond the file";
    EXPECT_EQ(BASSMOD_MusicLoad(1, song.data(), 0, 0, kPlayOnce), 0) << "no bytes";
    EXPECT_EQ(BASSMOD_MusicLoad(1, song.data(), size, size, kPlayOnce), 0) << "offset at end";
    EXPECT_EQ(BASSMOD_MusicLoad(1, nullptr, 0, 100, kPlayOnce), 0) << "null memory";
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    EXPECT_EQ(BASSMOD_MusicPlay(), 0);
}

TEST_F(LibraryTest, TruncatedModulesAreRefusedOrPlayedWithoutHarm)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    const auto song = test::steps_song().bytes;
    for (const std::size_t size :
         {std::size_t{17}, std::size_t{60}, std::size_t{80}, std::size_t{336}, std::size_t{400},
          song.size() / 2, song.size() - 1}) {
        const std::vector<std::uint8_t> cut(song.begin(),
                                            song.begin() + static_cast<std::ptrdiff_t>(size));
        if (load_memory(cut)) {
            EXPECT_NE(BASSMOD_MusicPlay(), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_NE(BASSMOD_MusicGetPosition(), kNoModule);
        } else {
            EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule) << size << " bytes";
        }
    }
}

TEST_F(LibraryTest, FailedLoadLeavesNothingLoaded)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    ASSERT_TRUE(load_memory(test::steps_song().bytes));
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    EXPECT_FALSE(load_memory(junk(2000, 3)));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    EXPECT_EQ(BASSMOD_MusicPlay(), 0);
}

TEST_F(LibraryTest, LoadingAgainReplacesThePlayingModule)
{
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    ASSERT_TRUE(load_memory(test::steps_song().bytes));
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const auto moved = test::wait_for_position([](std::uint32_t p) { return order_of(p) >= 1; },
                                               std::chrono::seconds(5));
    ASSERT_GE(order_of(moved), 1u);
    ASSERT_TRUE(load_memory(test::jump_back_song().bytes));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u) << "the new module waits for Play";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u);
}

TEST_F(LibraryTest, FreeIsSafeAnyTimeAndEverythingWorksAgainAfterIt)
{
    BASSMOD_Free();
    BASSMOD_Free();
    ASSERT_NE(BASSMOD_Init(-1, 44100, 0), 0);
    ASSERT_TRUE(load_memory(test::steps_song().bytes));
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    BASSMOD_Free();
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    EXPECT_EQ(BASSMOD_MusicPlay(), 0);
    EXPECT_FALSE(load_memory(test::steps_song().bytes)) << "Free also ends Init";
    BASSMOD_Free();

    ASSERT_NE(BASSMOD_Init(-1, 48000, 0), 0);
    ASSERT_TRUE(load_memory(test::steps_song().bytes));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u);
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const auto moved = test::wait_for_position([](std::uint32_t p) { return order_of(p) >= 1; },
                                               std::chrono::seconds(5));
    EXPECT_GE(order_of(moved), 1u) << "plays again after a re-Init";
}

// Runs `body` with standard output going to a file and returns what was written there.
std::string capture_stdout(const std::function<void()> &body)
{
    const auto path = std::filesystem::temp_directory_path() / "bassmod_stdout.txt";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    std::FILE *file = std::fopen(path.string().c_str(), "w+");
    dup2(fileno(file), STDOUT_FILENO);
    body();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    EXPECT_EQ(std::fseek(file, 0, SEEK_SET), 0);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return text;
}

TEST_F(LibraryTest, NeverWritesToStandardOutput)
{
    const std::string printed = capture_stdout([] {
        BASSMOD_Init(-1, 44100, 0);
        load_memory(junk(3000, 4));
        const auto song = test::steps_song().bytes;
        load_memory(std::vector<std::uint8_t>(song.begin(), song.begin() + 400));
        load_memory(song);
        BASSMOD_MusicPlay();
        test::wait_for_position([](std::uint32_t p) { return order_of(p) >= 4; },
                                std::chrono::seconds(5));
        BASSMOD_Free();
    });
    EXPECT_EQ(printed, "");
}

} // namespace
