/* browser_sdl.h: the player's SDL calls that behave differently under emscripten's SDL 1.2,
 * routed to web/browser_sdl.cpp. The web build includes this header first in every file of the
 * player (CMake's -include); the desktop build never sees it. */
#ifndef BROWSER_SDL_H
#define BROWSER_SDL_H

#include <SDL/SDL.h>

#ifdef __cplusplus
extern "C" {
#endif

/* SDL_PollEvent that hands control to the browser once the queue is empty, so that the page
 * draws the frame and delivers input while the player's loop runs on. */
int BrowserPollEvent(SDL_Event *event);
/* SDL_FillRect that keeps the screen opaque: emscripten's 32-bit screen takes the colour's top
 * byte as alpha, so plain black would be transparent. */
int BrowserFillRect(SDL_Surface *surface, SDL_Rect *rect, Uint32 colour);
/* SDL_RWFromFile over the whole file read into memory: emscripten's own returns no stream that
 * SDL_RWread can use. Null when the file cannot be read. */
SDL_RWops *BrowserRWFromFile(const char *file, const char *mode);

#ifdef __cplusplus
}
#endif

#define SDL_PollEvent BrowserPollEvent
#define SDL_FillRect BrowserFillRect
#define SDL_RWFromFile BrowserRWFromFile

#endif /* BROWSER_SDL_H */
