// recolour_test.cpp: the key-colour gradient: worked values, the exact key, and the optimised
// pass against a literal per-pixel pass on every pixel format and picture size.
#include "demo.h"
#include "test_surfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace
{

const Uint32 KEY = 0x00FF0000;

// The pass as plainly written: every pixel of the scan area through getpixel and putpixel.
void LiteralRecolour(SDL_Surface *screen, SDL_Surface *key, Uint32 row)
{
    int width = std::min({800, key->w, screen->w});
    int height = std::min({480, key->h, screen->h});
    Uint32 t = row * 100;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (getpixel(key, x, y) != KEY)
                continue;
            Uint8 red = ((y + t) >> 4) & 0xFF, green = (x >> 3) & 0xFF, blue = (y >> 2) & 0xFF;
            putpixel(screen, x, y, SDL_MapRGB(screen->format, red, green, blue));
        }
    }
}

// Key pictures mixing lone key pixels, runs of them, whole key rows, near misses and bytes of
// 0xFF that are not the key.
void FillKeyPicture(SDL_Surface *key, unsigned seed)
{
    std::mt19937 random(seed);
    const Uint32 near_misses[] = {0x00FE0000, 0x00FF0001, 0x00FF0100, 0x01FF0000, 0xFFFFFFFF,
                                  0x0000FF00, 0x000000FF, 0x00FFFFFF, 0xFF00FF00};
    for (int y = 0; y < key->h; y++) {
        for (int x = 0; x < key->w; x++) {
            Uint32 value = random();
            unsigned choice = random() % 10;
            if (y % 37 == 5 || (x / 8 + y) % 11 == 0 || choice < 3)
                value = KEY;
            else if (choice < 6)
                value = near_misses[random() % std::size(near_misses)];
            putpixel(key, x, y, value);
        }
    }
}

class RecolourTest : public ::testing::Test
{
  protected:
    void TearDown() override { ClearPictureSet(); }
};

TEST_F(RecolourTest, PaintsTheWorkedGradientValues)
{
    SurfacePtr key = MakeSurface(FormatNamed("rgb24"), 800, 480);
    SDL_FillRect(key.get(), nullptr, SDL_MapRGB(key->format, 255, 0, 0));
    SurfacePtr screen = MakeSurface(FormatNamed("xrgb32"), 800, 480);
    plimsa = key.get();

    struct Worked {
        Uint32 row;
        int x, y;
        Uint8 red, green, blue;
    };
    const Worked worked[] = {{0, 0, 0, 0, 0, 0},      {0, 799, 479, 29, 99, 119},
                             {32, 0, 0, 200, 0, 0},   {32, 799, 479, 229, 99, 119},
                             {40, 0, 95, 255, 0, 23}, {40, 0, 96, 0, 0, 24},
                             {41, 0, 0, 0, 0, 0}};
    for (const Worked &w : worked) {
        SDL_FillRect(screen.get(), nullptr, SDL_MapRGB(screen->format, 7, 7, 7));
        RecolourKeyPixels(screen.get(), w.row);
        Uint8 red, green, blue;
        SDL_GetRGB(getpixel(screen.get(), w.x, w.y), screen->format, &red, &green, &blue);
        EXPECT_EQ(red, w.red) << "row " << w.row << " at (" << w.x << ", " << w.y << ")";
        EXPECT_EQ(green, w.green) << "row " << w.row << " at (" << w.x << ", " << w.y << ")";
        EXPECT_EQ(blue, w.blue) << "row " << w.row << " at (" << w.x << ", " << w.y << ")";
    }
}

TEST_F(RecolourTest, RepaintsOnlyExactlyPureRed)
{
    SurfacePtr key = MakeSurface(FormatNamed("rgb24"), 800, 480);
    SDL_FillRect(key.get(), nullptr, SDL_MapRGB(key->format, 255, 255, 255));
    const SDL_Color shades[] = {{254, 0, 0, 0}, {255, 0, 1, 0}, {255, 1, 0, 0}, {255, 0, 0, 0}};
    for (int i = 0; i < 4; i++) {
        SDL_Rect dot = {(Sint16)(100 + i), 50, 1, 1};
        SDL_FillRect(key.get(), &dot,
                     SDL_MapRGB(key->format, shades[i].r, shades[i].g, shades[i].b));
    }
    SurfacePtr screen = MakeSurface(FormatNamed("xrgb32"), 800, 480);
    Uint32 grey = SDL_MapRGB(screen->format, 7, 7, 7);
    SDL_FillRect(screen.get(), nullptr, grey);
    plimsa = key.get();

    RecolourKeyPixels(screen.get(), 32);

    SurfacePtr expected = MakeSurface(FormatNamed("xrgb32"), 800, 480);
    SDL_FillRect(expected.get(), nullptr, grey);
    // (103, 50) at row 32: red (50 + 3200) / 16 = 203, green 103 / 8 = 12, blue 50 / 4 = 12.
    putpixel(expected.get(), 103, 50, SDL_MapRGB(expected->format, 203, 12, 12));
    EXPECT_EQ(PixelDifference(screen.get(), expected.get()), "");
}

TEST_F(RecolourTest, WithoutAPictureLeavesTheScreenAlone)
{
    SurfacePtr screen = MakeSurface(FormatNamed("rgb565"), 800, 480);
    FillNoise(screen.get(), 1);
    SurfacePtr before = CopySurface(screen.get());
    plimsa = nullptr;
    RecolourKeyPixels(screen.get(), 32);
    EXPECT_EQ(PixelDifference(screen.get(), before.get()), "");
}

// Every screen format against every key picture format, at full size, with a picture smaller
// than the scan area (odd sizes, padded rows) and with a screen smaller than the picture.
TEST_F(RecolourTest, MatchesTheLiteralPassOnEveryFormatAndSize)
{
    struct Sizes {
        int key_width, key_height, screen_width, screen_height;
    };
    const Sizes sizes[] = {{800, 480, 800, 480}, {797, 473, 800, 480}, {803, 487, 641, 401}};
    const Uint32 rows[] = {40, 65535};
    unsigned seed = 0;
    for (const PixelFormat &key_format : AllPixelFormats()) {
        // Pictures of 1 or 2 bytes per pixel cannot hold the key: one of each, at full size.
        bool narrow = key_format.bits <= 16;
        if (key_format.bits == 16 && key_format.rmask == 0x7C00)
            continue;
        for (const Sizes &size : sizes) {
            if (narrow && &size != &sizes[0])
                continue;
            SurfacePtr key = MakeSurface(key_format, size.key_width, size.key_height);
            FillKeyPicture(key.get(), ++seed);
            plimsa = key.get();
            for (const PixelFormat &screen_format : AllPixelFormats()) {
                for (Uint32 row : rows) {
                    SurfacePtr screen =
                        MakeSurface(screen_format, size.screen_width, size.screen_height);
                    FillNoise(screen.get(), ++seed);
                    SurfacePtr expected = CopySurface(screen.get());

                    RecolourKeyPixels(screen.get(), row);
                    LiteralRecolour(expected.get(), key.get(), row);
                    ASSERT_EQ(PixelDifference(screen.get(), expected.get()), "")
                        << key_format.name << " " << size.key_width << "x" << size.key_height
                        << " key on " << screen_format.name << " " << size.screen_width << "x"
                        << size.screen_height << " screen, row " << row;
                    ASSERT_EQ(std::memcmp(screen->pixels, expected->pixels,
                                          (size_t)screen->h * screen->pitch),
                              0)
                        << "row padding written on " << screen_format.name;
                }
            }
        }
    }
}

} // namespace
