// bad_music_test.cpp: a damaged or foreign "music.xm". The demo either refuses it, ending with
// 255 before any window opens and printing nothing, or plays it and ends with 0 on a key.
#include "e2e_fixture.h"

#include <functional>

namespace e2e
{
namespace
{

enum class Outcome { Refused, Plays };

struct BadMusic {
    const char *name;
    std::function<void(const AssetFolder &)> write;
    Outcome expected;
};

std::vector<std::uint8_t> Prefix(const std::vector<std::uint8_t> &bytes, size_t size)
{
    return {bytes.begin(), bytes.begin() + static_cast<long>(std::min(size, bytes.size()))};
}

const std::vector<BadMusic> &BadMusicCases()
{
    static const std::vector<BadMusic> cases = {
        {"Empty", [](const AssetFolder &a) { a.Write("music.xm", {}); }, Outcome::Refused},
        {"TruncatedHeader",
         [](const AssetFolder &a) { a.Write("music.xm", Prefix(QuickTourSong(), 40)); },
         Outcome::Refused},
        {"TruncatedPatterns",
         [](const AssetFolder &a) {
             const std::vector<std::uint8_t> song = QuickTourSong();
             a.Write("music.xm", Prefix(song, song.size() * 2 / 3));
         },
         Outcome::Plays},
        {"Garbage", [](const AssetFolder &a) { a.Write("music.xm", Garbage(4096, 7)); },
         Outcome::Refused},
        {"XmSignatureThenGarbage",
         [](const AssetFolder &a) {
             std::vector<std::uint8_t> bytes = Prefix(QuickTourSong(), 17);
             const std::vector<std::uint8_t> rest = Garbage(4096, 8);
             bytes.insert(bytes.end(), rest.begin(), rest.end());
             a.Write("music.xm", bytes);
         },
         Outcome::Refused},
        {"Directory",
         [](const AssetFolder &a) { std::filesystem::create_directory(a / "music.xm"); },
         Outcome::Refused},
        {"ProTrackerMod", [](const AssetFolder &a) { a.Write("music.xm", ModSong()); },
         Outcome::Plays},
    };
    return cases;
}

class BadMusicTest : public DemoTest, public ::testing::WithParamInterface<size_t>
{
};

TEST_P(BadMusicTest, RefusedBeforeAnyWindowOrPlayed)
{
    const BadMusic &music = BadMusicCases()[GetParam()];
    assets_.SaveDefaultPictures();
    music.write(assets_);

    if (music.expected == Outcome::Refused) {
        WatchWindowCreation(server_.display());
        const auto demo = Start();
        ExpectExit(*demo, 255, kStartFailureTimeout);
        EXPECT_EQ(CreatedWindows(server_.display()), 0);
        EXPECT_EQ(demo->Stdout(), "");
        return;
    }
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    AwaitAnyScene(window);
    PressKey();
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(Music, BadMusicTest, ::testing::Range<size_t>(0, BadMusicCases().size()),
                         [](const ::testing::TestParamInfo<size_t> &info) {
                             return std::string(BadMusicCases()[info.param].name);
                         });

} // namespace
} // namespace e2e
