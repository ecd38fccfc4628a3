// device_playback.h: the song played in real time on SDL's audio device. The device's callback
// renders it on SDL's audio thread, and the position is the one heard at the moment of asking.
// The device may fail under it: a sound server that stops answering leaves SDL's audio thread
// blocked, one that dies ends it. Then the song goes on, silently, on the library's own clock,
// and the output's supervisor (output_supervisor.h) opens it again until it plays.
#pragma once

#include "callback_stats.h"
#include "output_supervisor.h"
#include "server_latency.h"
#include "song.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace bassmod
{

class DevicePlayback
{
  public:
    // A device with no callback for this long while the song plays has stopped taking audio.
    static constexpr std::chrono::milliseconds kStallBound = CallbackStats::kStallBound;
    // How often the supervisor tries to open a lost output again.
    static constexpr std::chrono::milliseconds kReopenInterval = OutputSupervisor::kReopenInterval;

    // Opens the default audio device at `rate` Hz, paused. Null if there is none.
    static std::unique_ptr<DevicePlayback> open(std::uint32_t rate);

    DevicePlayback(const DevicePlayback &) = delete;
    DevicePlayback &operator=(const DevicePlayback &) = delete;
    // Closes without a bound: only for a playback that close() has not given up on.
    ~DevicePlayback() = default;

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    // On the library's own clock this also renders the song silently up to the moment asked.
    PackedPosition position();

    // False once someone else has shut SDL's audio down (SDL_Quit), closing the device.
    bool still_open() { return output_->still_open(); }

    // Stops the supervisor and closes the device, waiting at most `bound`. False if the audio
    // driver does not let go in time: SDL's threads may still call into this object, which
    // must then live until the process ends.
    bool close(std::chrono::milliseconds bound) { return output_->close(bound); }

  private:
    explicit DevicePlayback(std::uint32_t rate);
    static void audio_callback(void *userdata, Uint8 *stream, int length);

    // Song locked: renders silently ahead of the moment `now` by the library's own clock.
    void keep_time_alone(Nanoseconds now);
    // The supervisor, on a device just opened: the sync model's Q for its path, and the server
    // asked when there is one.
    std::unique_ptr<ServerLatency> follow_path(const AudioPath &path);

    const std::uint32_t rate_;
    // Who renders the song: the audio callback, or the program thread on the library's clock.
    std::mutex song_mutex_;
    Song song_;
    std::vector<std::int16_t> scratch_;    // song mutex: silent rendering on the library's clock
    std::atomic<bool> playing_{false};     // program thread, song mutex held
    std::atomic<std::int64_t> play_ns_{0}; // program thread, song mutex held
    CallbackStats stats_;                  // SDL's audio thread (see callback_stats.h)
    // Last, so that it closes the device before the song and the statistics go.
    std::unique_ptr<OutputSupervisor> output_;
};

} // namespace bassmod
