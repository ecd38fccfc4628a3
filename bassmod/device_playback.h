// device_playback.h: the song played in real time on SDL's audio device. The device's callback
// renders it on SDL's audio thread, and the position is the one heard at the moment of asking.
// The device may fail under it: a sound server that stops answering leaves SDL's audio thread
// blocked, one that dies ends it. Then the song goes on, silently, on the library's own clock,
// and a supervising thread opens the output again about once a second until it plays.
#pragma once

#include "audio_device.h"
#include "song.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace bassmod
{

class DevicePlayback
{
  public:
    // A device with no callback for this long while the song plays has stopped taking audio.
    // Callbacks come every 12 to 46 ms on every path; a quarter of a second is far from that on
    // a busy machine, and short enough that the pictures hardly stop.
    static constexpr std::chrono::milliseconds kStallBound{250};
    // How often the supervisor tries to open a lost output again.
    static constexpr std::chrono::milliseconds kReopenInterval{1000};

    // Opens the default audio device at `rate` Hz, paused. Null if there is none.
    static std::unique_ptr<DevicePlayback> open(std::uint32_t rate);

    DevicePlayback(const DevicePlayback &) = delete;
    DevicePlayback &operator=(const DevicePlayback &) = delete;
    // Closes without a bound: only for a playback that close() has not given up on.
    ~DevicePlayback();

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    // On the library's own clock this also renders the song silently up to the moment asked.
    PackedPosition position();

    // False once someone else has shut SDL's audio down (SDL_Quit), closing the device.
    bool still_open();

    // Stops the supervisor and closes the device, waiting at most `bound`. False if the audio
    // driver does not let go in time: SDL's threads may still call into this object, which
    // must then live until the process ends.
    bool close(std::chrono::milliseconds bound);

  private:
    explicit DevicePlayback(std::uint32_t rate);
    static void audio_callback(void *userdata, Uint8 *stream, int length);

    bool overdue(Nanoseconds now) const;
    // Song locked: renders silently ahead of the moment `now` by the library's own clock.
    void keep_time_alone(Nanoseconds now);
    void want_paused(bool paused);
    void supervise();
    // Supervisor: closes the failed output and opens it again; may wait on a blocked driver.
    void reopen();
    void close_now();

    const std::uint32_t rate_;
    // Who renders the song: the audio callback, or the program thread on the library's clock.
    std::mutex song_mutex_;
    Song song_;
    std::vector<std::int16_t> scratch_; // silent rendering on the library's clock
    std::atomic<bool> playing_{false};
    std::atomic<std::int64_t> play_ns_{0};
    std::atomic<std::int64_t> last_callback_ns_{0};

    // Every SDL audio call after the first open: the program thread only ever tries this lock.
    std::mutex device_mutex_;
    std::unique_ptr<AudioDevice> device_;
    std::atomic<bool> paused_wanted_{true};
    bool shut_down_elsewhere_ = false; // device mutex

    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false; // stop mutex
    std::thread supervisor_;
    bool closed_ = false;
};

} // namespace bassmod
