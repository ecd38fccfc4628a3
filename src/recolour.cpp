/* recolour.cpp: scene 5's gradient over plimsa's pure-red pixels, scrolling with the row. */
#include "demo.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

enum {
    SCAN_WIDTH = 800,
    SCAN_HEIGHT = 480,
    /* Green is x / 8, so the gradient comes in runs of 8 pixels that share one colour. */
    GREEN_RUN = 8,
    GREEN_STEPS = SCAN_WIDTH / GREEN_RUN,
};

static int Smallest(int a, int b, int c)
{
    int least = a < b ? a : b;
    return least < c ? least : c;
}

/* A three-byte picture's key is the pixel value 0x00FF0000, pure red as SDL loads a 24-bit BMP:
 * its three bytes in memory, in the byte order getpixel reads them. */
static constexpr Uint8 KEY_BYTES[3] = {SDL_BYTEORDER == SDL_BIG_ENDIAN ? 0xFF : 0, 0,
                                       SDL_BYTEORDER == SDL_BIG_ENDIAN ? 0 : 0xFF};

static inline bool IsKeyPixel24(const Uint8 *p)
{
    return p[0] == KEY_BYTES[0] && p[1] == KEY_BYTES[1] && p[2] == KEY_BYTES[2];
}

/* A four-byte picture's fourth byte is padding or alpha, which loaders fill in differently (SDL2
 * sets an all-zero one to 0xFF), so only its colour bits are compared with pure red. */
struct KeyBits32 {
    Uint32 colour_mask, key;
};

static KeyBits32 KeyBitsOf(const SDL_PixelFormat *format)
{
    return {format->Rmask | format->Gmask | format->Bmask, format->Rmask};
}

static inline bool IsKeyPixel32(const Uint8 *p, KeyBits32 key)
{
    Uint32 value;
    memcpy(&value, p, sizeof value);
    return (value & key.colour_mask) == key.key;
}

/* Three-byte pixels are scanned in chunks of 16, 48 bytes, two runs of one green. A chunk's key
 * pixels are marked in a 48-bit mask, bit 3 * i for pixel i. */
enum { CHUNK = 2 * GREEN_RUN, CHUNK_BYTES = CHUNK * 3 };
static const Uint64 ALL_PIXELS = 0x249249249249ULL;

struct KeyChunk {
    Uint8 bytes[CHUNK_BYTES];
};

static constexpr KeyChunk MakeKeyChunk()
{
    KeyChunk chunk = {};
    for (int i = 0; i < CHUNK_BYTES; i++)
        chunk.bytes[i] = KEY_BYTES[i % 3];
    return chunk;
}

/* 16 key pixels in a row, as they lie in memory. */
alignas(16) static constexpr KeyChunk KEY_CHUNK = MakeKeyChunk();

#if defined(__SSE2__)
/* Compares 16 bytes at p with the key chunk's at `offset`: bit i set where byte i is equal. */
static inline Uint64 EqualBytes16(const Uint8 *p, int offset)
{
    __m128i bytes = _mm_loadu_si128((const __m128i *)(p + offset));
    __m128i key = _mm_load_si128((const __m128i *)(KEY_CHUNK.bytes + offset));
    return (Uint32)_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, key));
}

/* Bit 3 * i set for each of the 16 pixels at p that is the key: all three of its bytes equal. */
static inline Uint64 KeyPixelBits(const Uint8 *p)
{
    Uint64 equal = EqualBytes16(p, 0) | EqualBytes16(p, 16) << 16 | EqualBytes16(p, 32) << 32;
    return equal & equal >> 1 & equal >> 2 & ALL_PIXELS;
}
#else
static inline Uint64 KeyPixelBits(const Uint8 *p)
{
    Uint64 bits = 0;
    for (int i = 0; i < CHUNK; i++)
        if (IsKeyPixel24(p + i * 3))
            bits |= 1ULL << (i * 3);
    return bits;
}
#endif

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

#if defined(__SSE2__)
/* All ones in the 32-bit lanes of the 4 pixels whose key bits lie at 0, 3, 6 and 9 in `bits`. */
static inline __m128i PixelLanes4(Uint64 bits)
{
    const __m128i select = _mm_setr_epi32(1 << 0, 1 << 3, 1 << 6, 1 << 9);
    __m128i spread = _mm_set1_epi32((int)(bits & 0xFFF));
    return _mm_cmpeq_epi32(_mm_and_si128(spread, select), select);
}

/* Keeps `old` where `lanes` is zero and takes `colour` where it is all ones. */
static inline __m128i Blend(__m128i lanes, __m128i colour, __m128i old)
{
    return _mm_or_si128(_mm_and_si128(lanes, colour), _mm_andnot_si128(lanes, old));
}

/* Paints the key pixels among the chunk of 16 at x, whose bits are in `bits`, on a 2- or 4-byte
 * screen: loads the chunk's screen pixels, blends in the run colours and stores them all back.
 * False for other screens, which are left to the caller. */
static inline bool StoreMasked(int bpp, Uint8 *screen_row, int x, Uint64 bits, Uint32 first,
                               Uint32 second)
{
    __m128i lanes[4];
    for (int group = 0; group < 4; group++)
        lanes[group] = PixelLanes4(bits >> (12 * group));
    if (bpp == 2) {
        __m128i *out = (__m128i *)(screen_row + x * 2);
        __m128i low = _mm_packs_epi32(lanes[0], lanes[1]);
        __m128i high = _mm_packs_epi32(lanes[2], lanes[3]);
        __m128i first16 = _mm_set1_epi16((short)first);
        __m128i second16 = _mm_set1_epi16((short)second);
        _mm_storeu_si128(out, Blend(low, first16, _mm_loadu_si128(out)));
        _mm_storeu_si128(out + 1, Blend(high, second16, _mm_loadu_si128(out + 1)));
        return true;
    }
    if (bpp == 4) {
        __m128i *out = (__m128i *)(screen_row + x * 4);
        for (int group = 0; group < 4; group++) {
            __m128i colour = _mm_set1_epi32((int)(group < 2 ? first : second));
            _mm_storeu_si128(out + group,
                             Blend(lanes[group], colour, _mm_loadu_si128(out + group)));
        }
        return true;
    }
    return false;
}
#else
static inline bool StoreMasked(int, Uint8 *, int, Uint64, Uint32, Uint32)
{
    return false;
}
#endif

/* One row of the scan over `width` pixels of a 3-byte key picture, a chunk of 16 at a time: a
 * chunk without key pixels is passed over, one of key pixels only is painted as two runs, and
 * the others through a blend of old and new pixels (pixel by pixel on 1- and 3-byte screens). */
static void RecolourRow24(SDL_Surface *screen, int y, int width, const Uint32 *colours,
                          Uint32 row_bits)
{
    int bpp = screen->format->BytesPerPixel;
    const Uint8 *key_row = (const Uint8 *)plimsa->pixels + y * plimsa->pitch;
    Uint8 *screen_row = (Uint8 *)screen->pixels + y * screen->pitch;

    int chunks_end = width / CHUNK * CHUNK;
    for (int x = 0; x < chunks_end; x += CHUNK) {
        Uint64 bits = KeyPixelBits(key_row + x * 3);
        if (bits == 0)
            continue;
        Uint32 first = colours[x / GREEN_RUN] | row_bits;
        Uint32 second = colours[x / GREEN_RUN + 1] | row_bits;
        if (bits == ALL_PIXELS) {
            StoreRun(screen, bpp, screen_row, x, y, first);
            StoreRun(screen, bpp, screen_row, x + GREEN_RUN, y, second);
            continue;
        }
        if (StoreMasked(bpp, screen_row, x, bits, first, second))
            continue;
        for (; bits; bits &= bits - 1) {
            int i = __builtin_ctzll(bits) / 3;
            StorePixel(screen, bpp, screen_row, x + i, y, i < GREEN_RUN ? first : second);
        }
    }
    for (int x = chunks_end; x < width; x++) {
        if (IsKeyPixel24(key_row + x * 3))
            StorePixel(screen, bpp, screen_row, x, y, colours[x / GREEN_RUN] | row_bits);
    }
}

static void RecolourRow32(SDL_Surface *screen, int y, int width, const Uint32 *colours,
                          Uint32 row_bits, KeyBits32 key)
{
    int bpp = screen->format->BytesPerPixel;
    const Uint8 *key_row = (const Uint8 *)plimsa->pixels + y * plimsa->pitch;
    Uint8 *screen_row = (Uint8 *)screen->pixels + y * screen->pitch;

    for (int x = 0; x < width; x++) {
        if (IsKeyPixel32(key_row + x * 4, key))
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
    /* A four-byte format without red bits has no pure red. */
    KeyBits32 key = KeyBitsOf(plimsa->format);
    if (key_bpp == 4 && key.key == 0)
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
            RecolourRow32(screen, y, width, colours, row_bits, key);
    }
}
