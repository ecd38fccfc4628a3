/* fuzz_pictures.cpp: libFuzzer target: the input is a picture file. It goes through the demo's
 * LoadPictureRW from memory (the header check, SDL's loader or the demo's own RLE and palette
 * readers, the format check), exactly as the demo loads a picture; a picture they accept is
 * blitted onto 800x480 screens of 16 (5-6-5), 15, 24 and 32 bits and recoloured on each as
 * plimsa. Built against an instrumented SDL, the sanitizers then see SDL's own reads. A blit that
 * SDL refuses aborts: the check would have let through a picture that cannot be shown. */
#include "demo.h"

#include <stdlib.h>

namespace
{

struct ScreenFormat {
    int bits;
    Uint32 r, g, b;
};
const ScreenFormat kScreenFormats[] = {
    {16, 0xF800, 0x07E0, 0x001F},
    {15, 0x7C00, 0x03E0, 0x001F},
    {24, 0xFF0000, 0x00FF00, 0x0000FF},
    {32, 0xFF0000, 0x00FF00, 0x0000FF},
};
const int kScreenCount = sizeof kScreenFormats / sizeof kScreenFormats[0];
SDL_Surface *screens[kScreenCount];

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    /* Plain surfaces in the screens' formats: SDL blits onto the dummy driver's screen as onto
     * them. (Setting a video mode would also run SDL's mouse reset, which shifts by -1.) */
    for (int i = 0; i < kScreenCount; ++i) {
        const ScreenFormat &f = kScreenFormats[i];
        screens[i] = SDL_CreateRGBSurface(SDL_SWSURFACE, 800, 480, f.bits, f.r, f.g, f.b, 0);
        if (!screens[i])
            abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    /* SDL 2 makes no stream of nothing; an empty file reaches the loader from the tests. */
    if (size == 0)
        return 0;
    SDL_RWops *source = SDL_RWFromConstMem(data, (int)size);
    if (!source)
        abort();
    SDL_Surface *picture = LoadPictureRW(source);
    if (!picture)
        return 0;
    /* The row comes from the file header's first reserved field, which SDL ignores. */
    const Uint32 row = (Uint32)(data[6] | data[7] << 8);
    plimsa = picture;
    PrepareKeyPicture(picture);
    for (SDL_Surface *screen : screens) {
        if (SDL_BlitSurface(picture, NULL, screen, NULL) != 0)
            abort();
        RecolourKeyPixels(screen, row);
    }
    PrepareKeyPicture(NULL);
    plimsa = NULL;
    SDL_FreeSurface(picture);
    return 0;
}
