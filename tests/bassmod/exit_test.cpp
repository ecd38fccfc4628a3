// exit_test.cpp: a program may end without BASSMOD_Free: after a failed load, after shutting
// SDL down for a failed video mode, or in the middle of playback. The process must still exit
// promptly with its own status, without a crash, a hang or a sanitizer report.
#include "bassmod.h"
#include "test_songs.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace
{

constexpr unsigned kHangSeconds = 20; // a child still alive by then is killed by SIGALRM

class ExitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("SDL_VIDEODRIVER", "dummy", 0);
    }
};

void start_playing()
{
    const auto bytes = test::steps_song().bytes;
    if (BASSMOD_Init(-1, 44100, 0) == 0 ||
        BASSMOD_MusicLoad(1, bytes.data(), 0, static_cast<std::uint32_t>(bytes.size()), 4) == 0 ||
        BASSMOD_MusicPlay() == 0) {
        std::_Exit(100);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

TEST_F(ExitTest, ReturningWhilePlayingExitsCleanly)
{
    EXPECT_EXIT(
        {
            alarm(kHangSeconds);
            start_playing();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ExitTest, ReturningAfterAFailedLoadExitsCleanly)
{
    EXPECT_EXIT(
        {
            alarm(kHangSeconds);
            if (BASSMOD_Init(-1, 44100, 0) == 0) {
                std::_Exit(100);
            }
            const char junk[] = "not a module";
            if (BASSMOD_MusicLoad(1, junk, 0, sizeof junk, BASSMOD_MUSIC_PLAYONCE) != 0) {
                std::_Exit(101);
            }
            std::exit(255);
        },
        ::testing::ExitedWithCode(255), "");
}

TEST_F(ExitTest, ReturningAfterSdlQuitForAFailedVideoModeExitsCleanly)
{
    EXPECT_EXIT(
        {
            alarm(kHangSeconds);
            start_playing();
            if (SDL_Init(SDL_INIT_VIDEO) < 0) {
                std::_Exit(102);
            }
            SDL_Quit(); // also closes the library's audio behind its back
            std::exit(1);
        },
        ::testing::ExitedWithCode(1), "");
}

TEST_F(ExitTest, InitWorksAgainAfterSdlQuitClosedTheAudio)
{
    EXPECT_EXIT(
        {
            alarm(kHangSeconds);
            start_playing();
            SDL_Quit();
            start_playing();
            const std::uint32_t position = BASSMOD_MusicGetPosition();
            BASSMOD_Free();
            std::exit(position == 0xFFFFFFFFu ? 103 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
