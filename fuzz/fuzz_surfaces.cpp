/* fuzz_surfaces.cpp: libFuzzer target: surfaces of random size, pitch and pixel format (1 to 4
 * bytes) through getpixel/putpixel, RecolourKeyPixels and DrawScreen. Beyond the sanitizers'
 * checks, each result is compared with a plain implementation written here; a difference
 * aborts, so that libFuzzer keeps the input. Little-endian hosts. */
#include "demo.h"
#include "fixed_music.h"
#include "fuzz_input.h"

#include <algorithm>
#include <stdlib.h>
#include <vector>

namespace
{

struct Format {
    int bits;
    Uint32 r, g, b, a;
};
const Format kFormats[] = {
    {8, 0, 0, 0, 0},
    {16, 0xF800, 0x07E0, 0x001F, 0},
    {16, 0x7C00, 0x03E0, 0x001F, 0},
    {24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {24, 0x0000FF, 0x00FF00, 0xFF0000, 0},
    {32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
};
const int kFormatCount = sizeof kFormats / sizeof kFormats[0];

const Uint32 kKey = 0x00FF0000;
/* The values a generated fill picks from: the key, black, a near-key red, white. */
const Uint32 kFillValues[4] = {kKey, 0, 0x00FE0000, 0xFFFFFFFF};

/* A surface over its own buffer of exactly pitch x height bytes, so that the sanitizer sees
 * any access outside it. */
struct Surface {
    std::vector<Uint8> bytes;
    SDL_Surface *surface = nullptr;
    Surface() = default;
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;
    ~Surface()
    {
        if (surface)
            SDL_FreeSurface(surface);
    }
    int Bpp() const { return surface->format->BytesPerPixel; }
};

Uint32 ReadRaw(const Uint8 *p, int bpp)
{
    Uint32 value = 0;
    for (int i = bpp - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

void WriteRaw(Uint8 *p, int bpp, Uint32 value)
{
    for (int i = 0; i < bpp; ++i) {
        p[i] = (Uint8)value;
        value >>= 8;
    }
}

void Check(bool condition)
{
    if (!condition)
        abort();
}

/* Size, format, pitch padding and contents from the input; `big` sizes straddle 800x480. */
bool MakeSurface(FuzzInput &in, bool big, Surface &s)
{
    const Format &format = kFormats[in.Byte() % kFormatCount];
    const int bpp = format.bits / 8;
    const int w = big ? 790 + in.Byte() % 21 : 1 + in.Byte() % 24;
    const int h = big ? 470 + in.Byte() % 21 : 1 + in.Byte() % 24;
    const int pitch = w * bpp + in.Byte() % 8;
    s.bytes.assign((size_t)pitch * h, 0);

    const Uint8 mode = in.Byte();
    if (mode & 1) {
        /* Runs of the fill values, from a seeded generator. */
        Uint32 seed = in.U32() | 1;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                const Uint32 value = kFillValues[(seed >> ((mode >> 1) % 16 + 8)) & 3];
                WriteRaw(&s.bytes[(size_t)y * pitch + x * bpp], bpp, value);
            }
        }
    } else {
        /* The next bytes of the input, repeated. */
        const size_t length = std::min<size_t>(in.size, 1 + mode % 64);
        for (size_t i = 0; length && i < s.bytes.size(); ++i)
            s.bytes[i] = in.data[i % length];
        in.data += length;
        in.size -= length;
    }
    s.surface = SDL_CreateRGBSurfaceFrom(s.bytes.data(), w, h, format.bits, pitch, format.r,
                                         format.g, format.b, format.a);
    return s.surface != nullptr;
}

/* putpixel writes exactly the pixel's bytes, and getpixel reads the value back. */
void CheckPixelRoundTrip(FuzzInput &in, Surface &s)
{
    const int bpp = s.Bpp();
    const Uint32 mask = bpp == 4 ? 0xFFFFFFFF : (1u << (8 * bpp)) - 1;
    for (int n = in.Byte() % 4; n > 0; --n) {
        const int x = in.U16() % s.surface->w;
        const int y = in.U16() % s.surface->h;
        const Uint32 value = in.U32();
        /* The pixel's row and its neighbours; the sanitizer guards the rest of the buffer. */
        const size_t pitch = (size_t)s.surface->pitch;
        const size_t first = y > 0 ? (y - 1) * pitch : 0;
        const size_t end = std::min(s.bytes.size(), (y + 2) * pitch);
        std::vector<Uint8> expected(s.bytes.begin() + first, s.bytes.begin() + end);
        WriteRaw(&expected[y * pitch + x * bpp - first], bpp, value);
        putpixel(s.surface, x, y, value);
        Check(std::equal(expected.begin(), expected.end(), s.bytes.begin() + first));
        Check(getpixel(s.surface, x, y) == (value & mask));
    }
}

/* Pure red: the value kKey in a 3-byte picture; in a 4-byte one red's bits all set and green's
 * and blue's clear, whatever the fourth byte holds (no red channel: no key). */
bool IsKey(const SDL_PixelFormat *format, Uint32 value)
{
    if (format->BytesPerPixel != 4)
        return value == kKey;
    const Uint32 colour_bits = format->Rmask | format->Gmask | format->Bmask;
    return format->Rmask != 0 && (value & colour_bits) == format->Rmask;
}

/* The gradient written pixel by pixel where key and screen overlap within 800x480; with the key
 * picture prepared as the demo prepares plimsa, or not. */
void CheckRecolour(Surface *key, Surface &screen, Uint32 row, bool prepare)
{
    std::vector<Uint8> expected = screen.bytes;
    if (key && key->Bpp() >= 3) {
        const int kb = key->Bpp(), sb = screen.Bpp();
        const int w = std::min({800, key->surface->w, screen.surface->w});
        const int h = std::min({480, key->surface->h, screen.surface->h});
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (!IsKey(key->surface->format,
                           ReadRaw(&key->bytes[(size_t)y * key->surface->pitch + x * kb], kb)))
                    continue;
                const Uint8 red = (Uint8)((y + row * 100) >> 4);
                const Uint32 colour =
                    SDL_MapRGB(screen.surface->format, red, (Uint8)(x >> 3), (Uint8)(y >> 2));
                WriteRaw(&expected[(size_t)y * screen.surface->pitch + x * sb], sb, colour);
            }
        }
    }
    plimsa = key ? key->surface : NULL;
    PrepareKeyPicture(prepare ? plimsa : NULL);
    RecolourKeyPixels(screen.surface, row);
    PrepareKeyPicture(NULL);
    plimsa = NULL;
    Check(screen.bytes == expected);
}

/* A whole frame on a dummy video surface, with the picture set drawn from the surfaces. */
void CheckFrame(FuzzInput &in, Surface *const pictures[3])
{
    static const int kDepths[] = {8, 16, 24, 32};
    const bool big = (in.Byte() & 7) == 7;
    const int w = big ? 790 + in.Byte() % 21 : 1 + in.Byte() % 24;
    const int h = big ? 470 + in.Byte() % 21 : 1 + in.Byte() % 24;
    SDL_Surface *screen = SDL_SetVideoMode(w, h, kDepths[in.Byte() % 4], SDL_HWSURFACE);
    if (!screen)
        return;

    SDL_Surface **slots[] = {&isologo, &pilvet, &porkkana,   &tehdas, &quelpmad,
                             &blimt,   &plimsa, &quelpsaksa, &loppu};
    for (SDL_Surface **slot : slots) {
        const int choice = in.Byte() % 4;
        *slot = choice ? pictures[choice - 1]->surface : NULL;
    }
    const int choice = in.Byte() % 10;
    const Uint32 order = choice < 8 ? choice : choice == 8 ? 0xFFFF : in.U16();
    const Uint32 row = in.U16();
    SetFixedMusicPosition(row << 16 | order);
    DrawScreen(screen);
    for (SDL_Surface **slot : slots)
        *slot = NULL;

    if (order > 6) {
        /* No scene: the frame is black. */
        const Uint8 *pixels = (const Uint8 *)screen->pixels;
        for (int y = 0; y < screen->h; ++y) {
            const Uint8 *line = pixels + y * screen->pitch;
            Check(std::all_of(line, line + screen->w * screen->format->BytesPerPixel,
                              [](Uint8 b) { return b == 0; }));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in{data, size};
    const Uint8 plan = in.Byte();
    /* Surfaces around 800x480 are slow to scan: one input in eight has them. */
    const bool big = (plan & 0x70) == 0x70;
    Surface a, b, c;
    if (!MakeSurface(in, big && (plan & 1), a) || !MakeSurface(in, big && (plan & 2), b) ||
        !MakeSurface(in, false, c))
        abort();
    CheckPixelRoundTrip(in, a);
    CheckPixelRoundTrip(in, b);
    CheckRecolour(plan & 4 ? NULL : &a, b, in.U16(), plan & 0x80);
    if (plan & 8) {
        Surface *const pictures[3] = {&a, &b, &c};
        CheckFrame(in, pictures);
    }
    return 0;
}
