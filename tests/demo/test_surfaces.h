// test_surfaces.h: surfaces in each pixel format the demo tests use, and byte-level comparison.
#ifndef TEST_SURFACES_H
#define TEST_SURFACES_H

#include "SDL.h"

#include <memory>
#include <string>
#include <vector>

struct SurfaceDeleter {
    void operator()(SDL_Surface *surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

struct PixelFormat {
    const char *name;
    int bits;
    Uint32 rmask, gmask, bmask, amask;
};

// 8-bit paletted (3-3-2 palette), 16-bit 565 and 555, 24-bit RGB and BGR, 32-bit XRGB and ABGR.
const std::vector<PixelFormat> &AllPixelFormats();
const PixelFormat &FormatNamed(const std::string &name);

// A software surface of that format, every byte zero.
SurfacePtr MakeSurface(const PixelFormat &format, int width, int height);
// A surface of the same format holding the same bytes.
SurfacePtr CopySurface(SDL_Surface *surface);

Uint8 *PixelAddress(SDL_Surface *surface, int x, int y);
// Fills every byte, padding included, from a seeded generator.
void FillNoise(SDL_Surface *surface, unsigned seed);

// Empty when both surfaces hold the same pixel bytes (row padding ignored), else where they differ.
std::string PixelDifference(SDL_Surface *actual, SDL_Surface *expected);

// Sets the picture set's nine slots to null and forgets the prepared key picture.
void ClearPictureSet();

#endif // TEST_SURFACES_H
