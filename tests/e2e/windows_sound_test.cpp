// windows_sound_test.cpp: the Windows demo under Wine (DEMO_E2E_BINARY naming demo.exe) and its
// sound outputs. Without music.xm it ends with 255 on every SDL audio driver, whether a sound
// server runs or not, and never hangs; with a module, its music reaches the sound server.
#include "e2e_fixture.h"
#include "heard_clock.h"
#include "pulse_server.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <tuple>

namespace e2e
{
namespace
{

// SDL 1.2's audio drivers on Windows; empty: SDL's own choice.
const char *const kDrivers[] = {"", "dsound", "waveout", "dummy"};
// A start-up that fails must end well within this, on any driver.
constexpr auto kNoMusicTimeout = 20s;
constexpr std::uint32_t kRecordRate = 44100;

// Starts a private sound server for the test, or points the demo at none.
class WindowsSoundTest : public DemoTest
{
  protected:
    void SetUp() override
    {
        if (!WindowsDemo()) {
            GTEST_SKIP() << "needs DEMO_E2E_BINARY naming the Windows demo.exe";
        }
    }

    void StartServer()
    {
        std::string error;
        sound_server_ = test::PulseServer::start(error);
        ASSERT_TRUE(sound_server_) << "no PulseAudio server: " << error;
    }

    // The environment for `driver`, with the server started or, without one, a server
    // address where nothing listens (so no sound server of the machine's is found).
    Environment Sound(const std::string &driver) const
    {
        Environment sound{{"SDL_AUDIODRIVER",
                           driver.empty() ? std::nullopt : std::optional<std::string>(driver)}};
        if (!sound_server_) {
            sound["PULSE_SERVER"] = "unix:" + (assets_ / "no-server").string();
        }
        return sound;
    }

    std::unique_ptr<test::PulseServer> sound_server_;
};

class MissingMusicTest : public WindowsSoundTest,
                         public ::testing::WithParamInterface<std::tuple<const char *, bool>>
{
};

TEST_P(MissingMusicTest, EndsWith255BeforeAnyWindow)
{
    const auto [driver, with_server] = GetParam();
    if (with_server) {
        StartServer();
    }
    assets_.SaveDefaultPictures();
    WatchWindowCreation(server_.display());
    const auto demo = Start(Sound(driver));
    ExpectExit(*demo, 255, kNoMusicTimeout);
    EXPECT_EQ(CreatedWindows(server_.display()), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, MissingMusicTest,
                         ::testing::Combine(::testing::ValuesIn(kDrivers), ::testing::Bool()),
                         [](const auto &info) {
                             const std::string driver = std::get<0>(info.param);
                             return (driver.empty() ? std::string("default") : driver) +
                                    (std::get<1>(info.param) ? "_server" : "_no_server");
                         });

class MusicHeardTest : public WindowsSoundTest, public ::testing::WithParamInterface<const char *>
{
};

// The null sink's monitor records exact zeros while nothing plays; a tenth of a second of the
// toned song is far above that.
bool Audible(const std::vector<std::int16_t> &samples)
{
    return std::count_if(samples.begin(), samples.end(),
                         [](std::int16_t s) { return s > 256 || s < -256; }) > 4410;
}

int Peak(const std::vector<std::int16_t> &samples)
{
    int peak = 0;
    for (const std::int16_t s : samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    return peak;
}

TEST_P(MusicHeardTest, MusicReachesTheSoundServer)
{
    StartServer();
    std::string error;
    const auto heard = test::HeardClock::start(kRecordRate, error);
    ASSERT_TRUE(heard) << error;
    assets_.SaveDefaultPictures();
    assets_.Write("music.xm", TonedSong({{64, 31}}));
    const auto demo = Start(Sound(GetParam()));
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitScene(window, "isologo.bmp");
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    while (!Audible(heard->samples()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    heard->stop();
    EXPECT_TRUE(Audible(heard->samples()))
        << "the server played no music: " << heard->samples().size() << " samples recorded, peak "
        << Peak(heard->samples());
    PressKey();
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(Drivers, MusicHeardTest, ::testing::Values("dsound", "waveout"));

} // namespace
} // namespace e2e
