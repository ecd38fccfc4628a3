/* recolour.cpp: scene 5's effect: plimsa's pure-red pixels repainted with a row-scrolled gradient.
 */
#include "demo.h"

#include <string.h>

enum {
    SCAN_WIDTH = 800,
    SCAN_HEIGHT = 480,
    /* Green is x / 8, so the gradient comes in runs of 8 pixels that share one colour. */
    GREEN_RUN = 8,
    GREEN_STEPS = SCAN_WIDTH / GREEN_RUN,
};

static const Uint32 KEY_COLOUR = 0x00FF0000;

static int Smallest(int a, int b, int c)
{
    int least = a < b ? a : b;
    return least < c ? least : c;
}

/* True when the 3-byte pixel reads as KEY_COLOUR, in the byte order getpixel uses. */
static inline bool IsKeyPixel24(const Uint8 *p)
{
    if (SDL_BYTEORDER == SDL_BIG_ENDIAN)
        return p[0] == 0xFF && p[1] == 0 && p[2] == 0;
    return p[0] == 0 && p[1] == 0 && p[2] == 0xFF;
}

static inline bool IsKeyPixel32(const Uint8 *p)
{
    Uint32 value;
    memcpy(&value, p, sizeof value);
    return value == KEY_COLOUR;
}

/* True when any of the 24 bytes (one run of 3-byte pixels) is 0xFF; a run without one cannot
 * hold the key colour. Tests 8 bytes at a time for a zero byte in their complement. */
static inline bool RunMayHoldKey24(const Uint8 *run)
{
    const Uint64 ones = 0x0101010101010101ULL;
    const Uint64 highs = 0x8080808080808080ULL;
    Uint64 words[3];
    memcpy(words, run, sizeof words);

    Uint64 found = 0;
    for (Uint64 word : words)
        found |= (~word - ones) & word & highs;
    return found != 0;
}

/* Writes one gradient pixel: directly for 2- and 4-byte screens, through putpixel otherwise. */
static inline void StorePixel(SDL_Surface *screen, int bpp, Uint8 *screen_row, int x, int y,
                              Uint32 colour)
{
    if (bpp == 2) {
        Uint16 value = (Uint16)colour;
        memcpy(screen_row + x * 2, &value, sizeof value);
    } else if (bpp == 4) {
        memcpy(screen_row + x * 4, &colour, sizeof colour);
    } else {
        putpixel(screen, x, y, colour);
    }
}

/* One row of the scan, over `width` pixels, with `colours` holding the row's gradient per run. */
static void RecolourRow(SDL_Surface *screen, int y, int width, const Uint32 *colours)
{
    int key_bpp = plimsa->format->BytesPerPixel;
    int screen_bpp = screen->format->BytesPerPixel;
    const Uint8 *key_row = (const Uint8 *)plimsa->pixels + y * plimsa->pitch;
    Uint8 *screen_row = (Uint8 *)screen->pixels + y * screen->pitch;

    int x = 0;
    if (key_bpp == 3) {
        for (; x + GREEN_RUN <= width; x += GREEN_RUN) {
            const Uint8 *run = key_row + x * 3;
            if (!RunMayHoldKey24(run))
                continue;
            for (int i = 0; i < GREEN_RUN; i++) {
                if (IsKeyPixel24(run + i * 3))
                    StorePixel(screen, screen_bpp, screen_row, x + i, y, colours[x / GREEN_RUN]);
            }
        }
    }
    for (; x < width; x++) {
        const Uint8 *p = key_row + x * key_bpp;
        bool key = key_bpp == 3 ? IsKeyPixel24(p) : IsKeyPixel32(p);
        if (key)
            StorePixel(screen, screen_bpp, screen_row, x, y, colours[x / GREEN_RUN]);
    }
}

void RecolourKeyPixels(SDL_Surface *screen, Uint32 row)
{
    if (!plimsa)
        return;
    /* Pixels of 1 or 2 bytes (or an unknown size, which reads as 0) never equal the key. */
    int bpp = plimsa->format->BytesPerPixel;
    if (bpp != 3 && bpp != 4)
        return;

    /* Scan only where the picture, the screen and the 800x480 area all overlap. */
    int width = Smallest(SCAN_WIDTH, plimsa->w, screen->w);
    int height = Smallest(SCAN_HEIGHT, plimsa->h, screen->h);
    Uint32 t = row * 100;

    /* red and blue are fixed along a row, green per run: map each run's colour once, and again
     * only when red or blue changes. */
    Uint32 colours[GREEN_STEPS];
    int runs = (width + GREEN_RUN - 1) / GREEN_RUN;
    int mapped_red = -1, mapped_blue = -1;

    for (int y = 0; y < height; y++) {
        int red = (int)(((y + t) >> 4) & 0xFF);
        int blue = (y >> 2) & 0xFF;
        if (red != mapped_red || blue != mapped_blue) {
            for (int run = 0; run < runs; run++)
                colours[run] =
                    SDL_MapRGB(screen->format, (Uint8)red, (Uint8)(run & 0xFF), (Uint8)blue);
            mapped_red = red;
            mapped_blue = blue;
        }
        RecolourRow(screen, y, width, colours);
    }
}
