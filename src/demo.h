/* demo.h: the picture set and the drawing and pixel routines shared by the demo player's files. */
#ifndef DEMO_H
#define DEMO_H

#include "SDL.h"

/* The picture set: one surface per picture file, null when its file failed to load.
 * Loaded once at start-up and kept, in its loaded pixel format, until the process ends. */
extern SDL_Surface *isologo, *pilvet, *porkkana, *tehdas, *quelpmad, *blimt, *plimsa, *quelpsaksa,
    *loppu;

/* Fills the picture set from the working directory's nine BMP files. A picture that fails to
 * load, or has no positive size, leaves its slot null. */
void LoadPictures(void);

/* Composes and presents one frame for the music's current position. */
void DrawScreen(SDL_Surface *screen);

/* Repaints the screen pixels whose counterparts in plimsa are pure red with a gradient whose
 * red component scrolls with the module's row. The screen must be locked if SDL requires it. */
void RecolourKeyPixels(SDL_Surface *screen, Uint32 row);

/* Reads or writes one pixel in the surface's own format, 1 to 4 bytes per pixel. No locking,
 * no clipping: the caller locks the surface if needed and keeps (x, y) inside it. */
Uint32 getpixel(SDL_Surface *surface, int x, int y);
void putpixel(SDL_Surface *surface, int x, int y, Uint32 pixel);

#endif /* DEMO_H */
