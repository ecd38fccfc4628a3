// audio_device.h: SDL 1.2's audio subsystem and its one output device, open for an object's
// lifetime.
#pragma once

#include "audio_path.h"

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace bassmod
{

class AudioDevice
{
  public:
    // Frames per callback asked for; some drivers hand the callback fewer (the buffer rendered
    // is what counts).
    static constexpr Uint16 kBufferFrames = 1024;

    // Initialises SDL's audio subsystem and opens the default device for signed 16-bit
    // stereo at `rate` Hz (SDL converts if the hardware differs), paused. Null on failure.
    static std::unique_ptr<AudioDevice>
    open(std::uint32_t rate, void (*callback)(void *, Uint8 *, int), void *userdata);

    // Stops the callback (waiting for a running one to return), closes the device and quits
    // the audio subsystem.
    ~AudioDevice();

    AudioDevice(const AudioDevice &) = delete;
    AudioDevice &operator=(const AudioDevice &) = delete;

    void set_paused(bool paused) { SDL_PauseAudio(paused ? 1 : 0); }

    // The audio path opened.
    const AudioPath &path() const { return path_; }

    // False once someone else has shut SDL's audio down (SDL_Quit), closing the device.
    static bool still_open() { return SDL_WasInit(SDL_INIT_AUDIO) != 0; }

  private:
    AudioDevice(void (*callback)(void *, Uint8 *, int), void *userdata)
        : callback_(callback), userdata_(userdata)
    {
    }

    // SDL's callback: the user's, or silence while closing; counts the buffers filled.
    static void fill(void *device, Uint8 *stream, int length);
    void queue_every_waveout_buffer();

    void (*callback_)(void *, Uint8 *, int);
    void *userdata_;
    std::atomic<bool> closing_{false};
    std::atomic<unsigned> buffers_filled_{0};
    AudioPath path_;
};

} // namespace bassmod
