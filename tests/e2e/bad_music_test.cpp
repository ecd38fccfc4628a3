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

std::uint32_t Little32(const std::vector<std::uint8_t> &bytes, size_t at)
{
    return bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
           static_cast<std::uint32_t>(bytes.at(at + 3)) << 24;
}

// An XM song cut halfway through the packed data of its second pattern. libopenmpt 0.6 plays the
// part of that pattern it has and 0.7 drops it; both play the whole first pattern, which lasts.
std::vector<std::uint8_t> CutInsideSecondPattern()
{
    const std::vector<std::uint8_t> song = TimedSong({{64, 31}, {64, 31}});
    size_t second = 60 + Little32(song, 60);
    second += Little32(song, second) + (song.at(second + 7) | song.at(second + 8) << 8);
    const size_t packed_size = song.at(second + 7) | song.at(second + 8) << 8;
    return Prefix(song, second + Little32(song, second) + packed_size / 2);
}

const std::vector<BadMusic> &BadMusicCases()
{
    static const std::vector<BadMusic> cases = {
        {"Empty", [](const AssetFolder &a) { a.Write("music.xm", {}); }, Outcome::Refused},
        {"TruncatedHeader",
         [](const AssetFolder &a) { a.Write("music.xm", Prefix(QuickTourSong(), 40)); },
         Outcome::Refused},
        {"TruncatedPatterns",
         [](const AssetFolder &a) { a.Write("music.xm", CutInsideSecondPattern()); },
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
