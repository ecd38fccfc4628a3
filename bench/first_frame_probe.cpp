// first_frame_probe.cpp: preloaded into the demo by startup.sh. Wraps SDL_Flip: writes the
// wall-clock time of the first presented frame to the file named by DEMO_PROBE_OUT and, once
// DEMO_PROBE_SECONDS (default 2) more have passed, queues a quit event so that the demo ends
// normally. The file then also holds the number of frames presented.
#include "SDL.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

namespace
{

using FlipFunction = int (*)(SDL_Surface *);

long long NowNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

void Note(const char *mode, const char *key, long long value)
{
    const char *path = std::getenv("DEMO_PROBE_OUT");
    if (!path)
        return;
    FILE *out = std::fopen(path, mode);
    if (!out)
        return;
    std::fprintf(out, "%s %lld\n", key, value);
    std::fclose(out);
}

long long HoldNanoseconds()
{
    const char *text = std::getenv("DEMO_PROBE_SECONDS");
    double seconds = text ? std::atof(text) : 2.0;
    return (long long)(seconds * 1e9);
}

struct Probe {
    long long first_frame = 0;
    long long frames = 0;
    bool quit_queued = false;
};

void AfterFlip(Probe &probe)
{
    long long now = NowNanoseconds();
    probe.frames++;
    if (probe.frames == 1) {
        probe.first_frame = now;
        Note("w", "first_frame_ns", now);
        return;
    }
    if (probe.quit_queued || now - probe.first_frame < HoldNanoseconds())
        return;
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    if (SDL_PushEvent(&quit) == 0) {
        probe.quit_queued = true;
        Note("a", "frames", probe.frames);
    }
}

} // namespace

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    static FlipFunction real_flip = (FlipFunction)dlsym(RTLD_NEXT, "SDL_Flip");
    static Probe probe;
    if (!real_flip)
        std::abort();
    int result = real_flip(screen);
    AfterFlip(probe);
    return result;
}
