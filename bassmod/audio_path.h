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
    std::string driver; // SDL_AudioDriverName
};

// The SDL 1.2 linked at run time and the driver of the audio device it has open.
AudioPath current_audio_path();

// Buffers that `path` holds ahead of the one a callback has just rendered (Q of the sync model
// in timeline.h), as measured for each path.
double queued_buffers_on(const AudioPath &path);

} // namespace bassmod
