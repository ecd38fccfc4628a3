// pictures_test.cpp: the picture checks at their edges: the header just fits the file or not,
// and the loaded formats SDL makes or could be made to make.
#include "demo.h"
#include "test_surfaces.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace
{

// A 40-byte-header BMP's headers: 14 + 40 bytes, then the three masks a bitfields file has.
std::vector<Uint8> Header(Sint32 width, Sint32 height, Uint16 bits, Uint32 compression = 0)
{
    std::vector<Uint8> header(66, 0);
    const auto put = [&](size_t at, Uint32 value, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i)
            header[at + i] = static_cast<Uint8>(value >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<Uint32>(width), 4);
    put(22, static_cast<Uint32>(height), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    return header;
}

bool Fits(const std::vector<Uint8> &header, Uint64 file_size, size_t length = 66)
{
    return PictureHeaderIsSafe(header.data(), length, file_size);
}

TEST(PictureHeader, PixelDataMustLieWithinTheFile)
{
    // 24 bits: rows of 3 x 5 = 15 bytes padded to 16.
    EXPECT_TRUE(Fits(Header(5, 3, 24), 54 + 3 * 16));
    EXPECT_FALSE(Fits(Header(5, 3, 24), 54 + 3 * 16 - 1));
    EXPECT_TRUE(Fits(Header(5, -3, 24), 54 + 3 * 16)) << "top-down";
    // SDL reads a 1- or 4-bit picture without its last row's padding.
    EXPECT_TRUE(Fits(Header(5, 3, 1), 54 + 2 * 4 + 1));
    EXPECT_FALSE(Fits(Header(5, 3, 1), 54 + 2 * 4));
    EXPECT_TRUE(Fits(Header(9, 3, 4), 54 + 2 * 8 + 5));
    EXPECT_FALSE(Fits(Header(9, 3, 4), 54 + 2 * 8 + 4));
    // 810 x 65024 at 32 bits declared by a 71-byte file.
    EXPECT_FALSE(Fits(Header(810, 65024, 32), 71));
    // SDL keeps 257 bits as 1 bit of 33 bytes: rows of 5 x 33 / 8 bytes, padded to 24.
    EXPECT_TRUE(Fits(Header(5, 3, 257), 54 + 3 * 24));
    EXPECT_FALSE(Fits(Header(5, 3, 257), 54 + 3 * 24 - 1));
}

TEST(PictureHeader, HeadersSdlWouldReadPastOrMishandleAreRefused)
{
    EXPECT_FALSE(Fits(Header(5, 3, 24), 1000, 53)) << "info header cut short";
    EXPECT_TRUE(Fits(Header(5, 3, 24), 1000, 54));
    EXPECT_FALSE(Fits(Header(5, 3, 16, 3), 1000, 65)) << "masks cut short";
    EXPECT_TRUE(Fits(Header(5, 3, 16, 3), 1000, 66));
    EXPECT_FALSE(Fits(Header(5, INT_MIN, 24), UINT32_MAX)) << "height without a positive";
    EXPECT_FALSE(Fits(Header(5, 3, 23), 1000)) << "23 bits";
    std::vector<Uint8> gif = Header(5, 3, 24);
    gif[0] = 'G';
    EXPECT_FALSE(Fits(gif, 1000));
    // Sizes classic SDL refuses, which SDL2 would allocate (16 GiB here), even compressed.
    EXPECT_FALSE(Fits(Header(131072, 131072, 1), 100));
    EXPECT_FALSE(Fits(Header(16384, 3, 8, 1), 100));
}

// An RLE4 BMP of `width` x `height`, seven (black) palette colours, then `data`.
std::vector<Uint8> Rle4File(Sint32 width, Sint32 height, const std::vector<Uint8> &data)
{
    std::vector<Uint8> file = Header(width, height, 4, 2);
    file.resize(54 + 7 * 4);
    file[10] = 54 + 7 * 4;
    file[46] = 7;
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

SurfacePtr LoadFromMemory(const std::vector<Uint8> &file)
{
    return SurfacePtr(
        LoadPictureRW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()))));
}

const bool kSdlIsClassic = SDL_Linked_Version()->patch < 50;

// Classic SDL's pictures come from the demo's decoder, sdl12-compat's from SDL2's: the same.
TEST(RlePicture, RunsMovesAndRowEndsFillTheRowsFromTheBottomUp)
{
    // Bottom row: 1 2 1 as a run, 3 4 5 one by one; then two to the right, a run of 6 6.
    const SurfacePtr picture = LoadFromMemory(
        Rle4File(6, 2, {3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 0, 2, 0x66, 0, 1}));
    ASSERT_TRUE(picture);
    const auto *top = static_cast<const Uint8 *>(picture->pixels);
    EXPECT_EQ(std::vector<Uint8>(top, top + 6), (std::vector<Uint8>{0, 0, 6, 6, 0, 0}));
    const Uint8 *bottom = top + picture->pitch;
    EXPECT_EQ(std::vector<Uint8>(bottom, bottom + 6), (std::vector<Uint8>{1, 2, 1, 3, 4, 5}));
}

TEST(RlePicture, DamagedOrTopDownStreamsAreRefused)
{
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, -1, {6, 0x12, 0, 1}))) << "top-down";
    if (!kSdlIsClassic)
        GTEST_SKIP() << "SDL2 reads what is left of a damaged stream its own way";
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, 1, {7, 0x12, 0, 1}))) << "run past the row";
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, 2, {0, 2, 0, 3, 0, 1}))) << "move past the top";
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, 1, {2, 0x67, 0, 1}))) << "colour past the palette";
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, 1, {6, 0x12}))) << "no end";
    EXPECT_FALSE(LoadFromMemory(Rle4File(6, 1, {0, 5, 0x12}))) << "pixels cut short";
}

// A channel's mask with the shift and loss classic SDL_AllocFormat derives from it (the loss
// wraps in its byte past 8 bits). Set by hand: sdl12-compat turns unusual masks into a standard
// format, and the check must judge the fields that classic SDL would hand it.
void SetChannel(Uint32 mask, Uint32 *field, Uint8 *shift, Uint8 *loss)
{
    *field = mask;
    *shift = 0;
    *loss = 8;
    if (mask == 0)
        return;
    for (; !(mask & 1); mask >>= 1)
        ++*shift;
    for (; mask & 1; mask >>= 1)
        --*loss;
}

// A surface of the depth, its masks then set to the given ones, as SDL_AllocFormat would.
SurfacePtr WithMasks(int bits, Uint32 r, Uint32 g, Uint32 b)
{
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 2, bits, 0, 0, 0, 0));
    SDL_PixelFormat *format = surface->format;
    SetChannel(r, &format->Rmask, &format->Rshift, &format->Rloss);
    SetChannel(g, &format->Gmask, &format->Gshift, &format->Gloss);
    SetChannel(b, &format->Bmask, &format->Bshift, &format->Bloss);
    SetChannel(0, &format->Amask, &format->Ashift, &format->Aloss);
    return surface;
}

TEST(PictureFormat, EveryFormatTheTestsUseIsSafe)
{
    for (const PixelFormat &format : AllPixelFormats()) {
        const SurfacePtr surface = MakeSurface(format, 5, 3);
        EXPECT_TRUE(PictureFormatIsSafe(surface.get())) << format.name;
    }
}

TEST(PictureFormat, InconsistentFormatsAreRefused)
{
    EXPECT_FALSE(PictureFormatIsSafe(WithMasks(16, 0xF800, 0x0011, 0x001F).get())) << "gap";
    // Classic SDL's blitters shift by a channel's loss, which wraps past 8 bits; SDL2's read its
    // one wider format, 10-bit channels, right.
    EXPECT_FALSE(PictureFormatIsSafe(WithMasks(32, 0xFFF00000, 0xFF00, 0xFF).get())) << "wide";
    EXPECT_EQ(PictureFormatIsSafe(WithMasks(32, 0x3FF00000, 0xFFC00, 0x3FF).get()), !kSdlIsClassic)
        << "10-bit";
    EXPECT_FALSE(PictureFormatIsSafe(WithMasks(32, 0xFF00FF, 0xFF00, 0xFF).get())) << "overlap";
    EXPECT_FALSE(PictureFormatIsSafe(WithMasks(16, 0xF80000, 0x07E0, 0x001F).get()))
        << "outside the pixel";
    EXPECT_TRUE(PictureFormatIsSafe(WithMasks(16, 0, 0x07E0, 0x001F).get())) << "no red";

    // What SDL loads from 2049 and 257 bits: no palette, and 1 or 33 bytes for 1 bit.
    SurfacePtr bitmap(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 2, 8, 0, 0, 0, 0));
    SDL_Palette *palette = bitmap->format->palette;
    bitmap->format->palette = nullptr;
    EXPECT_FALSE(PictureFormatIsSafe(bitmap.get())) << "8 bits without a palette";
    bitmap->format->palette = palette;
    bitmap->format->BitsPerPixel = 1;
    EXPECT_FALSE(PictureFormatIsSafe(bitmap.get())) << "1 bit";
    bitmap->format->BitsPerPixel = 8;
    bitmap->format->BytesPerPixel = 33;
    EXPECT_FALSE(PictureFormatIsSafe(bitmap.get())) << "33 bytes";
    bitmap->format->BytesPerPixel = 1;
    EXPECT_TRUE(PictureFormatIsSafe(bitmap.get()));
}

} // namespace
