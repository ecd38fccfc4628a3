// picture_formats_test.cpp: pictures in every BMP depth and plimsa in other sizes and depths,
// as the window shows them: converted to the 16-bit screen, cut or bordered, recoloured where
// their pixels can hold the key colour.
#include "e2e_fixture.h"

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

class IsologoDepthTest : public DemoTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(IsologoDepthTest, FirstSceneShowsThePictureConvertedTo16Bits)
{
    assets_.SaveDefaultPictures();
    const SurfacePtr isologo = PatternPicture(800, 480, 3);
    assets_.Write("isologo.bmp", EncodeBmp(isologo.get(), GetParam()));
    assets_.Write("music.xm", TimedSong({{64, 31}}));

    const SurfacePtr expected = SceneFrame(assets_ / "isologo.bmp");
    ASSERT_FALSE(IsBlack(expected.get())) << "SDL does not read the test's own file";
    const auto demo = Start();
    const WindowId window = AwaitWindow(*demo);
    ASSERT_NE(window, kNoWindow);
    Screenshot shot;
    EXPECT_EQ(AwaitFrame(window, expected.get(), nullptr, &shot), "");
    PressKey();
    ExpectQuickEnd(*demo);
}

INSTANTIATE_TEST_SUITE_P(Bits, IsologoDepthTest, ::testing::Values(1, 8, 16, 32));

class PlimsaTest : public DemoTest
{
  protected:
    void SetUp() override
    {
        assets_.SaveDefaultPictures();
        assets_.Write("music.xm", LongScene5Song());
    }
};

TEST_F(PlimsaTest, ThirtyTwoBitPicturesKeyAreasAreRecoloured)
{
    const SurfacePtr plimsa = KeyPicture(800, 480);
    assets_.Write("plimsa.bmp", EncodeBmp(plimsa.get(), 32));
    const std::vector<bool> mask = KeyMask(assets_ / "plimsa.bmp");
    ASSERT_GT(std::count(mask.begin(), mask.end(), true), 50000);
    ExpectScene5WithGradient();
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
