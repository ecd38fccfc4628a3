/* pictures.cpp: loads the picture set from the working directory, for the demo and the capture
 * tool alike. */
#include "demo.h"

/* Loads one picture. SDL 1.2 takes a BMP height of -2^31 as a top-down picture whose height does
 * not negate, and returns a surface of that height over a one-byte buffer that its blitter then
 * overruns; a picture without a positive size counts as unreadable. */
static SDL_Surface *LoadPicture(const char *file)
{
    SDL_Surface *picture = SDL_LoadBMP(file);
    if (picture && (picture->w <= 0 || picture->h <= 0)) {
        SDL_FreeSurface(picture);
        return NULL;
    }
    return picture;
}

/* Fills the picture set from the working directory. A picture that fails to load leaves its slot
 * null, and its scenes show black. */
void LoadPictures(void)
{
    isologo = LoadPicture("isologo.bmp");
    pilvet = LoadPicture("pilvet.bmp");
    porkkana = LoadPicture("porkkana.bmp");
    tehdas = LoadPicture("tehdas.bmp");
    quelpmad = LoadPicture("quelpmad.bmp");
    blimt = LoadPicture("blimt.bmp");
    plimsa = LoadPicture("plimsa.bmp");
    quelpsaksa = LoadPicture("quelpsaksa.bmp");
    loppu = LoadPicture("loppu.bmp");
}
