// picture_formats_test.cpp: pictures in every BMP depth and plimsa in other sizes and depths,
// as the window shows them: converted to the 16-bit screen, cut or bordered, recoloured where
// their pixels can hold the key colour.
#include "e2e_fixture.h"

#include <cstdlib>

namespace e2e
{
namespace
{

bool IsBlack(SDL_Surface *frame)
{
    for (int y = 0; y < frame->h; ++y) {
        const auto *row = static_cast<const Uint8 *>(frame->pixels) + y * frame->pitch;
        for (int i = 0; i < frame->w * frame->format->BytesPerPixel; ++i) {
            if (row[i]) {
                return false;
            }
        }
    }
    return true;
}

// Every kind of BMP file that SDL loads and blits right, as the picture of the first scene.
struct PictureKind {
    const char *name;
    BmpLayout layout;
};
const PictureKind kPictureKinds[] = {
    {"Bits1", {1}},
    {"Bits4", {4}},
    {"Bits8", {8}},
    {"Bits8With40Colours", {8, 40, false, false, 40}},
    {"Bits16_555", {16}},
    {"Bits16_565", {16, 40, true}},
    {"Bits24", {24}},
    {"Bits32", {32}},
    {"Bits32WithMasks", {32, 40, true}},
    {"Os2Bits8", {8, 12}},
    {"Os2Bits24", {24, 12}},
    {"V4Bits32WithMasks", {32, 108, true}},
    {"V5Bits16_565", {16, 124, true}},
    {"V5Bits24", {24, 124}},
    {"TopDownBits8", {8, 40, false, true}},
    {"TopDownBits24", {24, 40, false, true}},
    {"TopDownV5Bits32WithMasks", {32, 124, true, true}},
};

const char *FourthByteName(FourthByte fourth)
{
    return fourth == FourthByte::Zero   ? "fourth bytes 0"
           : fourth == FourthByte::Full ? "fourth bytes 0xFF"
                                        : "mixed fourth bytes";
}

// Starts the demo, expects `expected` as its first scene's frame, and ends it with a key.
class FirstSceneTest : public DemoTest
{
  protected:
    void ExpectFirstScene(SDL_Surface *expected, Uint16 unheld = 0)
    {
        const auto demo = Start();
        const WindowId window = AwaitWindow(*demo);
        ASSERT_NE(window, kNoWindow);
        Screenshot shot;
        EXPECT_EQ(AwaitFrame(window, expected, nullptr, &shot, unheld), "");
        PressKey();
        ExpectQuickEnd(*demo);
    }
};

using ThirtyTwoBitTest = FirstSceneTest;

class IsologoDepthTest : public FirstSceneTest, public ::testing::WithParamInterface<PictureKind>
{
};

TEST_P(IsologoDepthTest, FirstSceneShowsThePictureConvertedTo16Bits)
{
    assets_.SaveDefaultPictures();
    const SurfacePtr isologo = PatternPicture(800, 480, 3);
    assets_.Write("isologo.bmp", EncodeBmp(isologo.get(), GetParam().layout));
    assets_.Write("music.xm", TimedSong({{64, 31}}));

    const SurfacePtr expected = SceneFrame(assets_ / "isologo.bmp");
    ASSERT_FALSE(IsBlack(expected.get())) << "SDL does not read the test's own file";
    ExpectFirstScene(expected.get());
}

INSTANTIATE_TEST_SUITE_P(Kinds, IsologoDepthTest, ::testing::ValuesIn(kPictureKinds),
                         [](const ::testing::TestParamInfo<PictureKind> &info) {
                             return std::string(info.param.name);
                         });

// ImageMagick's BMP forms from a 24-bit picture: V4 or V5 headers, 4-bit, RLE8, 1-bit, grayscale,
// 5-6-5, 5-5-5; and BMP3's 40-byte header. 5-5-5 holds no sixth bit of green (SDL2 and
// ImageMagick repeat its top bit there, classic SDL leaves 0).
struct ToolForm {
    const char *name;
    const char *arguments;
    Uint16 unheld = 0;
};
const ToolForm kImageMagickForms[] = {
    {"Palette16", "-colors 16 isologo.bmp"},
    {"Palette256Rle8", "-colors 256 isologo.bmp"},
    {"OneBit", "-monochrome isologo.bmp"},
    {"Grayscale", "-colorspace gray -colors 256 -type grayscale isologo.bmp"},
    {"Rgb565", "-define bmp:subtype=RGB565 isologo.bmp"},
    {"Rgb555", "-define bmp:subtype=RGB555 isologo.bmp", 0x0020},
    {"Bmp3Palette256", "-colors 256 BMP3:isologo.bmp"},
};

// ImageMagick itself, not a stand-in a PATH may put first, in the folder.
int RunImageMagick(const AssetFolder &folder, const std::string &arguments)
{
    const std::string command =
        "cd '" + folder.path().string() + "' && /usr/bin/convert " + arguments + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ImageMagickFormTest : public FirstSceneTest, public ::testing::WithParamInterface<ToolForm>
{
};

TEST_P(ImageMagickFormTest, FirstSceneShowsThePictureAsImageMagickReadsIt)
{
    assets_.SaveDefaultPictures();
    assets_.SavePicture("drawn.bmp", PatternPicture(800, 480, 3).get());
    assets_.Write("music.xm", TimedSong({{64, 31}}));
    const ToolForm &form = GetParam();
    ASSERT_EQ(RunImageMagick(assets_, std::string("drawn.bmp ") + form.arguments), 0);
    // ImageMagick's reading of its file, as a 24-bit BMP, which every loader reads alike.
    ASSERT_EQ(RunImageMagick(assets_, "isologo.bmp -type truecolor BMP3:reference.bmp"), 0);
    ExpectFirstScene(SceneFrame(assets_ / "reference.bmp").get(), form.unheld);
}

INSTANTIATE_TEST_SUITE_P(Forms, ImageMagickFormTest, ::testing::ValuesIn(kImageMagickForms),
                         [](const ::testing::TestParamInfo<ToolForm> &info) {
                             return std::string(info.param.name);
                         });

class PlimsaTest : public DemoTest
{
  protected:
    void SetUp() override
    {
        assets_.SaveDefaultPictures();
        assets_.Write("music.xm", LongScene5Song());
    }
};

// A 32-bit picture shows opaque, as its 24-bit form does, whatever its fourth byte holds: SDL2's
// loader takes that byte for alpha where it is not all zero.
TEST_F(ThirtyTwoBitTest, PictureShowsOpaqueWhateverItsFourthByte)
{
    assets_.SaveDefaultPictures();
    const SurfacePtr isologo = PatternPicture(800, 480, 3);
    assets_.SavePicture("reference.bmp", isologo.get());
    assets_.Write("music.xm", TimedSong({{64, 31}}));
    const SurfacePtr expected = SceneFrame(assets_ / "reference.bmp");
    for (const FourthByte fourth : {FourthByte::Full, FourthByte::Mixed}) {
        SCOPED_TRACE(FourthByteName(fourth));
        assets_.Write("isologo.bmp", EncodeBmp(isologo.get(), 32, fourth));
        ExpectFirstScene(expected.get());
    }
}

TEST_F(PlimsaTest, ThirtyTwoBitPicturesKeyAreasAreRecolouredWhateverTheirFourthByte)
{
    const SurfacePtr plimsa = KeyPicture(800, 480);
    assets_.SavePicture("reference.bmp", plimsa.get());
    const std::vector<bool> mask = KeyMask(assets_ / "reference.bmp");
    ASSERT_GT(std::count(mask.begin(), mask.end(), true), 50000);
    for (const FourthByte fourth : {FourthByte::Zero, FourthByte::Full, FourthByte::Mixed}) {
        SCOPED_TRACE(FourthByteName(fourth));
        assets_.Write("plimsa.bmp", EncodeBmp(plimsa.get(), 32, fourth));
        ExpectScene5WithGradient("reference.bmp");
    }
}

TEST_F(PlimsaTest, EightAndSixteenBitPicturesAreShownWithoutRecolouring)
{
    const SurfacePtr plimsa = KeyPicture(800, 480);
    for (const int bits : {8, 16}) {
        SCOPED_TRACE(std::to_string(bits) + "-bit plimsa");
        assets_.Write("plimsa.bmp", EncodeBmp(plimsa.get(), bits));
        const std::vector<bool> mask = KeyMask(assets_ / "plimsa.bmp");
        ASSERT_EQ(std::count(mask.begin(), mask.end(), true), 0);
        ExpectScene5WithGradient();
    }
}

TEST_F(PlimsaTest, SmallerPictureIsRecolouredWhereItLiesAndBorderedInBlack)
{
    const SurfacePtr plimsa = KeyPicture(320, 200);
    assets_.SavePicture("plimsa.bmp", plimsa.get());
    ExpectScene5WithGradient();
}

TEST_F(PlimsaTest, LargerPictureIsCutAtTheScreensEdges)
{
    const SurfacePtr plimsa = KeyPicture(1024, 768);
    assets_.SavePicture("plimsa.bmp", plimsa.get());
    ExpectScene5WithGradient();
}

} // namespace
} // namespace e2e
