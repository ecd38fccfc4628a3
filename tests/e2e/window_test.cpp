// window_test.cpp: the real demo in a real X11 window: what it shows, and how it ends.
#include "e2e_fixture.h"

#include <algorithm>
#include <thread>

namespace e2e
{
namespace
{

// Scene 0 for 64 rows of 310 ms, far longer than any test waits.
const std::vector<OrderTiming> kLongFirstScene = {{64, 31}};

class WindowTest : public DemoTest
{
  protected:
    void SetUp() override { assets_.SaveDefaultPictures(); }
};

TEST_F(WindowTest, OpensAn800x480WindowShowingIsologoAt16Bits)
{
    assets_.Write("music.xm", TimedSong(kLongFirstScene));
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);

    const Geometry geometry = WindowGeometry(server_.display(), window);
    EXPECT_EQ(geometry.width, 800u);
    EXPECT_EQ(geometry.height, 480u);
    EXPECT_EQ(VisibleTopLevelWindows(server_.display()).size(), 1u);

    const SurfacePtr expected = SceneFrame(assets_ / "isologo.bmp");
    Screenshot shot;
    EXPECT_EQ(AwaitFrame(window, expected.get(), nullptr, &shot), "");

    PressKey();
    ExpectQuickEnd(*demo);
    EXPECT_EQ(demo->Stdout(), "") << "scene 0 prints nothing";
}

TEST_F(WindowTest, Scene5ShowsTheRowsGradientInTheKeyAreasAndPrintsRows)
{
    assets_.Write("music.xm", LongScene5Song());
    const std::vector<bool> mask = KeyMask(assets_ / "plimsa.bmp");
    ASSERT_GT(std::count(mask.begin(), mask.end(), true), 50000);
    ExpectScene5WithGradient();
}

TEST_F(WindowTest, KeyPressEndsTheDemoWithinASecond)
{
    assets_.Write("music.xm", TimedSong(kLongFirstScene));
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitScene(window, "isologo.bmp");
    PressKey();
    ExpectQuickEnd(*demo);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheDemoWithinASecond)
{
    assets_.Write("music.xm", TimedSong(kLongFirstScene));
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitScene(window, "isologo.bmp");
    ASSERT_TRUE(AcceptsDeleteWindow(server_.display(), window))
        << "a window manager would destroy the window instead of asking";
    SendDeleteWindow(server_.display(), window);
    ExpectQuickEnd(*demo);
}

TEST_F(WindowTest, MouseAndFocusChangesDoNotEndTheDemo)
{
    assets_.Write("music.xm", TimedSong(kLongFirstScene));
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);

    // Events sent before the loop runs could be lost, and prove nothing.
    AwaitScene(window, "isologo.bmp");
    const std::string &display = server_.name();
    // Motion inside, out of the window and back (leave and enter), and a click.
    ASSERT_EQ(RunTool(display, {"xdotool", "mousemove", "100", "100"}), 0);
    ASSERT_EQ(RunTool(display, {"xdotool", "mousemove", "900", "700"}), 0);
    ASSERT_EQ(RunTool(display, {"xdotool", "mousemove", "300", "200"}), 0);
    ASSERT_EQ(RunTool(display, {"xdotool", "click", "1"}), 0);
    // Keyboard focus to the window, away from it, and back to following the pointer.
    CycleInputFocus(server_.display(), window);

    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(demo->Running()) << "stderr:\n" << demo->Stderr();
    EXPECT_EQ(VisibleTopLevelWindows(server_.display()).size(), 1u);
    PressKey();
    ExpectQuickEnd(*demo);
}

} // namespace
} // namespace e2e
