/* main.cpp: the demo's entry: starts the music and the window, loads the pictures, runs the frame
 * loop until a key or window close, and shuts down. */
#include "demo.h"

#include "bassmod.h"

#include <stdio.h>

SDL_Surface *isologo, *pilvet, *porkkana, *tehdas, *quelpmad, *blimt, *plimsa, *quelpsaksa, *loppu;

/* Load flags of the module: the value the demo has always passed. */
static const uint32_t MUSIC_LOAD_FLAGS = 0x202;

/* Makes a loaded picture blit opaque: pictures are shown as they are, never blended. SDL2's loader
 * (behind sdl12-compat) gives a 32-bit picture an alpha channel from its fourth byte, which
 * classic SDL keeps as padding. False when SDL refuses. */
static bool ShowOpaque(SDL_Surface *picture)
{
    if (!picture->format->Amask && !(picture->flags & SDL_SRCALPHA))
        return true;
    return SDL_SetAlpha(picture, 0, SDL_ALPHA_OPAQUE) == 0;
}

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
    if (picture && !ShowOpaque(picture)) {
        SDL_FreeSurface(picture);
        return NULL;
    }
    return picture;
}

/* Fills the picture set from the working directory. A picture that fails to load leaves its slot
 * null, and its scenes show black. */
static void LoadPictures(void)
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

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    int keypress = 0;
    SDL_Event event;

    if (BASSMOD_GetVersion() != 2) {
        printf("BASSMOD version 2.0 was not loaded\n");
        return -1;
    }
    if (!BASSMOD_Init(-1, 44100, 0))
        return -1;
    if (!BASSMOD_MusicLoad(0, "music.xm", 0, 0, MUSIC_LOAD_FLAGS))
        return -1;

    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return 1;
    SDL_Surface *screen = SDL_SetVideoMode(800, 480, 16, SDL_HWSURFACE);
    if (!screen) {
        SDL_Quit();
        return 1;
    }

    LoadPictures();
    BASSMOD_MusicPlay();

    /* One frame, then every queued event; a key-down or a window close ends the demo. */
    while (!keypress) {
        DrawScreen(screen);
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN)
                keypress = 1;
        }
    }

    BASSMOD_Free();
    SDL_Quit();
    return 0;
}
