// pixels_test.cpp: getpixel and putpixel on 1- to 4-byte pixels, padded rows and unknown sizes.
#include "demo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

const int WIDTH = 3, HEIGHT = 3, PADDING = 5, SENTINEL = 0xAA;

// A surface over our own buffer, so the bytes around each pixel are known.
struct PaddedSurface {
    std::vector<Uint8> bytes;
    SDL_Surface *surface = nullptr;

    explicit PaddedSurface(int bpp)
    {
        int pitch = WIDTH * bpp + PADDING;
        bytes.assign((size_t)pitch * HEIGHT, SENTINEL);
        surface = SDL_CreateRGBSurfaceFrom(bytes.data(), WIDTH, HEIGHT, bpp * 8, pitch, 0, 0, 0, 0);
    }
    ~PaddedSurface() { SDL_FreeSurface(surface); }
    size_t Offset(int x, int y) const { return (size_t)y * surface->pitch + x * BytesPerPixel(); }
    int BytesPerPixel() const { return surface->format->BytesPerPixel; }
};

TEST(Pixels, ReadsEachPixelSizeLeastSignificantByteFirst)
{
    const Uint32 expected[] = {0, 0x11, 0x2211, 0x332211, 0x44332211};
    for (int bpp = 1; bpp <= 4; bpp++) {
        PaddedSurface padded(bpp);
        ASSERT_NE(padded.surface, nullptr) << SDL_GetError();
        const Uint8 value[] = {0x11, 0x22, 0x33, 0x44};
        std::memcpy(&padded.bytes[padded.Offset(2, 1)], value, bpp);
        EXPECT_EQ(getpixel(padded.surface, 2, 1), expected[bpp]) << bpp << " bytes per pixel";
    }
}

TEST(Pixels, ReadsPureRedOfA24BitPictureAsTheKeyValue)
{
    PaddedSurface padded(3);
    const Uint8 red[] = {0x00, 0x00, 0xFF};
    std::memcpy(&padded.bytes[padded.Offset(0, 2)], red, 3);
    EXPECT_EQ(getpixel(padded.surface, 0, 2), 0x00FF0000u);
}

TEST(Pixels, WritesOnlyThePixelsOwnLowBytes)
{
    const std::vector<Uint8> written[] = {
        {}, {0x78}, {0x78, 0x56}, {0x78, 0x56, 0x34}, {0x78, 0x56, 0x34, 0x12}};
    for (int bpp = 1; bpp <= 4; bpp++) {
        PaddedSurface padded(bpp);
        ASSERT_NE(padded.surface, nullptr) << SDL_GetError();
        putpixel(padded.surface, 1, 1, 0x12345678);

        std::vector<Uint8> expected(padded.bytes.size(), SENTINEL);
        std::copy(written[bpp].begin(), written[bpp].end(),
                  expected.begin() + static_cast<std::ptrdiff_t>(padded.Offset(1, 1)));
        EXPECT_EQ(padded.bytes, expected) << bpp << " bytes per pixel";
    }
}

TEST(Pixels, RowsStartOnePitchApart)
{
    for (int bpp = 1; bpp <= 4; bpp++) {
        PaddedSurface padded(bpp);
        putpixel(padded.surface, 0, 1, 0x01010101);
        EXPECT_EQ(padded.bytes[padded.surface->pitch], 0x01) << bpp << " bytes per pixel";
        EXPECT_EQ(padded.bytes[WIDTH * bpp + PADDING - 1], SENTINEL) << "padding of row 0";
        EXPECT_EQ(getpixel(padded.surface, 0, 1) & 0xFF, 0x01u);
    }
}

TEST(Pixels, UnknownPixelSizesReadAsZeroAndAreNeverWritten)
{
    PaddedSurface padded(4);
    SDL_PixelFormat *format = padded.surface->format;
    for (Uint8 bpp : {0, 5, 8}) {
        format->BytesPerPixel = bpp;
        putpixel(padded.surface, 0, 1, 0x12345678);
        EXPECT_EQ(getpixel(padded.surface, 0, 1), 0u) << int(bpp) << " bytes per pixel";
    }
    format->BytesPerPixel = 4;
    EXPECT_EQ(padded.bytes, std::vector<Uint8>(padded.bytes.size(), SENTINEL));
}

} // namespace
