// device_playback.h: the song played in real time on SDL's audio device: the device's callback
// renders it on SDL's audio thread, and the position is the one heard at the moment of asking.
#pragma once

#include "audio_device.h"
#include "song.h"

#include <cstdint>
#include <memory>

namespace bassmod
{

class DevicePlayback
{
  public:
    // Opens the default audio device at `rate` Hz, paused. Null if there is none.
    static std::unique_ptr<DevicePlayback> open(std::uint32_t rate);

    DevicePlayback(const DevicePlayback &) = delete;
    DevicePlayback &operator=(const DevicePlayback &) = delete;
    // The device goes first (a member declared last): closing it stops the callback.
    ~DevicePlayback() = default;

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    PackedPosition position() const;

    // False once someone else has shut SDL's audio down (SDL_Quit), closing the device.
    static bool still_open() { return AudioDevice::still_open(); }

  private:
    explicit DevicePlayback(std::uint32_t rate) : song_(rate) {}
    static void audio_callback(void *userdata, Uint8 *stream, int length);

    Song song_;
    std::unique_ptr<AudioDevice> device_;
};

} // namespace bassmod
