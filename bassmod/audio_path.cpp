// audio_path.cpp: naming the audio path (its figures are in audio_path_figures.cpp).
#include "audio_path.h"

#include <SDL.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace bassmod
{

namespace
{
// sdl12-compat reports patch levels from 50 on; classic SDL 1.2 ended at 1.2.15.
constexpr Uint8 kFirstCompatPatch = 50;

// Wine's DirectSound and waveOut reach the sound server through layers of their own, which
// queue far more than Windows does: the queue-depth model tells the two apart.
bool under_wine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}
} // namespace

AudioPath current_audio_path()
{
    const SDL_version *version = SDL_Linked_Version();
    const SdlImplementation implementation = version->patch >= kFirstCompatPatch
                                                 ? SdlImplementation::Compat
                                                 : SdlImplementation::Classic;
    char name[64] = {};
    const char *driver = SDL_AudioDriverName(name, sizeof name);
    AudioPath path{implementation, driver != nullptr ? driver : ""};
    if (under_wine()) {
        path.driver += "@wine";
    }
    return path;
}

} // namespace bassmod
