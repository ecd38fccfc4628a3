/* bmp_palette.cpp: reads a BMP file's palette from where the file puts it, right after its info
 * header, for the pictures whose palette classic SDL 1.2 reads from elsewhere. */
#include "bmp.h"

#include <stdint.h>

enum { MAX_COLOURS = 256, ENTRY_BYTES = 4, OS2_ENTRY_BYTES = 3 };

bool ReadBmpPalette(SDL_RWops *source, int start, const BmpFields *fields, SDL_Palette *palette)
{
    /* The colours the file declares, all its depth can index when it declares none. The colour
     * masks of the longer headers lie inside the header. */
    Uint32 declared = fields->colours_used;
    if (declared == 0 && fields->bitcount <= 8)
        declared = 1u << fields->bitcount;
    int count = palette->ncolors;
    if (declared < (Uint32)count)
        count = (int)declared;
    if (count > MAX_COLOURS)
        return false;
    if (count <= 0)
        return true;

    int entry_bytes = fields->info_size == BMP_OS2_INFO_BYTES ? OS2_ENTRY_BYTES : ENTRY_BYTES;
    Sint64 at = (Sint64)start + BMP_FILE_HEADER_BYTES + fields->info_size;
    Uint8 entries[MAX_COLOURS * ENTRY_BYTES];
    if (at > INT32_MAX || SDL_RWseek(source, (int)at, RW_SEEK_SET) != at ||
        SDL_RWread(source, entries, entry_bytes, count) != count)
        return false;
    for (int i = 0; i < count; ++i) {
        const Uint8 *entry = entries + i * entry_bytes;
        palette->colors[i].b = entry[0];
        palette->colors[i].g = entry[1];
        palette->colors[i].r = entry[2];
        palette->colors[i].unused = 0;
    }
    return true;
}
