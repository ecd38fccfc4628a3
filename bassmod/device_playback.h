// device_playback.h: the song played in real time on SDL's audio device. The device's callback
// renders it on SDL's audio thread, and the position is the one heard at the moment of asking.
// The device may fail under it: a sound server that stops answering leaves SDL's audio thread
// blocked, one that dies ends it. Then the song goes on, silently, on the library's own clock,
// and a supervising thread opens the output again about once a second until it plays.
#pragma once

#include "audio_device.h"
#include "server_latency.h"
#include "song.h"

#include <array>
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
    // Device mutex held: tells the device the pause wanted, if it was not told yet.
    void apply_pause();
    void supervise();
    // Supervisor: closes the failed output and opens it again; may wait on a blocked driver.
    void reopen();
    void close_now();
    // A thread back from a driver that held it past close()'s bound: never returns.
    void stay_if_abandoned() const;
    // The device just opened: the sync model's Q for its path, and the server asked when any.
    void follow_path();
    // libpulse's thread: one answer of the server, turned into the Q of the last callback.
    void take_server_answer(const ServerLatency::Answer &answer);

    const std::uint32_t rate_;
    // Who renders the song: the audio callback, or the program thread on the library's clock.
    std::mutex song_mutex_;
    Song song_;
    std::vector<std::int16_t> scratch_; // silent rendering on the library's clock
    std::atomic<bool> playing_{false};
    std::atomic<std::int64_t> play_ns_{0};
    std::atomic<std::int64_t> last_callback_ns_{0};
    // The last callback's buffer, for the server's answers; `callbacks_` counts callbacks.
    std::atomic<std::uint64_t> callbacks_{0};
    std::atomic<std::uint32_t> callback_frames_{0};
    std::atomic<bool> device_stopped_{false}; // SDL's status as the last callback saw it

    // The server's view (libpulse's thread only, but for the pointer): answers are kept only when
    // no callback came between question and answer; Q is the median of the latest of them.
    std::unique_ptr<ServerLatency> server_latency_; // device mutex
    double handover_buffers_ = 0;                   // see follow_path()
    std::uint64_t callbacks_when_asked_ = 0;
    std::int64_t callback_ns_when_asked_ = 0;
    static constexpr std::size_t kRecentAnswers = 15;
    std::array<double, kRecentAnswers> recent_queued_{};
    std::size_t answers_ = 0;

    // Every SDL audio call after the first open: the program thread only ever tries this lock.
    std::mutex device_mutex_;
    std::unique_ptr<AudioDevice> device_;
    std::atomic<bool> paused_wanted_{true};
    std::atomic<bool> pause_pending_{false}; // wanted while the supervisor held the device
    bool paused_ = true;                     // device mutex: as the device was last told
    bool shut_down_elsewhere_ = false;       // device mutex

    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false; // stop mutex
    std::thread supervisor_;
    bool closed_ = false;
    std::atomic<bool> abandoned_{false}; // close() gave up on the driver
};

} // namespace bassmod
