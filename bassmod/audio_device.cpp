// audio_device.cpp: opening and closing SDL 1.2's audio output.
#include "audio_device.h"

namespace bassmod
{

std::unique_ptr<AudioDevice>
AudioDevice::open(std::uint32_t rate, void (*callback)(void *, Uint8 *, int), void *userdata)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        return nullptr;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    wanted.callback = callback;
    wanted.userdata = userdata;
    // No "obtained" spec: SDL then converts to the device's format, so the callback always
    // fills 16-bit stereo at `rate`. The device starts paused.
    if (SDL_OpenAudio(&wanted, nullptr) < 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    return std::unique_ptr<AudioDevice>(new AudioDevice(current_audio_path()));
}

AudioDevice::~AudioDevice()
{
    SDL_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace bassmod
