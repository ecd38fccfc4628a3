/* recolour.cpp: scene 5's gradient over plimsa's pure-red pixels, scrolling with the row. */
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

/* The key colour's three bytes in memory, in the byte order getpixel reads them. */
static const Uint8 KEY_BYTES[3] = {SDL_BYTEORDER == SDL_BIG_ENDIAN ? 0xFF : 0, 0,
                                   SDL_BYTEORDER == SDL_BIG_ENDIAN ? 0 : 0xFF};

static inline bool IsKeyPixel24(const Uint8 *p)
{
    return p[0] == KEY_BYTES[0] && p[1] == KEY_BYTES[1] && p[2] == KEY_BYTES[2];
}

static inline bool IsKeyPixel32(const Uint8 *p)
{
    Uint32 value;
    memcpy(&value, p, sizeof value);
    return value == KEY_COLOUR;
}

/* A run of 8 three-byte pixels is 24 bytes, held as three 64-bit words. */
enum { RUN_WORDS = 3 };

/* Fills `key` with a run of 8 key pixels, for comparing whole runs at once. */
static void MakeKeyRun24(Uint64 *key)
{
    Uint8 bytes[GREEN_RUN * 3];
    for (int i = 0; i < GREEN_RUN * 3; i++)
        bytes[i] = KEY_BYTES[i % 3];
    memcpy(key, bytes, sizeof bytes);
}

/* True when any byte of the run is 0xFF. A run without one holds no key pixel. Each word is
 * tested for a zero byte in its complement. */
static inline bool HasByteFF(const Uint64 *run)
{
    const Uint64 ones = 0x0101010101010101ULL;
    const Uint64 highs = 0x8080808080808080ULL;
    Uint64 found = 0;
    for (int i = 0; i < RUN_WORDS; i++)
        found |= (~run[i] - ones) & run[i] & highs;
    return found != 0;
}

static inline bool IsKeyRun(const Uint64 *run, const Uint64 *key)
{
    return ((run[0] ^ key[0]) | (run[1] ^ key[1]) | (run[2] ^ key[2])) == 0;
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

/* Writes a whole run of 8 pixels of one colour, starting at x. */
static inline void StoreRun(SDL_Surface *screen, int bpp, Uint8 *screen_row, int x, int y,
                            Uint32 colour)
{
    if (bpp == 2) {
        Uint16 values[GREEN_RUN];
        for (int i = 0; i < GREEN_RUN; i++)
            values[i] = (Uint16)colour;
        memcpy(screen_row + x * 2, values, sizeof values);
    } else if (bpp == 4) {
        Uint32 values[GREEN_RUN];
        for (int i = 0; i < GREEN_RUN; i++)
            values[i] = colour;
        memcpy(screen_row + x * 4, values, sizeof values);
    } else {
        for (int i = 0; i < GREEN_RUN; i++)
            putpixel(screen, x + i, y, colour);
    }
}

/* One row of the scan over `width` pixels of a 3-byte key picture. Runs of 8 are tested as a
 * whole first: most are entirely key, or free of the byte 0xFF and so of any key pixel; from such
 * a run memchr skips to the next 0xFF. Only the other runs are tested pixel by pixel. */
static void RecolourRow24(SDL_Surface *screen, int y, int width, const Uint32 *colours,
                          Uint32 row_bits)
{
    Uint64 key_run[RUN_WORDS];
    MakeKeyRun24(key_run);
    int bpp = screen->format->BytesPerPixel;
    const Uint8 *key_row = (const Uint8 *)plimsa->pixels + y * plimsa->pitch;
    Uint8 *screen_row = (Uint8 *)screen->pixels + y * screen->pitch;

    int whole_runs_end = width / GREEN_RUN * GREEN_RUN;
    int x = 0;
    while (x < whole_runs_end) {
        Uint64 run[RUN_WORDS];
        memcpy(run, key_row + x * 3, sizeof run);
        Uint32 colour = colours[x / GREEN_RUN] | row_bits;
        if (IsKeyRun(run, key_run)) {
            StoreRun(screen, bpp, screen_row, x, y, colour);
            x += GREEN_RUN;
            continue;
        }
        if (!HasByteFF(run)) {
            /* Skip ahead to the run that holds the row's next 0xFF byte, if any. */
            int from = x + GREEN_RUN;
            const Uint8 *next = (const Uint8 *)memchr(key_row + from * 3, 0xFF,
                                                      (size_t)(whole_runs_end - from) * 3);
            x = next ? (int)(next - key_row) / 3 / GREEN_RUN * GREEN_RUN : whole_runs_end;
            continue;
        }
        for (int i = 0; i < GREEN_RUN; i++) {
            if (IsKeyPixel24(key_row + (x + i) * 3))
                StorePixel(screen, bpp, screen_row, x + i, y, colour);
        }
        x += GREEN_RUN;
    }
    for (; x < width; x++) {
        if (IsKeyPixel24(key_row + x * 3))
            StorePixel(screen, bpp, screen_row, x, y, colours[x / GREEN_RUN] | row_bits);
    }
}

static void RecolourRow32(SDL_Surface *screen, int y, int width, const Uint32 *colours,
                          Uint32 row_bits)
{
    int bpp = screen->format->BytesPerPixel;
    const Uint8 *key_row = (const Uint8 *)plimsa->pixels + y * plimsa->pitch;
    Uint8 *screen_row = (Uint8 *)screen->pixels + y * screen->pitch;

    for (int x = 0; x < width; x++) {
        if (IsKeyPixel32(key_row + x * 4))
            StorePixel(screen, bpp, screen_row, x, y, colours[x / GREEN_RUN] | row_bits);
    }
}

/* Sets up a row's colours, colours[x / 8] | the result. Without a palette SDL_MapRGB ORs
 * independent red, green, blue and alpha bits, so green's part is mapped once per frame and red and
 * blue's once per row. With a palette each colour is mapped whole, again whenever red or blue
 * changes. */
static Uint32 MapRowColours(SDL_PixelFormat *format, int runs, Uint8 red, Uint8 blue,
                            Uint32 *colours)
{
    if (!format->palette)
        return SDL_MapRGB(format, red, 0, blue);
    for (int run = 0; run < runs; run++)
        colours[run] = SDL_MapRGB(format, red, (Uint8)(run & 0xFF), blue);
    return 0;
}

void RecolourKeyPixels(SDL_Surface *screen, Uint32 row)
{
    if (!plimsa)
        return;
    /* Pixels of 1 or 2 bytes (or an unknown size, which reads as 0) never equal the key. */
    int key_bpp = plimsa->format->BytesPerPixel;
    if (key_bpp != 3 && key_bpp != 4)
        return;

    /* Scan only where the picture, the screen and the 800x480 area all overlap. */
    int width = Smallest(SCAN_WIDTH, plimsa->w, screen->w);
    int height = Smallest(SCAN_HEIGHT, plimsa->h, screen->h);
    int runs = (width + GREEN_RUN - 1) / GREEN_RUN;
    Uint32 t = row * 100;

    SDL_PixelFormat *format = screen->format;
    Uint32 colours[GREEN_STEPS] = {0};
    Uint32 row_bits = 0;
    if (!format->palette) {
        for (int run = 0; run < runs; run++)
            colours[run] = SDL_MapRGB(format, 0, (Uint8)(run & 0xFF), 0);
    }

    int mapped_red = -1, mapped_blue = -1;
    for (int y = 0; y < height; y++) {
        int red = (int)(((y + t) >> 4) & 0xFF);
        int blue = (y >> 2) & 0xFF;
        if (red != mapped_red || blue != mapped_blue) {
            row_bits = MapRowColours(format, runs, (Uint8)red, (Uint8)blue, colours);
            mapped_red = red;
            mapped_blue = blue;
        }
        if (key_bpp == 3)
            RecolourRow24(screen, y, width, colours, row_bits);
        else
            RecolourRow32(screen, y, width, colours, row_bits);
    }
}
