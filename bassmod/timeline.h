// timeline.h: maps a moment in time to the order and row the listener hears at that moment.
//
// The audio thread marks, for each stretch of rendered samples, the position it belongs to, and
// after each audio callback publishes an anchor: the callback's time and the buffer it rendered.
// The program's thread asks which position is heard at a given moment. The clock is a parameter
// (nanoseconds on any monotonic clock), so the mapping can be tested with a scripted one.
//
// Sync model. Callback n runs at time t_n and renders B frames starting at sample S_n, while Q
// buffers rendered before it still wait to be played. So at t_n the device starts playing
// sample S_n - Q*B, and at time t it plays
//     heard(t) = S_n - Q*B + (t - t_n) * rate,
// never past the last rendered sample S_n + B - 1. The answer never goes backwards: a callback
// that comes late would otherwise pull the estimate back by its lateness.
//
// B is whatever SDL hands the callback (the library asks for 1024 frames); Q depends on the
// audio path, that is on the SDL implementation and its driver: the table in
// audio_path_figures.cpp gives it for each path, with how the path buffers and where the figure
// was measured (bench/sync.sh makes the median of reported minus heard, over many rows of a
// click track, about zero; heard is the moment the server played each click by its own
// accounting). Any other path has Q = 2, SDL 1.2's classic ring.
//
// Those constants hold for the buffering one machine's server negotiated. Where the path ends in
// a PulseAudio-protocol server (the PulseAudio backends, ALSA through the pulse plugin), the
// server is asked instead, ten times a second (server_latency.h): it tells the latency L of our
// stream, the time until the end of the audio it holds is heard. Asked at time t_q after
// callback n (no callback in between), it holds the audio up to S_n + B less the H buffers the
// driver has not yet handed over, so
//     heard(t_q) = S_n + B - H*B - L*rate,   hence   Q*B = L*rate + (t_q - t_n)*rate - B + H*B,
// with H a property of how the driver writes (in the same table). The median of the latest
// answers (queue_depth_estimator.h) replaces the constant until the device is closed; a server
// that stops answering leaves the last value.
//
// When the device takes no audio at all (see device_playback.h), the library keeps the time
// itself: it renders silently ahead of the clock and publishes anchors that say which sample is
// heard now, with nothing queued (publish_heard()).
//
// Marks are published inside a sequence lock: the audio thread never waits for a reader, and a
// reader retries only if it overlapped one of the writer's few-store updates.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

namespace bassmod
{

using Nanoseconds = std::chrono::nanoseconds;

// A playback position as the library reports it: order in the low 16 bits, row in the high 16.
using PackedPosition = std::uint32_t;

constexpr PackedPosition pack_position(std::uint32_t order, std::uint32_t row)
{
    return (order & 0xFFFFu) | ((row & 0xFFFFu) << 16);
}
constexpr std::uint32_t order_of(PackedPosition position)
{
    return position & 0xFFFFu;
}
constexpr std::uint32_t row_of(PackedPosition position)
{
    return position >> 16;
}

// Q of the sync model from a sound server's answer (see above): the stream's latency `latency`,
// told `since_callback` after a callback of `frames` frames at `rate` Hz, of which the driver had
// not yet handed `handover` buffers to the server.
double queued_buffers_from_server(std::chrono::microseconds latency, Nanoseconds since_callback,
                                  std::uint32_t frames, std::uint32_t rate, double handover);

class Timeline
{
  public:
    // Buffers the device holds ahead of the one just rendered, unless set otherwise.
    static constexpr std::int64_t kQueuedBuffers = 2;
    // Marks remembered; a power of two, far more than three buffers' worth of row changes.
    static constexpr std::size_t kCapacity = 1024;

    // `start_position` is reported until the first marked sample is heard.
    explicit Timeline(std::uint32_t sample_rate, PackedPosition start_position = 0);

    // Audio thread: from `sample` on (until the next mark) the audio belongs to `position`.
    // Samples must not decrease from one mark to the next.
    void mark(std::uint64_t sample, PackedPosition position);

    // Audio thread: a callback at time `now` has rendered `frames` frames from `first_sample`,
    // with the path's Q buffers still queued before them.
    void publish(Nanoseconds now, std::uint64_t first_sample, std::uint32_t frames);

    // The renderer's thread when no device plays (the library's own clock): `heard_sample` is
    // heard at `now`, and samples up to (not including) `rendered_end` are rendered.
    void publish_heard(Nanoseconds now, std::uint64_t heard_sample, std::uint64_t rendered_end);

    // The sample the model puts at `now` by the last anchor, past the last rendered sample if
    // `now` is late enough; none before anything has been published.
    std::optional<std::int64_t> extrapolate(Nanoseconds now) const;

    // Program thread: the position heard at time `now`.
    PackedPosition heard_at(Nanoseconds now) const;

    // For a caller that renders the audio itself, on the one thread that also marks: the
    // position `sample` belongs to, by the marks alone (no clock, no device latency).
    PackedPosition position_of_sample(std::uint64_t sample) const
    {
        return position_at_sample(static_cast<std::int64_t>(sample));
    }

    // Program thread, while the audio thread cannot mark or publish (audio locked or stopped):
    // forgets all marks and anchors, for a restart from sample 0 that reports `start_position`
    // until its first marked sample is heard.
    void reset(PackedPosition start_position = 0);

    std::uint32_t sample_rate() const { return sample_rate_; }

    // Any thread: Q of the sync model for the audio path that plays the marked samples, from the
    // next published anchor on.
    void set_queued_buffers(double buffers)
    {
        queued_buffers_.store(buffers, std::memory_order_relaxed);
    }

  private:
    struct Slot {
        std::atomic<std::uint64_t> sample{0};
        std::atomic<PackedPosition> position{0};
    };

    void begin_write();
    void end_write();
    // The sample playing at `now` by the model above, or -1 before anything has been published.
    std::int64_t estimate_heard_sample(Nanoseconds now) const;
    PackedPosition position_at_sample(std::int64_t sample) const;

    const std::uint32_t sample_rate_;
    PackedPosition start_position_; // changed only by reset()
    std::atomic<double> queued_buffers_{kQueuedBuffers};

    std::atomic<std::uint64_t> sequence_{0}; // odd while the writer updates
    std::atomic<std::uint64_t> marks_{0};    // marks written so far; slot = index % kCapacity
    std::array<Slot, kCapacity> slots_;
    std::atomic<std::int64_t> anchor_time_ns_{0};
    std::atomic<std::uint64_t> anchor_sample_{0};
    std::atomic<std::uint32_t> anchor_frames_{0}; // 0: nothing published yet
    std::atomic<std::int64_t> anchor_queued_{0};  // Q*B of the anchor, in frames

    // Highest sample reported so far, so the answer never goes backwards; -1 before any.
    mutable std::atomic<std::int64_t> reported_sample_{-1};
};

} // namespace bassmod
