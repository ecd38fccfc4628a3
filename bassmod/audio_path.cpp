// audio_path.cpp: naming the audio path, and the queue depth measured for each.
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
// SDL 1.2's classic depth: a ring of two buffers.
constexpr double kClassicQueuedBuffers = 2.0;

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

double queued_buffers_on(const AudioPath &path)
{
    const std::string_view driver = path.driver;
    if (path.implementation == SdlImplementation::Compat) {
        if (driver == "pulseaudio") {
            return 0.9;
        }
        if (driver == "alsa") {
            return 3.1;
        }
        if (driver == "pipewire") {
            return 0.4;
        }
        if (driver == "dummy" || driver == "disk") {
            return 0.0;
        }
        return kClassicQueuedBuffers;
    }
    if (driver == "pulse") {
        return 2.25;
    }
    if (driver == "dsound@wine") {
        return 3.8;
    }
    return kClassicQueuedBuffers;
}

bool ends_in_sound_server(const AudioPath &path)
{
    return path.driver == "pulse" || path.driver == "pulseaudio" || path.driver == "alsa";
}

double handover_buffers_on(const AudioPath &path)
{
    // SDL's ALSA backends write each buffer with a blocking snd_pcm_writei, which the pulse
    // plugin completes only when the server has room for all of it: until the next callback
    // the buffer is still the driver's. SDL 1.2's PulseAudio backend writes it right after the
    // callback. SDL 2's (under sdl12-compat) writes it in the pieces the server asks for and
    // calls back once the last piece of the one before is out, so part of the latest buffer is
    // still its own: 0.6 on average, measured against a PulseAudio 16 null sink, as the queue
    // depths above; the share depends on where the server's requests fall among the buffers.
    if (path.driver == "alsa") {
        return 1.0;
    }
    if (path.implementation == SdlImplementation::Compat) {
        return 0.6;
    }
    return 0.0;
}

} // namespace bassmod
