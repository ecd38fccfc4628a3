/* bmp.h: the BMP header fields as SDL 1.2 reads them, and the readers that make up for what classic
 * SDL 1.2 reads wrong or not at all: the palette after a long header, RLE-compressed pixels. */
#ifndef BMP_H
#define BMP_H

#include "SDL.h"

enum {
    BMP_FILE_HEADER_BYTES = 14,
    BMP_OS2_INFO_BYTES = 12,
    BMP_INFO_BYTES = 40,
};
enum { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

/* The fields of the file header and the info header that loading depends on. An OS/2 header's
 * compression is BI_RGB and its colour count 0, as SDL takes them. */
struct BmpFields {
    Uint32 offset; /* of the pixel data, from the start of the file */
    Uint32 info_size;
    Sint32 width, height;
    unsigned bitcount;
    Uint32 compression;
    Uint32 colours_used;
};

/* Reads the fields from the first `length` bytes of a file. False when they do not hold them. */
bool ReadBmpFields(const Uint8 *header, size_t length, BmpFields *fields);

/* Replaces the first colours of `palette` with the ones the file at `start` of the stream holds
 * after its info header, as many as the file declares and the palette has room for. False when
 * the stream cannot be read there. */
bool ReadBmpPalette(SDL_RWops *source, int start, const BmpFields *fields, SDL_Palette *palette);

/* Loads an RLE8 or RLE4 picture from the file at `start` of the stream, `size` bytes long, into
 * the 8-bit surface SDL makes for the same picture uncompressed. Null when the file is damaged:
 * a run or move past its row or the picture, a colour outside the palette, a stream cut short. */
SDL_Surface *LoadRlePicture(SDL_RWops *source, int start, int size, const BmpFields *fields);

#endif /* BMP_H */
