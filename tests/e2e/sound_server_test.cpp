// sound_server_test.cpp: the demo playing through a private PulseAudio daemon that fails under
// it, on SDL's PulseAudio backend and on ALSA through the pulse plugin: a server that stops
// answering (SIGSTOP) lets a key or SIGTERM end the demo promptly with status 0; one that dies
// leaves the show on time, and a new one hears the music.
#include "e2e_fixture.h"
#include "heard_clock.h"
#include "library_fixture.h"
#include "pulse_server.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace e2e
{
namespace
{

constexpr std::uint32_t kDemoRate = 44100;
// A stalled server holds SDL's audio thread, so the demo ends through the music library's 0.4 s
// shutdown bound; SDL 2 with Mesa (Debian 13) then takes up to a second more, under load, to tear
// the process down. A hang never ends.
constexpr auto kStalledEndTimeout = 2s;

// The demo on a private PulseAudio daemon, through one of SDL's audio drivers.
class SoundServerTest : public DemoTest
{
  protected:
    void SetUp() override { assets_.SaveDefaultPictures(); }
    void TearDown() override
    {
        if (server_) {
            server_->signal(SIGCONT);
        }
    }

    // Starts the server (this process's environment then points at it) and the demo on it.
    std::unique_ptr<DemoProcess> StartOnServer(const std::string &driver)
    {
        std::string error;
        server_ = test::PulseServer::start(error);
        if (!server_) {
            ADD_FAILURE() << "no PulseAudio server: " << error;
            return nullptr;
        }
        // sdl12-compat's SDL 2 names its PulseAudio backend "pulseaudio".
        return Start({{"SDL_AUDIODRIVER",
                       test::is_sdl12_compat() && driver == "pulse" ? "pulseaudio" : driver}});
    }

    std::unique_ptr<test::PulseServer> server_;
};

enum class Ending { Key, Terminate };

class StalledServerTest : public SoundServerTest,
                          public ::testing::WithParamInterface<std::tuple<const char *, Ending>>
{
};

TEST_P(StalledServerTest, EndsTheDemoPromptly)
{
    const auto [driver, ending] = GetParam();
    assets_.Write("music.xm", TimedSong({{64, 31}}));
    const auto demo = StartOnServer(driver);
    ASSERT_TRUE(demo);
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitScene(window, "isologo.bmp");
    server_->signal(SIGSTOP);
    std::this_thread::sleep_for(500ms); // SDL's audio thread is blocked by now
    if (ending == Ending::Key) {
        PressKey();
    } else {
        demo->Signal(SIGTERM);
    }
    ExpectQuickEnd(*demo, kStalledEndTimeout);
}

INSTANTIATE_TEST_SUITE_P(Paths, StalledServerTest,
                         ::testing::Combine(::testing::Values("pulse", "alsa"),
                                            ::testing::Values(Ending::Key, Ending::Terminate)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == Ending::Key ? "Key" : "Sigterm");
                         });

class DeadServerTest : public SoundServerTest, public ::testing::WithParamInterface<const char *>
{
};

// Scene 0 for 2 s, scenes 1 to 4 for 40 ms, then scene 5 for 20 s; a square wave throughout.
TEST_P(DeadServerTest, ShowStaysOnTimeAndANewServerHearsTheMusic)
{
    using Clock = std::chrono::steady_clock;
    assets_.Write("music.xm", TonedSong({{50, 4}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {64, 31}}));
    const auto started = Clock::now(); // the song cannot start before this
    const auto demo = StartOnServer(GetParam());
    ASSERT_TRUE(demo);
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitScene(window, "isologo.bmp");
    const auto scene0_seen = Clock::now(); // the song has started by now
    server_->kill_now();

    // A position frozen by the lost server never gets there; the song does 2.04 s after its start.
    const std::filesystem::path plimsa = assets_ / "plimsa.bmp";
    const std::vector<bool> mask = KeyMask(plimsa);
    const SurfacePtr scene5 = SceneFrame(plimsa);
    Screenshot shot;
    ASSERT_EQ(AwaitFrame(window, scene5.get(), &mask, &shot), "") << "scene 5 never showed";
    const auto scene5_seen = Clock::now();
    EXPECT_GT(scene5_seen - started, 2000ms) << "scene 5 came early";
    EXPECT_LT(scene5_seen - scene0_seen, 6000ms) << "scene 5 came late";

    std::string error;
    ASSERT_TRUE(server_->restart(error)) << error;
    const auto restarted = Clock::now();
    const std::unique_ptr<test::HeardClock> heard = test::HeardClock::start(kDemoRate, error);
    ASSERT_TRUE(heard) << error;
    // A tenth of a second of the square wave, which reaches the sink at about 1/25 of full scale.
    const auto loud = [](std::int16_t sample) { return std::abs(sample) > 500; };
    std::size_t heard_loud = 0;
    while (heard_loud < kDemoRate / 10 && Clock::now() - restarted < 3s) {
        std::this_thread::sleep_for(100ms);
        const std::vector<std::int16_t> samples = heard->samples();
        heard_loud = static_cast<std::size_t>(std::count_if(samples.begin(), samples.end(), loud));
    }
    EXPECT_GE(heard_loud, kDemoRate / 10)
        << "no music on the new server within 3 s of its start; stderr:\n"
        << demo->Stderr();

    PressKey();
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(Paths, DeadServerTest, ::testing::Values("pulse", "alsa"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
} // namespace e2e
