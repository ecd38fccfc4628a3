// startup_test.cpp: the demo's start-up failures as a user meets them.
#include "e2e_fixture.h"

namespace e2e
{
namespace
{

class StartupTest : public DemoTest
{
};

TEST_F(StartupTest, MissingMusicEndsWith255BeforeAnyWindowAndPrintsNothing)
{
    assets_.SaveDefaultPictures();
    WatchWindowCreation(server_.display());
    const auto demo = Start();
    ExpectExit(*demo, 255, kStartFailureTimeout);
    EXPECT_EQ(CreatedWindows(server_.display()), 0);
    EXPECT_EQ(demo->Stdout(), "");
}

TEST(NoDisplayTest, WithoutAnXServerTheDemoEndsWith1)
{
    AssetFolder assets;
    assets.SaveDefaultPictures();
    assets.Write("music.xm", QuickTourSong());
    Environment environment = WindowEnvironment(UnusedDisplayName());
    DemoProcess demo(assets.path(), environment);
    ExpectExit(demo, 1, kStartFailureTimeout);
    EXPECT_EQ(demo.Stdout(), "");
}

} // namespace
} // namespace e2e
