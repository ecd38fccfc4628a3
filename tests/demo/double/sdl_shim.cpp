/* sdl_shim.cpp: wraps the SDL calls that the demo's start-up and frames hinge on, logging them
 * and failing them on script; the real SDL does the work otherwise. */
#include "music_double.h"

#include "SDL.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace
{

template <typename Function> Function Real(const char *name)
{
    void *symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "sdl shim: no real %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

/* Screen colour at (10, 10), so a log shows which picture a frame presented. */
std::string SampleColour(SDL_Surface *screen)
{
    if (!screen || !screen->pixels || screen->w <= 10 || screen->h <= 10)
        return "-";
    int bpp = screen->format->BytesPerPixel;
    const Uint8 *p = static_cast<const Uint8 *>(screen->pixels) + 10 * screen->pitch + 10 * bpp;
    Uint32 value = 0;
    if (bpp == 1) {
        value = *p;
    } else if (bpp == 2) {
        Uint16 narrow;
        std::memcpy(&narrow, p, sizeof narrow);
        value = narrow;
    } else if (bpp == 4) {
        std::memcpy(&value, p, sizeof value);
    } else {
        return "?";
    }
    Uint8 r, g, b;
    SDL_GetRGB(value, screen->format, &r, &g, &b);
    return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
}

} // namespace

extern "C" {

int SDL_Init(Uint32 flags)
{
    char line[32];
    std::snprintf(line, sizeof line, "SDL_Init 0x%x", flags);
    DoubleRecord(line);
    if (DoubleFails("SDL_Init")) {
        SDL_SetError("scripted failure");
        return -1;
    }
    static auto real = Real<int (*)(Uint32)>("SDL_Init");
    return real(flags);
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    char line[64];
    std::snprintf(line, sizeof line, "SDL_SetVideoMode %d %d %d 0x%x", width, height, bpp, flags);
    DoubleRecord(line);
    if (DoubleFails("SDL_SetVideoMode"))
        return nullptr;
    static auto real = Real<SDL_Surface *(*)(int, int, int, Uint32)>("SDL_SetVideoMode");
    return real(width, height, bpp, flags);
}

void SDL_Quit(void)
{
    DoubleRecord("SDL_Quit");
    static auto real = Real<void (*)(void)>("SDL_Quit");
    real();
}

SDL_RWops *SDL_RWFromFile(const char *file, const char *mode)
{
    DoubleRecord(std::string("SDL_RWFromFile ") + file + " " + mode);
    static auto real = Real<SDL_RWops *(*)(const char *, const char *)>("SDL_RWFromFile");
    return real(file, mode);
}

/* A scripted lock failure hits only surfaces that need locking, as a lost hardware surface
 * would; locks of plain memory surfaces cannot fail in SDL. */
int SDL_LockSurface(SDL_Surface *surface)
{
    if (DoubleFails("SDL_LockSurface") && SDL_MUSTLOCK(surface))
        return -1;
    static auto real = Real<int (*)(SDL_Surface *)>("SDL_LockSurface");
    return real(surface);
}

int SDL_Flip(SDL_Surface *screen)
{
    DoubleRecord("SDL_Flip " + SampleColour(screen));
    static auto real = Real<int (*)(SDL_Surface *)>("SDL_Flip");
    return real(screen);
}

} // extern "C"
