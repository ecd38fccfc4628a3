// e2e_fixture.h: a test with its own X server and asset folder, and the demo's ways of ending.
#pragma once

#include "demo_process.h"
#include "frame_check.h"
#include "test_assets.h"
#include "x_server.h"
#include "x_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace e2e
{

using namespace std::chrono_literals;

// Generous: a sanitizer build starts slowly.
constexpr auto kWindowTimeout = 15s;
constexpr auto kStartFailureTimeout = 15s;
// The demo's window must close this soon after a key press or a window close.
constexpr auto kEndTimeout = 1s;
// Under Wine the window takes longer: hiding it, Wine waits 2 s for a window manager to confirm
// (Xvfb has none), and its process teardown is slow on a busy machine. Normally 2.1 s.
constexpr auto kWineEndTimeout = 8s;
// The process then exits, after the sanitizers' exit checks in their builds.
constexpr auto kExitTimeout = 15s;

// Orders 0 to 4 pass in 10 ms each; order 5 plays 64 rows of 310 ms, 20 s, so that a busy
// machine's slow start-up cannot make a test miss it; then order 6.
std::vector<std::uint8_t> LongScene5Song();

class DemoTest : public ::testing::Test
{
  protected:
    std::unique_ptr<DemoProcess> Start(const Environment &extra = {});
    // Waits for the window and fails the test when none appears.
    WindowId AwaitWindow(DemoProcess &demo);
    // Moves the pointer into the window and presses a key there.
    void PressKey();
    // Polls screenshots until the window shows `frame` (pixels in `skip` and bits in `unheld`
    // aside, as FrameDifference); the last difference, empty on success.
    std::string AwaitFrame(WindowId window, SDL_Surface *frame, const std::vector<bool> *skip,
                           Screenshot *shot, Uint16 unheld = 0);

    // Expects the window to close within kEndTimeout (or `allowed`, when given) and the demo to
    // end with status 0.
    void ExpectQuickEnd(DemoProcess &demo, std::chrono::milliseconds allowed = {});

    // Waits until the window shows the frame of the picture file: the demo's loop is running.
    void AwaitScene(WindowId window, const std::string &picture_file);

    // Waits until the window shows the frame of one of the seven scenes.
    void AwaitAnyScene(WindowId window);

    // Runs the demo until scene 5 is on screen, ends it with a key, and expects the screenshot
    // to show plimsa with the gradient of one of the rows the demo printed in its key areas.
    // `reference`, when given, is the picture file plimsa.bmp should show as.
    void ExpectScene5WithGradient(const std::string &reference = "plimsa.bmp");

    XServer server_;
    AssetFolder assets_;
};

// Expects the demo to end with `status` within `timeout`.
void ExpectExit(DemoProcess &demo, int status, std::chrono::milliseconds timeout);

} // namespace e2e
