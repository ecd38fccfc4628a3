// bmp_output.cpp: copies cairo's pixels into a 24-bit SDL surface and saves it as a BMP.
#include "bmp_output.h"

#include <SDL.h>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace
{

struct SurfaceFree {
    void operator()(SDL_Surface *surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

// 24-bit pixels with red in bits 16-23: what SDL_SaveBMP writes without converting and what
// SDL_LoadBMP gives back for a 24-bit file.
Surface rgb24_surface(int width, int height)
{
    Surface surface(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 24, 0x00FF0000, 0x0000FF00,
                                         0x000000FF, 0));
    if (!surface) {
        throw std::runtime_error(std::string("SDL_CreateRGBSurface: ") + SDL_GetError());
    }
    return surface;
}

} // namespace

void save_bmp(cairo_surface_t *image, const std::filesystem::path &path)
{
    cairo_surface_flush(image);
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const int source_stride = cairo_image_surface_get_stride(image);
    const unsigned char *source = cairo_image_surface_get_data(image);
    Surface surface = rgb24_surface(width, height);
    auto *target = static_cast<std::uint8_t *>(surface->pixels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel; // cairo keeps each pixel as a native 0x00RRGGBB word
            std::memcpy(&pixel, source + y * source_stride + x * 4, sizeof pixel);
            std::uint8_t *out = target + y * surface->pitch + x * 3;
            out[0] = static_cast<std::uint8_t>(pixel);       // blue
            out[1] = static_cast<std::uint8_t>(pixel >> 8);  // green
            out[2] = static_cast<std::uint8_t>(pixel >> 16); // red
        }
    }
    if (SDL_SaveBMP(surface.get(), path.string().c_str()) != 0) {
        throw std::runtime_error("cannot write " + path.string() + ": " + SDL_GetError());
    }
}
