// picture_checks.cpp: pixel statistics of 24-bit pictures, for the asset tests.
#include "picture_checks.h"

#include <cstring>
#include <stdexcept>
#include <unordered_set>

namespace test
{

Surface load_bmp(const std::string &path)
{
    Surface surface(SDL_LoadBMP(path.c_str()));
    if (!surface) {
        throw std::runtime_error("SDL_LoadBMP " + path + ": " + SDL_GetError());
    }
    return surface;
}

std::uint32_t raw_pixel(const SDL_Surface &surface, int x, int y)
{
    const auto *row = static_cast<const std::uint8_t *>(surface.pixels) + y * surface.pitch;
    const std::uint8_t *p = row + x * surface.format->BytesPerPixel;
    std::uint32_t value = 0;
    for (int byte = surface.format->BytesPerPixel - 1; byte >= 0; --byte) {
        value = value << 8 | p[byte]; // little-endian byte order
    }
    return value;
}

std::vector<std::uint16_t> as_rgb565(const SDL_Surface &surface)
{
    std::vector<std::uint16_t> pixels;
    pixels.reserve(static_cast<std::size_t>(surface.w) * surface.h);
    for (int y = 0; y < surface.h; ++y) {
        for (int x = 0; x < surface.w; ++x) {
            Uint8 r = 0, g = 0, b = 0;
            SDL_GetRGB(raw_pixel(surface, x, y), surface.format, &r, &g, &b);
            pixels.push_back(static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3));
        }
    }
    return pixels;
}

int distinct_colours(const SDL_Surface &surface)
{
    std::unordered_set<std::uint32_t> colours;
    for (int y = 0; y < surface.h; ++y) {
        for (int x = 0; x < surface.w; ++x) {
            colours.insert(raw_pixel(surface, x, y));
        }
    }
    return static_cast<int>(colours.size());
}

std::vector<int> key_regions(const SDL_Surface &surface, std::uint32_t key)
{
    const int width = surface.w, height = surface.h;
    std::vector<char> seen(static_cast<std::size_t>(width) * height, 0);
    std::vector<int> sizes;
    std::vector<int> stack;
    for (int start = 0; start < width * height; ++start) {
        if (seen[start] || raw_pixel(surface, start % width, start / width) != key) {
            continue;
        }
        int size = 0;
        seen[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++size;
            const int x = at % width, y = at / width;
            const int neighbours[8][2] = {{x - 1, y},     {x + 1, y},     {x, y - 1},
                                          {x, y + 1},     {x - 1, y - 1}, {x + 1, y - 1},
                                          {x - 1, y + 1}, {x + 1, y + 1}};
            for (const auto &[nx, ny] : neighbours) {
                const int index = ny * width + nx;
                if (nx >= 0 && nx < width && ny >= 0 && ny < height && !seen[index] &&
                    raw_pixel(surface, nx, ny) == key) {
                    seen[index] = 1;
                    stack.push_back(index);
                }
            }
        }
        sizes.push_back(size);
    }
    return sizes;
}

} // namespace test
