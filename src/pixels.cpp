/* pixels.cpp: generic single-pixel reads and writes on surfaces of 1 to 4 bytes per pixel. */
#include "demo.h"

#include <string.h>

/* 2- and 4-byte pixels go through memcpy: one load or store, whatever the pitch's alignment. */

Uint32 getpixel(SDL_Surface *surface, int x, int y)
{
    int bpp = surface->format->BytesPerPixel;
    const Uint8 *p = (const Uint8 *)surface->pixels + y * surface->pitch + x * bpp;

    switch (bpp) {
    case 1:
        return *p;
    case 2: {
        Uint16 value;
        memcpy(&value, p, sizeof value);
        return value;
    }
    case 3:
        /* Three bytes in SDL's order for the host: least significant first on little-endian. */
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN)
            return (Uint32)p[0] << 16 | (Uint32)p[1] << 8 | p[2];
        return p[0] | (Uint32)p[1] << 8 | (Uint32)p[2] << 16;
    case 4: {
        Uint32 value;
        memcpy(&value, p, sizeof value);
        return value;
    }
    default:
        return 0;
    }
}

void putpixel(SDL_Surface *surface, int x, int y, Uint32 pixel)
{
    int bpp = surface->format->BytesPerPixel;
    Uint8 *p = (Uint8 *)surface->pixels + y * surface->pitch + x * bpp;

    switch (bpp) {
    case 1:
        *p = (Uint8)pixel;
        break;
    case 2: {
        Uint16 value = (Uint16)pixel;
        memcpy(p, &value, sizeof value);
        break;
    }
    case 3:
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
            p[0] = (Uint8)(pixel >> 16);
            p[1] = (Uint8)(pixel >> 8);
            p[2] = (Uint8)pixel;
        } else {
            p[0] = (Uint8)pixel;
            p[1] = (Uint8)(pixel >> 8);
            p[2] = (Uint8)(pixel >> 16);
        }
        break;
    case 4:
        memcpy(p, &pixel, sizeof pixel);
        break;
    default:
        break;
    }
}
