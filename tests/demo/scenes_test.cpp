// scenes_test.cpp: DrawScreen's frames against frames composed here (clear, SDL blit, gradient),
// the row printed in scene 5 only, and the lock around the gradient's pixel writes.
#include "demo.h"
#include "expected_scenes.h"
#include "music_double.h"
#include "test_surfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace
{

int CountLines(const std::string &log, const std::string &prefix)
{
    int count = 0;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (log.compare(start, prefix.size(), prefix) == 0)
            count++;
        start = end == std::string::npos ? log.size() : end + 1;
    }
    return count;
}

class DrawScreenTest : public ::testing::Test
{
  protected:
    SDL_Surface *screen = nullptr;
    std::vector<SurfacePtr> pictures;
    std::map<std::string, SDL_Surface *> by_file;

    void SetUp() override
    {
        DoubleReset("");
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 480, 16, SDL_HWSURFACE);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        ASSERT_EQ(screen->format->BytesPerPixel, 2);

        // Pictures of other formats than the screen's, smaller and larger than it.
        isologo = Picture("isologo.bmp", "rgb24", 800, 480, 1);
        tehdas = Picture("tehdas.bmp", "xrgb32", 300, 200, 2);
        quelpsaksa = Picture("quelpsaksa.bmp", "rgb24", 900, 600, 3);
        pilvet = Picture("pilvet.bmp", "paletted8", 800, 480, 4);
        quelpmad = Picture("quelpmad.bmp", "rgb565", 800, 480, 5);
        loppu = Picture("loppu.bmp", "rgb555", 640, 480, 6);
        porkkana = Picture("porkkana.bmp", "rgb24", 800, 480, 7);
        blimt = Picture("blimt.bmp", "rgb24", 800, 480, 8);
        plimsa = Picture("plimsa.bmp", "rgb24", 800, 480, 9);
        // Key-coloured areas: a band across the picture and a block at the top-left corner.
        Uint32 red = SDL_MapRGB(plimsa->format, 255, 0, 0);
        SDL_Rect band = {0, 90, 800, 20}, corner = {0, 0, 13, 9};
        SDL_FillRect(plimsa, &band, red);
        SDL_FillRect(plimsa, &corner, red);
    }

    void TearDown() override
    {
        ClearPictureSet();
        pictures.clear();
        SDL_Quit();
    }

    // A picture of the set, made as if loaded from `file`.
    SDL_Surface *Picture(const char *file, const char *format, int width, int height, unsigned seed)
    {
        pictures.push_back(MakeSurface(FormatNamed(format), width, height));
        FillNoise(pictures.back().get(), seed);
        by_file[file] = pictures.back().get();
        return pictures.back().get();
    }

    // The frame DrawScreen should present, composed independently of it.
    SurfacePtr ExpectedFrame(SDL_Surface *picture, Uint32 row, bool recolour)
    {
        SDL_PixelFormat *f = screen->format;
        SurfacePtr frame(SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, f->BitsPerPixel,
                                              f->Rmask, f->Gmask, f->Bmask, f->Amask));
        SDL_FillRect(frame.get(), nullptr, 0);
        if (picture) {
            EXPECT_EQ(SDL_BlitSurface(picture, nullptr, frame.get(), nullptr), 0);
        }
        if (!recolour || !plimsa)
            return frame;
        for (int y = 0; y < 480; y++) {
            for (int x = 0; x < 800; x++) {
                const Uint8 *p = PixelAddress(plimsa, x, y);
                if (p[0] != 0 || p[1] != 0 || p[2] != 0xFF) // pure red, little-endian order
                    continue;
                Uint16 colour = (Uint16)SDL_MapRGB(f, ((y + row * 100) / 16) % 256, x / 8, y / 4);
                std::memcpy(PixelAddress(frame.get(), x, y), &colour, sizeof colour);
            }
        }
        return frame;
    }

    // Draws one frame for the position over a screen full of noise; returns what it printed.
    std::string Draw(SDL_Surface *target, Uint32 position)
    {
        DoubleReset("positions " + std::to_string(position));
        FillNoise(target, position);
        testing::internal::CaptureStdout();
        DrawScreen(target);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(DrawScreenTest, EachSceneShowsItsPictureOnBlack)
{
    for (Uint32 order = 0; order < kSceneFiles.size(); order++) {
        if (order == 5)
            continue;
        EXPECT_EQ(Draw(screen, 3 << 16 | order), "") << "order " << order;
        SurfacePtr expected = ExpectedFrame(by_file.at(kSceneFiles[order]), 3, false);
        EXPECT_EQ(PixelDifference(screen, expected.get()), "") << "order " << order;
        EXPECT_EQ(CountLines(DoubleLog(), "BASSMOD_MusicGetPosition"), 1);
        EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 1);
    }
}

TEST_F(DrawScreenTest, RowDoesNotChangeOtherScenes)
{
    Draw(screen, 0 << 16 | 0);
    SurfacePtr at_row_0 = CopySurface(screen);
    Draw(screen, 7 << 16 | 0);
    EXPECT_EQ(PixelDifference(screen, at_row_0.get()), "");
}

TEST_F(DrawScreenTest, UnlistedOrdersAreBlack)
{
    SurfacePtr black = ExpectedFrame(nullptr, 0, false);
    for (Uint32 position : {0x00000007u, 0x00050007u, 0x0000FFFFu, 0xFFFFFFFFu}) {
        EXPECT_EQ(Draw(screen, position), "") << std::hex << position;
        EXPECT_EQ(PixelDifference(screen, black.get()), "") << std::hex << position;
        EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 1);
    }
}

TEST_F(DrawScreenTest, SceneFivePrintsTheRowAndRecoloursTheKeyAreas)
{
    for (Uint32 row : {0u, 32u, 40u, 41u, 65535u}) {
        EXPECT_EQ(Draw(screen, row << 16 | 5), std::to_string(row) + "\n");
        SurfacePtr expected = ExpectedFrame(plimsa, row, true);
        EXPECT_EQ(PixelDifference(screen, expected.get()), "") << "row " << row;
        EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 1);
    }
}

TEST_F(DrawScreenTest, SceneFiveWithoutItsPictureIsBlack)
{
    plimsa = nullptr;
    EXPECT_EQ(Draw(screen, 32 << 16 | 5), "32\n");
    SurfacePtr black = ExpectedFrame(nullptr, 0, false);
    EXPECT_EQ(PixelDifference(screen, black.get()), "");
    EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 1);
}

// A screen that SDL requires to be locked: the picture still appears (blits run unlocked) and
// the gradient is written under the lock, which is released before the flip.
TEST_F(DrawScreenTest, LockingScreenShowsTheWholeFrame)
{
    SurfacePtr locking = MakeSurface(FormatNamed("rgb565"), 800, 480);
    locking->flags |= SDL_HWSURFACE;
    ASSERT_TRUE(SDL_MUSTLOCK(locking.get()));
    SDL_Surface *visible = screen;
    screen = locking.get();

    EXPECT_EQ(Draw(screen, 32 << 16 | 5), "32\n");
    SurfacePtr expected = ExpectedFrame(plimsa, 32, true);
    EXPECT_EQ(PixelDifference(screen, expected.get()), "");
    EXPECT_EQ(screen->locked, 0);
    EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 1);

    screen = visible;
    locking->flags &= ~SDL_HWSURFACE;
}

TEST_F(DrawScreenTest, FailedLockSkipsTheRestOfTheFrame)
{
    SurfacePtr locking = MakeSurface(FormatNamed("rgb565"), 800, 480);
    locking->flags |= SDL_HWSURFACE;
    FillNoise(locking.get(), 5);
    SurfacePtr before = CopySurface(locking.get());

    DoubleReset("positions 0x00200005; fail SDL_LockSurface");
    testing::internal::CaptureStdout();
    DrawScreen(locking.get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "32\n");

    // No gradient: every key pixel is as it was, or as the plain blit left it where the SDL in
    // use clears and blits without that lock (classic SDL needs it for those as well).
    SurfacePtr blitted = ExpectedFrame(plimsa, 32, false);
    int painted = 0;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 800; x++) {
            const Uint8 *p = PixelAddress(plimsa, x, y);
            if (p[0] != 0 || p[1] != 0 || p[2] != 0xFF) // pure red, little-endian order
                continue;
            const Uint8 *shown = PixelAddress(locking.get(), x, y);
            painted += std::memcmp(shown, PixelAddress(before.get(), x, y), 2) != 0 &&
                       std::memcmp(shown, PixelAddress(blitted.get(), x, y), 2) != 0;
        }
    }
    EXPECT_EQ(painted, 0) << "key pixels painted without the lock";
    EXPECT_EQ(locking->locked, 0);
    EXPECT_EQ(CountLines(DoubleLog(), "SDL_Flip"), 0);
    locking->flags &= ~SDL_HWSURFACE;
}

} // namespace
