/* literal_recolour.h: reference passes the recolouring is measured against. */
#ifndef LITERAL_RECOLOUR_H
#define LITERAL_RECOLOUR_H

#include "SDL.h"

/* The recolouring as plainly written: every pixel of the scan area through getpixel, and
 * SDL_MapRGB and putpixel for every key pixel, each a real call. */
void LiteralRecolourKeyPixels(SDL_Surface *screen, SDL_Surface *key, Uint32 row);

/* The floor: one plain pass over every byte of the surface's pixels, summed as 64-bit words. */
Uint64 SumPixelWords(const SDL_Surface *surface);

#endif /* LITERAL_RECOLOUR_H */
