// picture_checks.h: pixel statistics of 24-bit pictures, for the asset tests.
#pragma once

#include <SDL.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace test
{

struct SurfaceFree {
    void operator()(SDL_Surface *surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

Surface load_bmp(const std::string &path);

// Raw pixel value as the demo reads it: the pixel's bytes in the surface's own format.
std::uint32_t raw_pixel(const SDL_Surface &surface, int x, int y);

// The picture's pixels as a 16-bit RGB565 screen shows them after a blit.
std::vector<std::uint16_t> as_rgb565(const SDL_Surface &surface);

int distinct_colours(const SDL_Surface &surface);

// Sizes of the 8-connected regions (touching at edges or corners) of pixels whose raw value is
// `key`.
std::vector<int> key_regions(const SDL_Surface &surface, std::uint32_t key);

} // namespace test
