// recolour_test.cpp: the key-colour gradient: worked values, the exact key, and the optimised
// pass against a literal per-pixel pass on every pixel format and picture size.
#include "demo.h"
#include "test_surfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

const Uint32 KEY = 0x00FF0000;

// The key: the value 0x00FF0000 in pictures of up to three bytes a pixel; in four-byte ones the
// colour (255, 0, 0), whatever the fourth byte holds.
bool IsKey(SDL_Surface *key, Uint32 value)
{
    if (key->format->BytesPerPixel != 4)
        return value == KEY;
    Uint8 red, green, blue;
    SDL_GetRGB(value, key->format, &red, &green, &blue);
    return red == 255 && green == 0 && blue == 0;
}

// The pass as plainly written: every pixel of the scan area through getpixel and putpixel.
void LiteralRecolour(SDL_Surface *screen, SDL_Surface *key, Uint32 row)
{
    int width = std::min({800, key->w, screen->w});
    int height = std::min({480, key->h, screen->h});
    Uint32 t = row * 100;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (!IsKey(key, getpixel(key, x, y)))
                continue;
            Uint8 red = ((y + t) >> 4) & 0xFF, green = (x >> 3) & 0xFF, blue = (y >> 2) & 0xFF;
            putpixel(screen, x, y, SDL_MapRGB(screen->format, red, green, blue));
        }
    }
}

// Key pictures mixing lone key pixels, runs of them, whole key rows, near misses and bytes of
// 0xFF that are not the key. Four-byte key pixels are pure red with any fourth byte.
void FillKeyPicture(SDL_Surface *key, unsigned seed)
{
    std::mt19937 random(seed);
    const Uint32 near_misses[] = {0x00FE0000, 0x00FF0001, 0x00FF0100, 0x01FF0000, 0xFFFFFFFF,
                                  0x0000FF00, 0x000000FF, 0x00FFFFFF, 0xFF00FF00};
    const SDL_PixelFormat *f = key->format;
    const Uint32 fourth_byte = ~(f->Rmask | f->Gmask | f->Bmask);
    for (int y = 0; y < key->h; y++) {
        for (int x = 0; x < key->w; x++) {
            Uint32 value = random();
            unsigned choice = random() % 10;
            if (y % 37 == 5 || (x / 8 + y) % 11 == 0 || choice < 3)
                value = f->BytesPerPixel == 4 ? f->Rmask | (value & fourth_byte) : KEY;
            else if (choice < 6)
                value = near_misses[random() % std::size(near_misses)];
            putpixel(key, x, y, value);
        }
    }
}

// A surface over a buffer of its own whose rows end in `padding` extra bytes, so that pitches
// need not be multiples of 4, as in pictures that come from elsewhere. Noise fills every byte.
struct PaddedSurface {
    std::vector<Uint8> bytes;
    SurfacePtr surface;
};

PaddedSurface MakePadded(const PixelFormat &format, int width, int height, int padding,
                         unsigned seed)
{
    PaddedSurface padded;
    int pitch = width * format.bits / 8 + padding;
    padded.bytes.resize((size_t)pitch * height);
    std::mt19937 random(seed);
    for (Uint8 &byte : padded.bytes)
        byte = (Uint8)random();
    padded.surface.reset(SDL_CreateRGBSurfaceFrom(padded.bytes.data(), width, height, format.bits,
                                                  pitch, format.rmask, format.gmask, format.bmask,
                                                  format.amask));
    if (!padded.surface)
        throw std::runtime_error(std::string("SDL_CreateRGBSurfaceFrom: ") + SDL_GetError());
    if (format.bits == 8) {
        SurfacePtr reference = MakeSurface(format, 1, 1);
        SDL_SetColors(padded.surface.get(), reference->format->palette->colors, 0, 256);
    }
    return padded;
}

PaddedSurface CopyPadded(const PixelFormat &format, const PaddedSurface &original)
{
    SDL_Surface *surface = original.surface.get();
    PaddedSurface copy = MakePadded(format, surface->w, surface->h,
                                    surface->pitch - surface->w * format.bits / 8, 0);
    copy.bytes = original.bytes;
    copy.surface->pixels = copy.bytes.data();
    return copy;
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

// A four-byte picture's fourth byte, padding or alpha, is whatever its loader made of it: pure red
// is the key with any value there, and nothing else is.
TEST_F(RecolourTest, FourByteKeyIsPureRedWhateverItsFourthByte)
{
    for (const char *format : {"xrgb32", "abgr32"}) {
        SurfacePtr key = MakeSurface(FormatNamed(format), 800, 480);
        const SDL_PixelFormat *f = key->format;
        const Uint32 fourth_byte = ~(f->Rmask | f->Gmask | f->Bmask);
        const Uint32 red = f->Rmask, near_red = f->Rmask & (f->Rmask << 1);
        const Uint32 dots[] = {red,
                               red | (fourth_byte & 0x80808080),
                               red | fourth_byte,
                               near_red | fourth_byte,
                               f->Bmask | fourth_byte,
                               fourth_byte};
        for (int i = 0; i < (int)std::size(dots); i++)
            putpixel(key.get(), 100 + i, 50, dots[i]);
        SurfacePtr screen = MakeSurface(FormatNamed("rgb565"), 800, 480);
        SurfacePtr expected = MakeSurface(FormatNamed("rgb565"), 800, 480);
        plimsa = key.get();

        RecolourKeyPixels(screen.get(), 32);

        // Row 32 at y = 50: red (50 + 3200) / 16 = 203, green 100 / 8 = 12, blue 50 / 4 = 12.
        for (int x = 100; x < 103; x++)
            putpixel(expected.get(), x, 50, SDL_MapRGB(expected->format, 203, 12, 12));
        EXPECT_EQ(PixelDifference(screen.get(), expected.get()), "") << format;
    }
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
// than the scan area (odd sizes, padded rows) and with a screen smaller than the picture. The key
// picture is prepared, as the demo prepares plimsa; the other tests' are not.
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
            PrepareKeyPicture(key.get());
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

// Tiny, odd and padded sizes, the key picture and the screen each of its own size and pitch,
// every pair of formats: the shapes that pictures from elsewhere have. Padding must stay as it
// was, and so must everything outside the area both surfaces cover.
TEST_F(RecolourTest, MatchesTheLiteralPassOnTinyOddAndPaddedSurfaces)
{
    struct Shape {
        int key_width, key_height, screen_width, screen_height;
    };
    const Shape small[] = {{1, 1, 1, 1},   {7, 3, 7, 3},   {7, 3, 1, 1},
                           {1, 1, 7, 3},   {13, 5, 17, 3}, {16, 2, 16, 2},
                           {33, 4, 31, 6}, {49, 7, 64, 2}, {24, 24, 23, 24}};
    // Straddling the scan area: wider and taller than 800x480 on one side only.
    const Shape large[] = {{803, 479, 797, 483}};
    const int paddings[][2] = {{0, 0}, {1, 3}, {3, 7}, {7, 1}}; // key's, screen's, in bytes
    const Uint32 rows[] = {0, 40, 65535};

    unsigned seed = 100;
    auto check = [&](const PixelFormat &key_format, const PixelFormat &screen_format,
                     const Shape &shape, const int padding[2], Uint32 row) {
        PaddedSurface key =
            MakePadded(key_format, shape.key_width, shape.key_height, padding[0], ++seed);
        FillKeyPicture(key.surface.get(), ++seed);
        PaddedSurface screen =
            MakePadded(screen_format, shape.screen_width, shape.screen_height, padding[1], ++seed);
        PaddedSurface expected = CopyPadded(screen_format, screen);
        plimsa = key.surface.get();

        RecolourKeyPixels(screen.surface.get(), row);
        LiteralRecolour(expected.surface.get(), key.surface.get(), row);
        ASSERT_EQ(PixelDifference(screen.surface.get(), expected.surface.get()), "")
            << key_format.name << " " << shape.key_width << "x" << shape.key_height << "+"
            << padding[0] << " key on " << screen_format.name << " " << shape.screen_width << "x"
            << shape.screen_height << "+" << padding[1] << " screen, row " << row;
        ASSERT_TRUE(screen.bytes == expected.bytes)
            << "row padding written on " << screen_format.name;
    };

    for (const PixelFormat &key_format : AllPixelFormats()) {
        for (const PixelFormat &screen_format : AllPixelFormats()) {
            for (const Shape &shape : small) {
                for (const auto &padding : paddings) {
                    for (Uint32 row : rows) {
                        check(key_format, screen_format, shape, padding, row);
                        if (HasFatalFailure())
                            return;
                    }
                }
            }
            if (key_format.bits < 24)
                continue;
            for (const Shape &shape : large) {
                check(key_format, screen_format, shape, paddings[3], 40);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

} // namespace
