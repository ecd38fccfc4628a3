// audio_path.h: the audio path a device plays through (the SDL 1.2 implementation linked at run
// time and the driver it chose), and how many buffers that path holds ahead of a callback.
#pragma once

#include <string>
#include <string_view>

namespace bassmod
{

// Which SDL 1.2 implementation plays the audio.
enum class SdlImplementation { Classic, Compat };

struct AudioPath {
    SdlImplementation implementation;
    std::string driver; // SDL_AudioDriverName, with "@wine" when a Windows build runs under Wine
};

// The SDL 1.2 linked at run time and the driver of the audio device it has open.
AudioPath current_audio_path();

// Buffers that `path` holds ahead of the one a callback has just rendered (Q of the sync model
// in timeline.h), as measured for each path (the table in audio_path_figures.cpp).
double queued_buffers_on(const AudioPath &path);

// True for a path that ends in a PulseAudio-protocol sound server when one is running: SDL's
// PulseAudio backends, and ALSA, whose default device may be the pulse plugin.
bool ends_in_sound_server(const AudioPath &path);

// Buffers of a callback that the driver of `path` has not yet handed to the sound server while
// the next callback is awaited: none where the buffer is written as soon as it is rendered.
double handover_buffers_on(const AudioPath &path);

} // namespace bassmod
