// test_surfaces.cpp: test surfaces in every pixel format, and the picture set of in-process tests.
#include "test_surfaces.h"

#include "demo.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

const std::vector<PixelFormat> &AllPixelFormats()
{
    static const std::vector<PixelFormat> formats = {
        {"paletted8", 8, 0, 0, 0, 0},
        {"rgb565", 16, 0xF800, 0x07E0, 0x001F, 0},
        {"rgb555", 16, 0x7C00, 0x03E0, 0x001F, 0},
        {"rgb24", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
        {"bgr24", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0},
        {"xrgb32", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
        {"abgr32", 32, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000},
    };
    return formats;
}

const PixelFormat &FormatNamed(const std::string &name)
{
    for (const PixelFormat &format : AllPixelFormats())
        if (name == format.name)
            return format;
    throw std::invalid_argument("no pixel format " + name);
}

SurfacePtr MakeSurface(const PixelFormat &format, int width, int height)
{
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, format.bits, format.rmask,
                                            format.gmask, format.bmask, format.amask));
    if (!surface)
        throw std::runtime_error(std::string("SDL_CreateRGBSurface: ") + SDL_GetError());
    if (format.bits == 8) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; i++) {
            colours[i].r = (Uint8)((i >> 5) * 255 / 7);
            colours[i].g = (Uint8)(((i >> 2) & 7) * 255 / 7);
            colours[i].b = (Uint8)((i & 3) * 255 / 3);
        }
        SDL_SetColors(surface.get(), colours, 0, 256);
    }
    std::memset(surface->pixels, 0, (size_t)surface->h * surface->pitch);
    return surface;
}

SurfacePtr CopySurface(SDL_Surface *surface)
{
    SDL_PixelFormat *f = surface->format;
    SurfacePtr copy(SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, f->BitsPerPixel,
                                         f->Rmask, f->Gmask, f->Bmask, f->Amask));
    if (!copy || copy->pitch != surface->pitch)
        throw std::runtime_error("CopySurface failed");
    if (f->palette)
        SDL_SetColors(copy.get(), f->palette->colors, 0, f->palette->ncolors);
    std::memcpy(copy->pixels, surface->pixels, (size_t)surface->h * surface->pitch);
    return copy;
}

Uint8 *PixelAddress(SDL_Surface *surface, int x, int y)
{
    return static_cast<Uint8 *>(surface->pixels) + y * surface->pitch +
           x * surface->format->BytesPerPixel;
}

void FillNoise(SDL_Surface *surface, unsigned seed)
{
    std::mt19937 random(seed);
    auto *bytes = static_cast<Uint8 *>(surface->pixels);
    size_t size = (size_t)surface->h * surface->pitch;
    for (size_t i = 0; i < size; i += 4) {
        Uint32 word = random();
        std::memcpy(bytes + i, &word, std::min<size_t>(4, size - i));
    }
}

std::string PixelDifference(SDL_Surface *actual, SDL_Surface *expected)
{
    if (actual->w != expected->w || actual->h != expected->h ||
        actual->format->BytesPerPixel != expected->format->BytesPerPixel)
        return "surfaces differ in size or pixel size";
    int bpp = actual->format->BytesPerPixel;
    for (int y = 0; y < actual->h; y++) {
        for (int x = 0; x < actual->w; x++) {
            if (std::memcmp(PixelAddress(actual, x, y), PixelAddress(expected, x, y), bpp) != 0)
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    return "";
}

void ClearPictureSet()
{
    isologo = pilvet = porkkana = tehdas = quelpmad = blimt = plimsa = quelpsaksa = loppu = nullptr;
    PrepareKeyPicture(nullptr);
}
