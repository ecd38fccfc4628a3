// e2e_fixture.cpp: starting the demo on the test's server and driving it like a user.
#include "e2e_fixture.h"

#include <algorithm>
#include <thread>

namespace e2e
{

std::vector<std::uint8_t> LongScene5Song()
{
    return TimedSong({{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {64, 31}, {4, 1}});
}

std::unique_ptr<DemoProcess> DemoTest::Start(const Environment &extra)
{
    Environment environment = WindowEnvironment(server_.name());
    for (const auto &[name, value] : extra) {
        environment[name] = value;
    }
    return std::make_unique<DemoProcess>(assets_.path(), environment);
}

WindowId DemoTest::AwaitWindow(DemoProcess &demo)
{
    const std::optional<WindowId> window = WaitForWindow(server_.display(), demo, kWindowTimeout);
    if (!window) {
        ADD_FAILURE() << "no window appeared; demo " << (demo.Running() ? "still running" : "ended")
                      << "; stderr:\n"
                      << demo.Stderr();
        return kNoWindow;
    }
    return *window;
}

void DemoTest::PressKey()
{
    // No --sync: xdotool then waits for motion, for 15 s when the pointer is already there. The
    // server handles the motion before the key, as both come from one connection.
    ASSERT_EQ(RunTool(server_.name(), {"xdotool", "mousemove", "400", "240", "key", "space"}), 0);
}

std::string DemoTest::AwaitFrame(WindowId window, SDL_Surface *frame, const std::vector<bool> *skip,
                                 Screenshot *shot, Uint16 unheld)
{
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    std::string difference;
    do {
        *shot = Capture(server_.display(), window);
        difference = FrameDifference(*shot, frame, skip, unheld);
        if (difference.empty()) {
            break;
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return difference;
}

void ExpectExit(DemoProcess &demo, int status, std::chrono::milliseconds timeout)
{
    const std::optional<int> exit_status = demo.WaitForExit(timeout);
    if (!exit_status) {
        ADD_FAILURE() << "the demo still runs after " << timeout.count() << " ms";
        return;
    }
    EXPECT_EQ(*exit_status, status) << "stderr:\n" << demo.Stderr();
}

void DemoTest::ExpectQuickEnd(DemoProcess &demo, std::chrono::milliseconds allowed)
{
    if (allowed == std::chrono::milliseconds{}) {
        allowed = WindowsDemo() ? kWineEndTimeout : kEndTimeout;
    }
    const auto deadline = std::chrono::steady_clock::now() + allowed;
    while (!VisibleTopLevelWindows(server_.display()).empty()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "the window is still open " << allowed.count() << " s later";
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    ExpectExit(demo, 0, kExitTimeout);
}

void DemoTest::AwaitScene(WindowId window, const std::string &picture_file)
{
    const SurfacePtr frame = SceneFrame(assets_ / picture_file);
    Screenshot shot;
    ASSERT_EQ(AwaitFrame(window, frame.get(), nullptr, &shot), "") << picture_file;
}

void DemoTest::AwaitAnyScene(WindowId window)
{
    std::vector<SurfacePtr> frames;
    frames.reserve(kSceneFiles.size());
    for (const char *file : kSceneFiles) {
        frames.push_back(SceneFrame(assets_ / file));
    }
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    do {
        const Screenshot shot = Capture(server_.display(), window);
        for (const SurfacePtr &frame : frames) {
            if (FrameDifference(shot, frame.get()).empty()) {
                return;
            }
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    ADD_FAILURE() << "the window never showed a scene";
}

void DemoTest::ExpectScene5WithGradient(const std::string &reference)
{
    const std::filesystem::path plimsa = assets_ / reference;
    const std::vector<bool> mask = KeyMask(plimsa);
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    // Scene 5 is on screen once everything outside the key areas shows plimsa.
    const SurfacePtr picture = SceneFrame(plimsa);
    Screenshot shot;
    ASSERT_EQ(AwaitFrame(window, picture.get(), &mask, &shot), "");
    PressKey();
    ExpectQuickEnd(*demo);

    const std::vector<unsigned> rows = PrintedRows(demo->Stdout());
    ASSERT_FALSE(rows.empty()) << "no row lines on standard output";
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end())) << "rows go back within one order";
    EXPECT_LT(rows.back(), 64u);

    std::vector<unsigned> distinct = rows;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::string differences;
    for (const unsigned row : distinct) {
        SurfacePtr frame = SceneFrame(plimsa);
        PaintGradient(frame.get(), mask, row);
        const std::string difference = FrameDifference(shot, frame.get());
        if (difference.empty()) {
            return;
        }
        differences += "row " + std::to_string(row) + ": " + difference + "\n";
    }
    ADD_FAILURE() << "the screenshot matches the gradient of no printed row:\n" << differences;
}

} // namespace e2e
