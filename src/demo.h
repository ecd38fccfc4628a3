/* demo.h: the picture set and the drawing and pixel routines shared by the demo player's files. */
#ifndef DEMO_H
#define DEMO_H

#include "SDL.h"

/* The picture set: one surface per picture file, null when its file failed to load.
 * Loaded once at start-up and kept, in its loaded pixel format, until the process ends. */
extern SDL_Surface *isologo, *pilvet, *porkkana, *tehdas, *quelpmad, *blimt, *plimsa, *quelpsaksa,
    *loppu;

/* The scene table covers order positions 0 to SCENE_COUNT - 1; any other position is black. */
enum { SCENE_COUNT = 7 };

/* Fills the picture set from the working directory's nine BMP files. A picture that fails to
 * load, or has no positive size, leaves its slot null. */
void LoadPictures(void);
/* Loads a picture file as SDL_LoadBMP does: LoadPictureRW on the file. */
SDL_Surface *LoadPicture(const char *file);
/* Loads a picture from the stream, which it closes, with SDL_LoadBMP_RW, as the file means it
 * where classic SDL reads it wrong (a long header's palette) or not at all (RLE); the picture is
 * made to blit opaque. Null when it cannot be read, and when its header (PictureHeaderIsSafe) or
 * its loaded format (PictureFormatIsSafe) is one SDL mishandles. */
SDL_Surface *LoadPictureRW(SDL_RWops *source);
/* Whether SDL can load a BMP file of `file_size` bytes, whose first `length` bytes (66 suffice)
 * are `header`, without reading header fields the file lacks or allocating for pixels it lacks. */
bool PictureHeaderIsSafe(const Uint8 *header, size_t length, Uint64 file_size);
/* Whether SDL's blitters and the pixel routines read the loaded picture within its buffer, tables
 * and shifts: bits and bytes per pixel that agree, a palette at 8 bits, sound colour masks. */
bool PictureFormatIsSafe(const SDL_Surface *picture);

/* Composes and presents one frame for the music's current position. */
void DrawScreen(SDL_Surface *screen);

/* Repaints the screen pixels whose counterparts in plimsa are pure red with a gradient whose
 * red component scrolls with the module's row. The screen must be locked if SDL requires it. */
void RecolourKeyPixels(SDL_Surface *screen, Uint32 row);
/* Finds the key picture's pure-red pixels once, so that RecolourKeyPixels paints them without
 * reading the picture while it is plimsa. The picture must not change while prepared; null
 * forgets it (whoever frees or rewrites a prepared picture). LoadPictures prepares plimsa. */
void PrepareKeyPicture(SDL_Surface *picture);

/* Reads or writes one pixel in the surface's own format, 1 to 4 bytes per pixel. No locking,
 * no clipping: the caller locks the surface if needed and keeps (x, y) inside it. */
Uint32 getpixel(SDL_Surface *surface, int x, int y);
void putpixel(SDL_Surface *surface, int x, int y, Uint32 pixel);

#endif /* DEMO_H */
