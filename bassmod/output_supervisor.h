// output_supervisor.h: SDL's audio device under watch. It holds the device behind one lock, hands
// a pause wanted by the program to the device (or to its own thread while that holds the device),
// opens a lost output again about once a second on a thread of its own, and closes within a bound
// even when a driver holds SDL's audio thread. A thread that comes back from such a driver after
// the closing gave up on it never returns (see stay_if_abandoned()).
#pragma once

#include "audio_device.h"
#include "callback_stats.h"
#include "server_latency.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace bassmod
{

class OutputSupervisor
{
  public:
    // How often a lost output is opened again.
    static constexpr std::chrono::milliseconds kReopenInterval{1000};

    // What the supervised output plays, and what it needs to be told; all must outlive the
    // supervisor.
    struct Output {
        std::uint32_t rate;
        void (*callback)(void *, Uint8 *, int); // SDL's audio callback, and its `userdata`
        void *userdata;
        CallbackStats &stats;             // the callback's own account
        const std::atomic<bool> &playing; // a song plays: a silent device is then lost
        // Called on each device just opened, with the device mutex held: sets the sync model for
        // the path and may start asking the sound server (the result lives as long as the device).
        std::function<std::unique_ptr<ServerLatency>(const AudioPath &)> follow_path;
    };

    // Opens the default audio device, paused, and starts watching it. Null if there is none.
    static std::unique_ptr<OutputSupervisor> open(Output output);

    OutputSupervisor(const OutputSupervisor &) = delete;
    OutputSupervisor &operator=(const OutputSupervisor &) = delete;
    // Closes without a bound: only for a supervisor that close() has not given up on.
    ~OutputSupervisor();

    // Program thread: pauses or resumes the device, now or on the supervisor's next round.
    void want_paused(bool paused);

    // False once someone else has shut SDL's audio down (SDL_Quit), closing the device.
    bool still_open();

    // Stops the supervisor's thread and closes the device, waiting at most `bound`. False if the
    // driver does not let go in time: SDL's threads may still call into the output, and this
    // object and the output must then live until the process ends.
    bool close(std::chrono::milliseconds bound);

  private:
    explicit OutputSupervisor(Output output) : output_(std::move(output)) {}

    // Device mutex held: tells the device the pause wanted, if it was not told yet.
    void apply_pause();
    void supervise();
    // Supervisor: closes the failed output and opens it again; may wait on a blocked driver.
    void reopen();
    // Device mutex held: the device just opened, paused.
    void follow_path();
    void close_now();
    // A thread back from a driver that held it past close()'s bound: never returns.
    void stay_if_abandoned() const;

    const Output output_;

    // Every SDL audio call after the first open: the program thread only ever tries this lock.
    std::mutex device_mutex_;
    std::unique_ptr<AudioDevice> device_; // device mutex
    // Device mutex to replace; the supervisor's thread alone replaces it while that runs, and
    // reads it without the lock.
    std::unique_ptr<ServerLatency> server_latency_;
    std::atomic<bool> paused_wanted_{true};  // the program thread's wish
    std::atomic<bool> pause_pending_{false}; // wanted while the supervisor held the device
    bool paused_ = true;                     // device mutex: as the device was last told
    bool shut_down_elsewhere_ = false;       // device mutex

    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;              // stop mutex
    std::thread supervisor_;             // started by open(), joined by the closing
    bool closed_ = false;                // the closing's thread, read after it was joined
    std::atomic<bool> abandoned_{false}; // close() gave up on the driver
};

} // namespace bassmod
