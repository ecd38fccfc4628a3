// bad_pictures_test.cpp: every picture in turn damaged in each way a user's folder may damage
// it. The demo must still run through all seven scenes and end with status 0 on a key. Files
// that SDL would load into pictures it cannot blit safely leave their scene black.
#include "e2e_fixture.h"

#include <thread>

namespace e2e
{
namespace
{

enum class Damage {
    Missing,
    Empty,
    TruncatedHeader,
    TruncatedPixels,
    Garbage,
    HugeDimensions,
    NegativeDimensions,
    Directory,
    OneBit,
    EightBit,
    SixteenBit,
    ThirtyTwoBit,
};

const char *DamageName(Damage damage)
{
    switch (damage) {
    case Damage::Missing:
        return "Missing";
    case Damage::Empty:
        return "Empty";
    case Damage::TruncatedHeader:
        return "TruncatedHeader";
    case Damage::TruncatedPixels:
        return "TruncatedPixels";
    case Damage::Garbage:
        return "Garbage";
    case Damage::HugeDimensions:
        return "HugeDimensions";
    case Damage::NegativeDimensions:
        return "NegativeDimensions";
    case Damage::Directory:
        return "Directory";
    case Damage::OneBit:
        return "OneBit";
    case Damage::EightBit:
        return "EightBit";
    case Damage::SixteenBit:
        return "SixteenBit";
    case Damage::ThirtyTwoBit:
        return "ThirtyTwoBit";
    }
    return "?";
}

// Replaces the picture file `name` (already saved, 800x480 24-bit) with its damaged form.
void Apply(Damage damage, const AssetFolder &assets, const std::string &name)
{
    const std::filesystem::path path = assets / name;
    const std::vector<std::uint8_t> whole = ReadBytes(path);
    SurfacePtr picture(SDL_LoadBMP(path.c_str()));
    ASSERT_TRUE(picture) << SDL_GetError();
    std::filesystem::remove(path);
    switch (damage) {
    case Damage::Missing:
        break;
    case Damage::Empty:
        assets.Write(name, {});
        break;
    case Damage::TruncatedHeader:
        assets.Write(name, {whole.begin(), whole.begin() + 30});
        break;
    case Damage::TruncatedPixels:
        assets.Write(name, {whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)});
        break;
    case Damage::Garbage:
        assets.Write(name, Garbage(whole.size(), 42));
        break;
    case Damage::HugeDimensions:
        assets.Write(name, HugeBmpHeader(0x7FFFFFFF, 0x7FFFFFFF));
        break;
    case Damage::NegativeDimensions:
        // SDL takes a height of -2^31 for a top-down picture and returns a surface whose
        // height is -2^31, over a one-byte buffer.
        assets.Write(name, HugeBmpHeader(800, INT32_MIN));
        break;
    case Damage::Directory:
        std::filesystem::create_directory(path);
        break;
    case Damage::OneBit:
        assets.Write(name, EncodeBmp(picture.get(), 1));
        break;
    case Damage::EightBit:
        assets.Write(name, EncodeBmp(picture.get(), 8));
        break;
    case Damage::SixteenBit:
        assets.Write(name, EncodeBmp(picture.get(), 16));
        break;
    case Damage::ThirtyTwoBit:
        assets.Write(name, EncodeBmp(picture.get(), 32));
        break;
    }
}

using BadPicture = std::tuple<const char *, Damage>;

class BadPictureTest : public DemoTest, public ::testing::WithParamInterface<BadPicture>
{
};

TEST_P(BadPictureTest, DemoPlaysEveryScenePrintsRowsAndEndsWithZeroOnAKey)
{
    const auto [name, damage] = GetParam();
    assets_.SaveDefaultPictures();
    assets_.Write("music.xm", QuickTourSong());
    Apply(damage, assets_, name);

    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    // The tour stays in scene 6 once it has passed scenes 0 to 5. Where loppu cannot be shown,
    // its frame may match the window before the first frame, so give the tour its 2.1 s and a
    // margin as well.
    AwaitScene(window, "loppu.bmp");
    std::this_thread::sleep_for(name == std::string("loppu.bmp") ? 3000ms : 0ms);
    ASSERT_TRUE(demo->Running()) << "stderr:\n" << demo->Stderr();
    PressKey();
    ExpectQuickEnd(*demo);
    const std::vector<unsigned> rows = PrintedRows(demo->Stdout());
    EXPECT_FALSE(rows.empty()) << "scene 5 was never drawn";
}

std::string CaseName(const ::testing::TestParamInfo<BadPicture> &info)
{
    std::string picture = std::get<0>(info.param);
    picture = picture.substr(0, picture.find('.'));
    return picture + "_" + DamageName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    EveryPicture, BadPictureTest,
    ::testing::Combine(::testing::ValuesIn(kPictureFiles),
                       ::testing::Values(Damage::Missing, Damage::Empty, Damage::TruncatedHeader,
                                         Damage::TruncatedPixels, Damage::Garbage,
                                         Damage::HugeDimensions, Damage::Directory, Damage::OneBit,
                                         Damage::EightBit, Damage::SixteenBit, Damage::ThirtyTwoBit,
                                         Damage::NegativeDimensions)),
    CaseName);

const std::vector<UnsafePictureFile> kUnsafeFiles = UnsafePictureFiles();

using UnsafePicture = std::tuple<int, size_t>; // scene, index into kUnsafeFiles

class UnsafePictureTest : public DemoTest, public ::testing::WithParamInterface<UnsafePicture>
{
};

TEST_P(UnsafePictureTest, ItsSceneIsBlackAndTheDemoEndsWithZeroOnAKey)
{
    const auto [scene, file] = GetParam();
    assets_.SaveDefaultPictures();
    assets_.Write(kSceneFiles[scene], kUnsafeFiles[file].bytes);
    // The scenes before pass in 20 ms each; the picture's scene lasts 20 s.
    std::vector<OrderTiming> orders(static_cast<size_t>(scene), OrderTiming{2, 1});
    orders.push_back({64, 31});
    assets_.Write("music.xm", TimedSong(orders));

    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    // The window may be black before the first frame: give the scenes before a second.
    std::this_thread::sleep_for(1s);
    const SurfacePtr black = BlackFrame();
    Screenshot shot;
    EXPECT_EQ(AwaitFrame(window, black.get(), nullptr, &shot), "");
    ASSERT_TRUE(demo->Running()) << "stderr:\n" << demo->Stderr();
    PressKey();
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(EveryScene, UnsafePictureTest,
                         ::testing::Combine(::testing::Range(0, 7),
                                            ::testing::Range<size_t>(0, kUnsafeFiles.size())),
                         [](const ::testing::TestParamInfo<UnsafePicture> &info) {
                             std::string picture = kSceneFiles[std::get<0>(info.param)];
                             picture = picture.substr(0, picture.find('.'));
                             return picture + "_" + kUnsafeFiles[std::get<1>(info.param)].name;
                         });

} // namespace
} // namespace e2e
