/* bmp_rle.cpp: decodes RLE8 and RLE4 BMP pictures, which classic SDL 1.2 refuses, into the 8-bit
 * surface it makes for the same picture uncompressed. Every run, move and read is checked against
 * the row, the picture and the data, so a damaged stream refuses the picture and nothing is read
 * or written outside a buffer. */
#include "bmp.h"

#include <stddef.h>

/* SDL_CreateRGBSurface refuses these sizes and more. */
enum { RLE_WIDTH_LIMIT = 16384, RLE_HEIGHT_LIMIT = 65536 };
/* A run expands two bytes into at most 255 pixels, and moves and row ends skip pixels for less,
 * so a tiny file could claim a huge picture. Past a million pixels, a picture must bring at least
 * a byte of data for every 256 pixels. */
enum { RLE_FREE_PIXELS = 1 << 20, RLE_PIXELS_PER_BYTE = 256 };
/* The codes that follow a zero count. Any other starts a run of pixels given one by one. */
enum { RLE_END_OF_ROW = 0, RLE_END_OF_PICTURE = 1, RLE_MOVE = 2 };

/* The colour index of pixel i of a run: the byte itself for RLE8; for RLE4 the high, then the
 * low half of the byte. */
static Uint8 RunIndex(const Uint8 *bytes, int i, bool four_bits)
{
    if (!four_bits)
        return bytes[i];
    Uint8 byte = bytes[i / 2];
    return (i & 1) ? (Uint8)(byte & 0x0F) : (Uint8)(byte >> 4);
}

/* Decodes the data into the picture, whose pixels are 0 where the data leaves them. The file's
 * rows run from the bottom up. */
static bool DecodeRle(const Uint8 *data, size_t size, bool four_bits, int colours,
                      SDL_Surface *picture)
{
    const int width = picture->w;
    const int height = picture->h;
    int x = 0, y = 0; /* y counts rows from the bottom */
    size_t at = 0;
    while (size - at >= 2) {
        const int count = data[at];
        const int code = data[at + 1];
        at += 2;
        if (count == 0 && code == RLE_END_OF_PICTURE)
            return true;
        if (count == 0 && code == RLE_END_OF_ROW) {
            if (y >= height)
                return false;
            x = 0;
            ++y;
            continue;
        }
        if (count == 0 && code == RLE_MOVE) {
            if (size - at < 2 || data[at] > width - x || data[at + 1] > height - y)
                return false;
            x += data[at];
            y += data[at + 1];
            at += 2;
            continue;
        }

        /* An encoded run repeats the byte after the count; a run given one by one has `code`
         * pixels, padded to a 16-bit boundary. */
        const Uint8 *run = &data[at - 1];
        int pixels = count;
        if (count == 0) {
            pixels = code;
            size_t bytes = four_bits ? (size_t)(code + 1) / 2 : (size_t)code;
            size_t padded = (bytes + 1) & ~(size_t)1;
            if (size - at < padded)
                return false;
            run = &data[at];
            at += padded;
        }
        if (y >= height || pixels > width - x)
            return false;
        Uint8 *row = (Uint8 *)picture->pixels + (size_t)(height - 1 - y) * picture->pitch;
        for (int i = 0; i < pixels; ++i) {
            /* An encoded run's one byte holds its colours: RLE4 alternates its two halves. */
            Uint8 index = count ? RunIndex(run, four_bits ? i % 2 : 0, four_bits)
                                : RunIndex(run, i, four_bits);
            if (index >= colours)
                return false;
            row[x++] = index;
        }
    }
    return false; /* the data ends before the end-of-picture code */
}

/* The bytes from `offset` to the end of the stream, in SDL_malloc's memory; null when they cannot
 * be read. */
static Uint8 *ReadData(SDL_RWops *source, int offset, int size)
{
    Uint8 *data = (Uint8 *)SDL_malloc((size_t)size);
    if (!data)
        return NULL;
    if (SDL_RWseek(source, offset, RW_SEEK_SET) != offset ||
        SDL_RWread(source, data, 1, size) != size) {
        SDL_free(data);
        return NULL;
    }
    return data;
}

SDL_Surface *LoadRlePicture(SDL_RWops *source, int start, int size, const BmpFields *fields)
{
    const bool four_bits = fields->compression == BI_RLE4;
    const unsigned bits = four_bits ? 4 : 8;
    /* Each compression has its own depth, and a top-down picture cannot be compressed. */
    if ((fields->compression != BI_RLE8 && !four_bits) || fields->bitcount != bits ||
        fields->width <= 0 || fields->width >= RLE_WIDTH_LIMIT || fields->height <= 0 ||
        fields->height >= RLE_HEIGHT_LIMIT || fields->colours_used > (1u << bits) ||
        fields->offset >= (Uint32)size)
        return NULL;
    const int data_size = size - (int)fields->offset;
    const Uint64 pixels = (Uint64)fields->width * (Uint64)fields->height;
    if (pixels > RLE_FREE_PIXELS && pixels / RLE_PIXELS_PER_BYTE > (Uint64)data_size)
        return NULL;
    const int colours = fields->colours_used ? (int)fields->colours_used : 1 << bits;

    Uint8 *data = ReadData(source, start + (int)fields->offset, data_size);
    SDL_Surface *picture =
        data ? SDL_CreateRGBSurface(SDL_SWSURFACE, fields->width, fields->height, 8, 0, 0, 0, 0)
             : NULL;
    bool read = picture && picture->format->palette;
    if (read) {
        picture->format->palette->ncolors = colours;
        read = ReadBmpPalette(source, start, fields, picture->format->palette) &&
               DecodeRle(data, (size_t)data_size, four_bits, colours, picture);
    }
    SDL_free(data);
    if (!read && picture) {
        SDL_FreeSurface(picture);
        picture = NULL;
    }
    return picture;
}
