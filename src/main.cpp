/* main.cpp: the demo's entry: starts the music and the window, loads the pictures, runs the frame
 * loop until a key or window close, and shuts down. */
#include "demo.h"

#include "bassmod.h"

#include <stdio.h>

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
    if (!BASSMOD_MusicLoad(0, "music.xm", 0, 0, BASSMOD_MUSIC_PLAYONCE))
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
