// callback_stats.h: what SDL's audio callback tells of itself, for the threads that watch it: how
// many callbacks came, when the last one came, how long its buffer was, and SDL's status as it saw
// it. Other threads only read these, with two exceptions named below, made while no callback can
// run or where a callback's own store would do as well.
#pragma once

#include "timeline.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace bassmod
{

// What a sound server's question saw of the callbacks when it was asked.
struct CallbacksSeen {
    std::uint64_t count = 0;  // callbacks so far
    std::int64_t last_ns = 0; // steady-clock moment of the last one
};

class CallbackStats
{
  public:
    // A device with no callback for this long while the song plays has stopped taking audio.
    // Callbacks come every 12 to 46 ms on every path; a quarter of a second is far from that on
    // a busy machine, and short enough that the pictures hardly stop.
    static constexpr std::chrono::milliseconds kStallBound{250};

    // SDL's audio thread, at the end of each callback: one came at `now` with `frames` frames,
    // and SDL's status then read `stopped`.
    void record(Nanoseconds now, std::uint32_t frames, bool stopped)
    {
        device_stopped_.store(stopped, std::memory_order_relaxed);
        last_ns_.store(now.count(), std::memory_order_relaxed);
        frames_.store(frames, std::memory_order_relaxed);
        count_.fetch_add(1, std::memory_order_release);
    }

    // Program thread, song locked, when the song starts: the stall bound counts from `now`.
    void restart_clock(std::int64_t now_ns) { last_ns_.store(now_ns); }
    // Supervisor, on a device just opened that has not called back yet: SDL's status is fresh.
    void forget_stop() { device_stopped_.store(false, std::memory_order_relaxed); }

    // Any thread: the moment of the last callback (or of restart_clock()), in nanoseconds.
    std::int64_t last_ns() const { return last_ns_.load(std::memory_order_relaxed); }
    // Any thread: no callback for longer than the stall bound before `now`.
    bool overdue(Nanoseconds now) const
    {
        return now.count() - last_ns() > Nanoseconds(kStallBound).count();
    }
    // Any thread: whether SDL reported its device stopped at the last callback.
    bool device_stopped() const { return device_stopped_.load(std::memory_order_relaxed); }
    // Any thread: the last callback's buffer, in frames (0 before any).
    std::uint32_t frames() const { return frames_.load(std::memory_order_relaxed); }
    // Any thread: callbacks so far; what the callback stored before counting is visible after.
    std::uint64_t count() const { return count_.load(std::memory_order_acquire); }

    CallbacksSeen seen() const
    {
        CallbacksSeen seen;
        seen.count = count();
        seen.last_ns = last_ns();
        return seen;
    }

  private:
    // All written by SDL's audio thread only (record()), but for the two exceptions above.
    std::atomic<std::uint64_t> count_{0};
    std::atomic<std::int64_t> last_ns_{0};
    std::atomic<std::uint32_t> frames_{0};
    std::atomic<bool> device_stopped_{false};
};

} // namespace bassmod
