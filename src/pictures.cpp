/* pictures.cpp: loads a picture file with SDL's BMP loader, refusing the files that would make SDL
 * read uninitialised header fields or allocate for pixel data the file lacks, and the loaded
 * pictures that SDL's blitters or the pixel routines cannot read safely. On classic SDL 1.2 it
 * also reads what that loader gets wrong: long headers' palettes and RLE-compressed pictures. */
#include "bmp.h"
#include "demo.h"

#include <stdint.h>

/* The file header (14 bytes), the info header as SDL reads it (40 bytes; 12 for OS/2's) and
 * three colour masks. */
enum {
    FILE_HEADER_BYTES = BMP_FILE_HEADER_BYTES,
    OS2_INFO_BYTES = BMP_OS2_INFO_BYTES,
    INFO_BYTES = BMP_INFO_BYTES,
    MASK_BYTES = 12,
    HEADER_BYTES = FILE_HEADER_BYTES + INFO_BYTES + MASK_BYTES,
};
/* Classic SDL's SDL_CreateRGBSurface refuses pictures of these sizes or more; SDL2 would allocate
 * whatever a header declares, gigabytes for a few bytes of file, so both refuse them here. */
enum { SDL_WIDTH_LIMIT = 16384, SDL_HEIGHT_LIMIT = 65536 };
/* sdl12-compat, SDL 1.2's interface over SDL2, counts its versions from 1.2.50. */
enum { FIRST_COMPAT_PATCH = 50 };

static Uint32 ReadLe16(const Uint8 *p)
{
    return (Uint32)p[0] | (Uint32)p[1] << 8;
}

static Uint32 ReadLe32(const Uint8 *p)
{
    return ReadLe16(p) | ReadLe16(p + 2) << 16;
}

/* A row of an SDL surface, as SDL_CalculatePitch makes it for a bit count. SDL_AllocFormat keeps
 * bits and bytes per pixel in one byte each, so a count over 255 wraps; a row over 64 KiB gives
 * 0, and an empty buffer. */
static Uint64 SurfacePitch(Uint64 width, unsigned bitcount)
{
    Uint8 bits = (Uint8)bitcount;
    Uint8 bytes = (Uint8)((bitcount + 7) / 8);
    Uint64 pitch = width * bytes;
    if (bits == 1)
        pitch = (pitch + 7) / 8;
    else if (bits == 4)
        pitch = (pitch + 1) / 2;
    pitch = (pitch + 3) & ~(Uint64)3;
    return pitch > 0xFFFF ? 0 : pitch;
}

bool ReadBmpFields(const Uint8 *header, size_t length, BmpFields *fields)
{
    /* SDL_ReadLE16 and SDL_ReadLE32 return uninitialised values when the file ends early. */
    if (length < FILE_HEADER_BYTES + 4 || header[0] != 'B' || header[1] != 'M')
        return false;
    fields->offset = ReadLe32(header + 10);
    fields->info_size = ReadLe32(header + 14);
    const Uint8 *info = header + FILE_HEADER_BYTES + 4;
    bool os2 = fields->info_size == OS2_INFO_BYTES;
    if (length < (size_t)FILE_HEADER_BYTES + (os2 ? OS2_INFO_BYTES : INFO_BYTES))
        return false;
    if (os2) {
        fields->width = (Sint32)ReadLe16(info);
        fields->height = (Sint32)ReadLe16(info + 2);
        fields->bitcount = ReadLe16(info + 6);
        fields->compression = BI_RGB;
        fields->colours_used = 0;
    } else {
        fields->width = (Sint32)ReadLe32(info);
        fields->height = (Sint32)ReadLe32(info + 4);
        fields->bitcount = ReadLe16(info + 10);
        fields->compression = ReadLe32(info + 12);
        fields->colours_used = ReadLe32(info + 28);
    }
    return true;
}

bool PictureHeaderIsSafe(const Uint8 *header, size_t length, Uint64 file_size)
{
    BmpFields fields;
    if (!ReadBmpFields(header, length, &fields))
        return false;
    Uint32 offset = fields.offset;
    Uint32 info = fields.info_size;
    size_t info_end = FILE_HEADER_BYTES + (info == OS2_INFO_BYTES ? OS2_INFO_BYTES : INFO_BYTES);
    Sint32 width = fields.width, height = fields.height;
    unsigned bitcount = fields.bitcount;
    Uint32 compression = fields.compression;
    /* SDL turns a top-down picture's negative height positive; -2^31 has no positive. */
    if (height == INT32_MIN)
        return false;
    /* The colour masks that follow, read for these counts unless the pixels start right after
     * the header of a BI_RGB picture. */
    bool masked = bitcount == 15 || bitcount == 16 || bitcount == 32;
    if (compression == BI_RGB && offset == (Uint32)(FILE_HEADER_BYTES + info))
        masked = false;
    if (masked && (compression == BI_RGB || compression == BI_BITFIELDS) &&
        length < info_end + MASK_BYTES)
        return false;

    /* SDL's own masks for a 23-bit picture would give green 9 bits: it shifts by green's loss,
     * -1, while it makes them. */
    if (bitcount == 23 && (compression == BI_RGB || compression == BI_BITFIELDS))
        return false;

    Uint64 rows = (Uint64)(height < 0 ? -(Sint64)height : (Sint64)height);
    if (width >= SDL_WIDTH_LIMIT || rows >= SDL_HEIGHT_LIMIT)
        return false;
    /* What else SDL refuses before allocating is left to it. */
    bool refused_count =
        bitcount == 0 || bitcount == 2 || bitcount == 3 || (bitcount >= 5 && bitcount <= 7);
    if (width <= 0 || rows == 0 || refused_count ||
        (compression != BI_RGB && compression != BI_BITFIELDS))
        return true;

    /* SDL widens 1- and 4-bit pictures to 8 bits and reads their packed rows, padded to four
     * bytes but for the last row's padding, which it does not need; any other it reads a surface
     * row at a time. The buffer's size is an int. */
    bool widened = bitcount == 1 || bitcount == 4;
    Uint64 pitch = SurfacePitch((Uint64)width, widened ? 8 : bitcount);
    if (rows * pitch > INT32_MAX)
        return false;
    Uint64 pixel_bytes = rows * pitch;
    if (widened) {
        Uint64 packed = ((Uint64)width * bitcount + 7) / 8;
        pixel_bytes = (rows - 1) * ((packed + 3) & ~(Uint64)3) + packed;
    }
    return (Uint64)offset + pixel_bytes <= file_size;
}

/* Whether the loaded SDL is sdl12-compat, whose loader and blitters are SDL2's, rather than
 * classic SDL 1.2. */
static bool SdlIsCompat(void)
{
    const SDL_version *linked = SDL_Linked_Version();
    return linked && linked->major == 1 && linked->minor == 2 &&
           linked->patch >= FIRST_COMPAT_PATCH;
}

/* A colour channel that SDL_AllocFormat describes right: its mask one run inside the pixel, whose
 * shift and loss SDL has from it; an absent channel loses all 8 bits. With a gap the channel
 * exceeds 255, which makes the blitters index past their 256-entry colour maps. Past 8 bits the
 * loss goes negative and wraps, which classic SDL's blitters shift by, out of range; SDL2's read
 * the one such format it loads, 10-bit channels, by their own rule. */
static bool ChannelIsSafe(Uint32 mask, Uint8 shift, Uint8 loss, int bytes)
{
    if (mask == 0)
        return loss == 8;
    if (bytes < 4 && mask >> (8 * bytes) != 0)
        return false;
    int width = __builtin_popcount(mask);
    int widest = SdlIsCompat() ? 10 : 8;
    Uint32 run = mask >> __builtin_ctz(mask);
    return (run & (run + 1)) == 0 && width <= widest && shift == __builtin_ctz(mask) &&
           loss == (Uint8)(8 - width);
}

bool PictureFormatIsSafe(const SDL_Surface *picture)
{
    const SDL_PixelFormat *format = picture->format;
    int bits = format->BitsPerPixel;
    int bytes = format->BytesPerPixel;
    if (picture->w <= 0 || picture->h <= 0 || !picture->pixels)
        return false;
    /* SDL widens 1- and 4-bit files to 8 bits: fewer bits, or bytes that do not match the bits,
     * come only from a bit count SDL cut to one byte. */
    if (bits < 8 || bits > 32 || bytes != (bits + 7) / 8)
        return false;
    if (picture->pitch < picture->w * bytes)
        return false;
    if (bits == 8) {
        /* The blitters map each pixel through the palette into a 256-entry table. */
        const SDL_Palette *palette = format->palette;
        return palette && palette->colors && palette->ncolors >= 1 && palette->ncolors <= 256;
    }
    /* Channels sharing bits are no colour a BMP can describe. */
    if ((format->Rmask & format->Gmask) | (format->Rmask & format->Bmask) |
        (format->Gmask & format->Bmask) |
        (format->Amask & (format->Rmask | format->Gmask | format->Bmask)))
        return false;
    /* SDL leaves the loss of an absent alpha channel at 0 where it chose the masks itself. */
    return ChannelIsSafe(format->Rmask, format->Rshift, format->Rloss, bytes) &&
           ChannelIsSafe(format->Gmask, format->Gshift, format->Gloss, bytes) &&
           ChannelIsSafe(format->Bmask, format->Bshift, format->Bloss, bytes) &&
           (format->Amask == 0 ||
            ChannelIsSafe(format->Amask, format->Ashift, format->Aloss, bytes));
}

/* Makes a loaded picture blit opaque: pictures are shown as they are, never blended. SDL2's loader
 * (behind sdl12-compat) gives a 32-bit picture an alpha channel from its fourth byte, which
 * classic SDL keeps as padding. False when SDL refuses. */
static bool ShowOpaque(SDL_Surface *picture)
{
    if (!picture->format->Amask && !(picture->flags & SDL_SRCALPHA))
        return true;
    return SDL_SetAlpha(picture, 0, SDL_ALPHA_OPAQUE) == 0;
}

/* Reads the picture at `start` of the stream, `size` bytes long, with SDL's loader, and on classic
 * SDL what that loader gets wrong: it refuses RLE, and reads a palette right after the first 40
 * bytes of the info header, where a longer header has more fields. */
static SDL_Surface *ReadPicture(SDL_RWops *source, int start, int size, const BmpFields *fields)
{
    bool classic = !SdlIsCompat();
    bool rle = fields->compression == BI_RLE8 || fields->compression == BI_RLE4;
    /* RLE runs from the bottom row up; SDL2 reads a top-down one all the same. */
    if (rle && fields->height < 0)
        return NULL;
    if (classic && rle)
        return LoadRlePicture(source, start, size, fields);
    SDL_Surface *picture = SDL_LoadBMP_RW(source, 0);
    if (!picture || !classic || fields->info_size <= INFO_BYTES || !picture->format->palette)
        return picture;
    if (!ReadBmpPalette(source, start, fields, picture->format->palette)) {
        SDL_FreeSurface(picture);
        return NULL;
    }
    return picture;
}

SDL_Surface *LoadPictureRW(SDL_RWops *source)
{
    if (!source)
        return NULL;
    /* The header is checked on the stream itself, which is then read from where it started. */
    SDL_Surface *picture = NULL;
    Uint8 header[HEADER_BYTES];
    BmpFields fields;
    int start = SDL_RWtell(source);
    int length = SDL_RWread(source, header, 1, sizeof header);
    int end = SDL_RWseek(source, 0, RW_SEEK_END);
    if (start >= 0 && length >= 0 && end >= start &&
        SDL_RWseek(source, start, RW_SEEK_SET) == start &&
        PictureHeaderIsSafe(header, (size_t)length, (Uint64)(end - start)) &&
        ReadBmpFields(header, (size_t)length, &fields))
        picture = ReadPicture(source, start, end - start, &fields);
    SDL_RWclose(source);

    if (picture && (!PictureFormatIsSafe(picture) || !ShowOpaque(picture))) {
        SDL_FreeSurface(picture);
        picture = NULL;
    }
    return picture;
}

SDL_Surface *LoadPicture(const char *file)
{
    return LoadPictureRW(SDL_RWFromFile(file, "rb"));
}

/* Fills the picture set from the working directory, for the demo and the capture tool alike. A
 * picture that fails to load, or that SDL could not show safely, leaves its slot null, and its
 * scenes show black. */
void LoadPictures(void)
{
    isologo = LoadPicture("isologo.bmp");
    pilvet = LoadPicture("pilvet.bmp");
    porkkana = LoadPicture("porkkana.bmp");
    tehdas = LoadPicture("tehdas.bmp");
    quelpmad = LoadPicture("quelpmad.bmp");
    blimt = LoadPicture("blimt.bmp");
    plimsa = LoadPicture("plimsa.bmp");
    PrepareKeyPicture(plimsa);
    quelpsaksa = LoadPicture("quelpsaksa.bmp");
    loppu = LoadPicture("loppu.bmp");
}
