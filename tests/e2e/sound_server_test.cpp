// sound_server_test.cpp: the demo playing through a private PulseAudio daemon that stops
// answering (SIGSTOP): a key or SIGTERM still ends it promptly with status 0, on SDL's PulseAudio
// backend and on ALSA through the pulse plugin.
#include "e2e_fixture.h"
#include "pulse_server.h"

#include <csignal>
#include <thread>

namespace e2e
{
namespace
{

enum class Ending { Key, Terminate };

class StalledServerTest : public DemoTest,
                          public ::testing::WithParamInterface<std::tuple<const char *, Ending>>
{
  protected:
    void TearDown() override
    {
        if (server_) {
            server_->signal(SIGCONT);
        }
    }
    std::unique_ptr<test::PulseServer> server_;
};

TEST_P(StalledServerTest, EndsTheDemoWithinASecond)
{
    const auto [driver, ending] = GetParam();
    std::string error;
    server_ = test::PulseServer::start(error); // this process's environment now points at it
    ASSERT_TRUE(server_) << "no PulseAudio server: " << error;
    assets_.Write("music.xm", TimedSong({{64, 31}}));
    const SDL_version *sdl = SDL_Linked_Version();
    const bool compat = sdl->patch >= 50; // sdl12-compat's SDL 2 names its backend "pulseaudio"
    const auto demo = Start(
        {{"SDL_AUDIODRIVER", compat && std::string(driver) == "pulse" ? "pulseaudio" : driver}});
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
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(Paths, StalledServerTest,
                         ::testing::Combine(::testing::Values("pulse", "alsa"),
                                            ::testing::Values(Ending::Key, Ending::Terminate)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == Ending::Key ? "Key" : "Sigterm");
                         });

} // namespace
} // namespace e2e
