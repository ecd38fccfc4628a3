/* recolour.cpp: scene 5's gradient over plimsa's pure-red pixels, scrolling with the row. The key
 * picture never changes, so its key pixels are found once, as runs along its rows. */
#include "demo.h"

#include <string.h>

/* Green is x / 8, in steps of 8 pixels; a row has the most runs if key and others alternate. */
enum { SCAN_WIDTH = 800, SCAN_HEIGHT = 480, GREEN_STEP = 8, MOST_ROW_RUNS = SCAN_WIDTH / 2 };
enum { GREEN_STEPS = SCAN_WIDTH / GREEN_STEP };

struct KeyRun {
    Uint16 start, end; /* key pixels x = start to end - 1 of a row */
};

/* The runs of the prepared key picture, known by its surface, pixels and format: row y's are
 * runs[first[y]] up to runs[first[y + 1]]. Static, so that preparing never fails. */
static struct {
    const SDL_Surface *picture;
    const void *pixels;
    const SDL_PixelFormat *format;
    int first[SCAN_HEIGHT + 1];
    KeyRun runs[SCAN_HEIGHT * MOST_ROW_RUNS];
} prepared;

/* Pure red as getpixel reads it: 0x00FF0000, a 24-bit BMP's red; of four bytes only the colour
 * bits, as loaders fill the fourth (padding or alpha) in differently: SDL2 turns 0 into 0xFF. */
static bool IsKeyColour(const SDL_PixelFormat *format, Uint32 pixel)
{
    Uint32 colour_bits = format->Rmask | format->Gmask | format->Bmask;
    if (format->BytesPerPixel == 4)
        return format->Rmask != 0 && (pixel & colour_bits) == format->Rmask;
    return pixel == 0x00FF0000;
}

/* Stores the runs of key pixels in row y of the picture, within the scan area; returns how many. */
static int FindRowRuns(SDL_Surface *picture, int y, KeyRun *runs)
{
    int count = 0;
    for (int x = 0; x < picture->w && x < SCAN_WIDTH; x++) {
        if (!IsKeyColour(picture->format, getpixel(picture, x, y)))
            continue;
        if (count == 0 || runs[count - 1].end != x)
            runs[count++].start = (Uint16)x;
        runs[count - 1].end = (Uint16)(x + 1);
    }
    return count;
}

void PrepareKeyPicture(SDL_Surface *picture)
{
    prepared.picture = picture;
    if (!picture)
        return;
    prepared.pixels = picture->pixels;
    prepared.format = picture->format;
    int count = 0, y = 0;
    for (; y < picture->h && y < SCAN_HEIGHT; y++) {
        prepared.first[y] = count;
        count += FindRowRuns(picture, y, prepared.runs + count);
    }
    prepared.first[y] = count;
}

/* Paints a row's runs up to the screen's width. Without a palette SDL_MapRGB ORs channel bits:
 * x's colour is greens[x] | red_blue; with one, the row's steps[x / 8], each mapped whole. */
static void PaintRuns(SDL_Surface *screen, int y, const KeyRun *runs, int count,
                      const Uint32 *greens, Uint32 red_blue, const Uint32 *steps)
{
    int bpp = screen->format->BytesPerPixel;
    bool ored = !screen->format->palette;
    Uint8 *line = (Uint8 *)screen->pixels + y * screen->pitch;
    for (const KeyRun *run = runs; run < runs + count; run++) {
        int x = run->start, end = run->end < screen->w ? run->end : screen->w;
        for (; ored && bpp == 2 && x < end; x++) {
            Uint16 colour = (Uint16)(greens[x] | red_blue);
            memcpy(line + x * 2, &colour, sizeof colour);
        }
        for (; ored && bpp == 4 && x < end; x++) {
            Uint32 colour = greens[x] | red_blue;
            memcpy(line + x * 4, &colour, sizeof colour);
        }
        for (; x < end; x++)
            putpixel(screen, x, y, ored ? greens[x] | red_blue : steps[x / GREEN_STEP]);
    }
}

void RecolourKeyPixels(SDL_Surface *screen, Uint32 row)
{
    if (!plimsa)
        return;
    bool is_prepared = plimsa == prepared.picture && plimsa->pixels == prepared.pixels &&
                       plimsa->format == prepared.format;
    int height = plimsa->h < screen->h ? plimsa->h : screen->h;
    height = height < SCAN_HEIGHT ? height : SCAN_HEIGHT;
    SDL_PixelFormat *format = screen->format;
    Uint32 greens[SCAN_WIDTH] = {0}, steps[GREEN_STEPS] = {0}, red_blue = 0, green = 0;
    for (int x = 0; x < SCAN_WIDTH && !format->palette; x++) {
        if (x % GREEN_STEP == 0)
            green = SDL_MapRGB(format, 0, (Uint8)(x / GREEN_STEP), 0);
        greens[x] = green;
    }
    KeyRun found[MOST_ROW_RUNS]; /* the row's runs, when plimsa is not the prepared picture */
    int mapped = -1;             /* red << 8 | blue of the row's colours */
    for (int y = 0; y < height; y++) {
        const KeyRun *runs = is_prepared ? prepared.runs + prepared.first[y] : found;
        int count =
            is_prepared ? prepared.first[y + 1] - prepared.first[y] : FindRowRuns(plimsa, y, found);
        if (count == 0)
            continue;
        Uint8 red = (Uint8)((y + row * 100) >> 4), blue = (Uint8)(y >> 2);
        if ((red << 8 | blue) != mapped) {
            red_blue = format->palette ? 0 : SDL_MapRGB(format, red, 0, blue);
            for (int step = 0; step < GREEN_STEPS && format->palette; step++)
                steps[step] = SDL_MapRGB(format, red, (Uint8)step, blue);
            mapped = red << 8 | blue;
        }
        PaintRuns(screen, y, runs, count, greens, red_blue, steps);
    }
}
