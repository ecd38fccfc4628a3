/* literal_recolour.cpp: the reference passes. The pixel routines are called through volatile
 * pointers, so that no build (not even one with link-time optimisation) inlines them. */
#include "literal_recolour.h"

#include "demo.h"

#include <string.h>

static Uint32 (*volatile read_pixel)(SDL_Surface *, int, int) = getpixel;
static void (*volatile write_pixel)(SDL_Surface *, int, int, Uint32) = putpixel;
static Uint32 (*volatile map_rgb)(const SDL_PixelFormat *, Uint8, Uint8, Uint8) = SDL_MapRGB;

/* Pure red: the value 0x00FF0000 in a picture of up to three bytes a pixel; in one of four, red's
 * bits all set and green's and blue's clear, whatever the fourth byte holds. */
static bool IsKeyColour(const SDL_PixelFormat *format, Uint32 pixel)
{
    if (format->BytesPerPixel != 4)
        return pixel == 0x00FF0000;
    Uint32 colour_bits = format->Rmask | format->Gmask | format->Bmask;
    return format->Rmask != 0 && (pixel & colour_bits) == format->Rmask;
}

void LiteralRecolourKeyPixels(SDL_Surface *screen, SDL_Surface *key, Uint32 row)
{
    int width = key->w < screen->w ? key->w : screen->w;
    int height = key->h < screen->h ? key->h : screen->h;
    width = width < 800 ? width : 800;
    height = height < 480 ? height : 480;
    Uint32 t = row * 100;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (!IsKeyColour(key->format, read_pixel(key, x, y)))
                continue;
            Uint8 red = (Uint8)((y + t) >> 4);
            Uint8 green = (Uint8)(x >> 3);
            Uint8 blue = (Uint8)(y >> 2);
            write_pixel(screen, x, y, map_rgb(screen->format, red, green, blue));
        }
    }
}

Uint64 SumPixelWords(const SDL_Surface *surface)
{
    const Uint8 *bytes = (const Uint8 *)surface->pixels;
    size_t size = (size_t)surface->h * surface->pitch;
    Uint64 sum = 0;
    size_t i = 0;
    for (; i + sizeof(Uint64) <= size; i += sizeof(Uint64)) {
        Uint64 word;
        memcpy(&word, bytes + i, sizeof word);
        sum += word;
    }
    for (; i < size; i++)
        sum += bytes[i];
    return sum;
}
