/* scenes.cpp: one frame of the demo, chosen by the music's order position from the scene table. */
#include "demo.h"

#include "bassmod.h"

#include <stdio.h>

/* The scene table: the picture slot each order position shows. */
static SDL_Surface **const SCENE_PICTURES[] = {&isologo,  &tehdas, &quelpsaksa, &pilvet,
                                               &quelpmad, &plimsa, &loppu};
static_assert(sizeof SCENE_PICTURES / sizeof SCENE_PICTURES[0] == SCENE_COUNT, "a slot per scene");

/* The picture shown at an order position, null for a black frame. */
static SDL_Surface *ScenePicture(Uint32 pos)
{
    return pos < SCENE_COUNT ? *SCENE_PICTURES[pos] : NULL;
}

void DrawScreen(SDL_Surface *screen)
{
    SDL_FillRect(screen, NULL, 0);

    Uint32 position = BASSMOD_MusicGetPosition();
    Uint32 origpos = position >> 16;
    Uint32 pos = position & 0xFFFF;

    if (pos == 5)
        printf("%d\n", (int)origpos);

    /* Blits run unlocked: SDL refuses to blit onto a locked surface. */
    SDL_Surface *picture = ScenePicture(pos);
    if (picture)
        SDL_BlitSurface(picture, NULL, screen, NULL);

    if (pos == 5) {
        /* The recolouring writes pixels directly, so it needs the lock where SDL requires one;
         * without it the frame is not presented. */
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0)
            return;
        RecolourKeyPixels(screen, origpos);
        if (SDL_MUSTLOCK(screen))
            SDL_UnlockSurface(screen);
    }

    SDL_Flip(screen);
}
