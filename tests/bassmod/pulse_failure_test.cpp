// pulse_failure_test.cpp: the music library when its sound server fails under it: a server that
// stops answering (SIGSTOP) must not trap the program's shutdown, and one that dies must not stop
// the position; a new server at the same address hears the music again.
#include "bassmod.h"
#include "heard_clock.h"
#include "library_fixture.h"
#include "pulse_server.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kLoop = 4;

class PulseFailureTest : public test::LibraryTest,
                         public ::testing::WithParamInterface<const char *>
{
  protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        server_ = test::PulseServer::start(error_);
        ASSERT_TRUE(server_) << "no PulseAudio server: " << error_;
        // SDL 2 (under sdl12-compat) names its PulseAudio backend "pulseaudio".
        const std::string driver = GetParam();
        setenv("SDL_AUDIODRIVER",
               driver == "pulse" && test::is_sdl12_compat() ? "pulseaudio" : GetParam(), 1);
    }
    void TearDown() override
    {
        BASSMOD_Free();
        if (server_) {
            server_->signal(SIGCONT);
        }
    }

    // The click track (one row every 45 ms), looped, playing from now on.
    static Clock::time_point start_clicks()
    {
        const test::Song song = test::click_song();
        if (BASSMOD_Init(-1, test::kRate, 0) == 0 || !load_memory(song.bytes, kLoop) ||
            BASSMOD_MusicPlay() == 0) {
            ADD_FAILURE() << "the click track does not play";
        }
        return Clock::now();
    }

    static double rows_since(Clock::time_point start)
    {
        const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
        return elapsed.count() * test::kRate / 1000.0 / test::kClickRowFrames;
    }

    std::unique_ptr<test::PulseServer> server_;
    std::string error_;
};

// A hung server blocks SDL's audio thread for good. The position runs on, and the shutdown that
// would wait for that thread ends the process promptly with a normal end's status instead.
TEST_P(PulseFailureTest, StalledServerNeitherStopsThePositionNorTrapsTheShutdown)
{
    const auto before = Clock::now();
    EXPECT_EXIT(
        {
            alarm(20); // a hang ends by SIGALRM, not with status 0
            start_clicks();
            std::this_thread::sleep_for(milliseconds(300));
            server_->signal(SIGSTOP);
            std::this_thread::sleep_for(milliseconds(1000));
            const std::uint32_t stalled = BASSMOD_MusicGetPosition();
            std::this_thread::sleep_for(milliseconds(500)); // 11 rows
            if (bassmod::row_of(BASSMOD_MusicGetPosition()) < bassmod::row_of(stalled) + 5) {
                std::_Exit(101);
            }
            BASSMOD_Free();
            std::_Exit(102); // the driver let go of a stalled server's device after all
        },
        ::testing::ExitedWithCode(0), "");
    // 1.8 s of playing and waiting, then the shutdown's bound of 0.4 s.
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(6));
}

// A server that dies ends SDL's audio thread; the position keeps time on the library's clock,
// and once a new server listens at the same address the music is heard there again.
TEST_P(PulseFailureTest, DeadServerKeepsTimeAndANewOneHearsTheMusic)
{
    const Clock::time_point start = start_clicks();
    std::this_thread::sleep_for(milliseconds(300));
    server_->kill_now();
    std::this_thread::sleep_for(milliseconds(1700));
    // A frozen position would still show row 7; on time it is at row 44.
    EXPECT_NEAR(bassmod::row_of(BASSMOD_MusicGetPosition()), rows_since(start), 8.0);

    ASSERT_TRUE(server_->restart(error_)) << error_;
    const auto restarted = Clock::now();
    std::unique_ptr<test::HeardClock> heard = test::HeardClock::start(test::kRate, error_);
    ASSERT_TRUE(heard) << error_;
    std::vector<std::uint64_t> clicks;
    while (clicks.size() < 3 && Clock::now() - restarted < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(milliseconds(100));
        clicks = test::find_clicks(heard->samples(), 2000, 200, test::kClickRowFrames / 2);
        BASSMOD_MusicGetPosition(); // the program keeps asking, as a frame loop does
    }
    EXPECT_GE(clicks.size(), 3u) << "no music on the new server within 3 s of its start";
}

INSTANTIATE_TEST_SUITE_P(Paths, PulseFailureTest, ::testing::Values("pulse", "alsa"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
