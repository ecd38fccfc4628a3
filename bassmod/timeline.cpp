// timeline.cpp: the sample timeline shared by the audio thread (writer) and the program (reader).
#include "timeline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace bassmod
{

// A sequence lock without fences: the writer stores data with release and the reader loads it
// with acquire, so a reader that sees any value written inside an update also sees that
// update's odd sequence number when it checks the sequence again.
namespace
{
constexpr auto relaxed = std::memory_order_relaxed;
constexpr auto release = std::memory_order_release;
constexpr auto acquire = std::memory_order_acquire;
} // namespace

double queued_buffers_from_server(std::chrono::microseconds latency, Nanoseconds since_callback,
                                  std::uint32_t frames, std::uint32_t rate, double handover)
{
    const auto latency_frames = static_cast<double>(latency.count()) * rate / 1e6;
    const auto since_frames = static_cast<double>(since_callback.count()) * rate / 1e9;
    return (latency_frames + since_frames) / frames - 1.0 + handover;
}

Timeline::Timeline(std::uint32_t sample_rate, PackedPosition start_position)
    : sample_rate_(sample_rate), start_position_(start_position)
{
}

void Timeline::begin_write()
{
    sequence_.store(sequence_.load(relaxed) + 1, relaxed);
}

void Timeline::end_write()
{
    sequence_.store(sequence_.load(relaxed) + 1, release);
}

void Timeline::mark(std::uint64_t sample, PackedPosition position)
{
    const std::uint64_t index = marks_.load(acquire);
    Slot &slot = slots_[index % kCapacity];
    begin_write();
    slot.sample.store(sample, release);
    slot.position.store(position, release);
    marks_.store(index + 1, release);
    end_write();
}

void Timeline::publish(Nanoseconds now, std::uint64_t first_sample, std::uint32_t frames)
{
    const auto queued = std::llround(queued_buffers_.load(relaxed) * static_cast<double>(frames));
    begin_write();
    anchor_time_ns_.store(now.count(), release);
    anchor_sample_.store(first_sample, release);
    anchor_frames_.store(frames, release);
    anchor_queued_.store(queued, release);
    end_write();
}

void Timeline::publish_heard(Nanoseconds now, std::uint64_t heard_sample,
                             std::uint64_t rendered_end)
{
    const auto frames = static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(rendered_end - std::min(rendered_end, heard_sample), 1,
                                  std::numeric_limits<std::uint32_t>::max()));
    begin_write();
    anchor_time_ns_.store(now.count(), release);
    anchor_sample_.store(heard_sample, release);
    anchor_frames_.store(frames, release);
    anchor_queued_.store(0, release);
    end_write();
}

void Timeline::reset(PackedPosition start_position)
{
    start_position_ = start_position;
    begin_write();
    marks_.store(0, release);
    anchor_frames_.store(0, release);
    end_write();
    reported_sample_.store(-1, relaxed);
}

std::optional<std::int64_t> Timeline::extrapolate(Nanoseconds now) const
{
    if (anchor_frames_.load(acquire) == 0) {
        return std::nullopt;
    }
    const auto first = static_cast<std::int64_t>(anchor_sample_.load(acquire));
    const std::int64_t elapsed_ns = now.count() - anchor_time_ns_.load(acquire);
    // Split the product so that hours of elapsed time cannot overflow it.
    const std::int64_t elapsed_samples = elapsed_ns / 1'000'000'000 * sample_rate_ +
                                         elapsed_ns % 1'000'000'000 * sample_rate_ / 1'000'000'000;
    return first - anchor_queued_.load(acquire) + elapsed_samples;
}

std::int64_t Timeline::estimate_heard_sample(Nanoseconds now) const
{
    const std::optional<std::int64_t> heard = extrapolate(now);
    if (!heard) {
        return -1;
    }
    const auto first = static_cast<std::int64_t>(anchor_sample_.load(acquire));
    return std::min(*heard, first + anchor_frames_.load(acquire) - 1);
}

PackedPosition Timeline::position_at_sample(std::int64_t sample) const
{
    const std::uint64_t count = marks_.load(acquire);
    const std::uint64_t oldest = count > kCapacity ? count - kCapacity : 0;
    PackedPosition found = start_position_;
    for (std::uint64_t index = count; index > oldest; --index) {
        const Slot &slot = slots_[(index - 1) % kCapacity];
        found = slot.position.load(acquire);
        if (static_cast<std::int64_t>(slot.sample.load(acquire)) <= sample) {
            return found;
        }
    }
    // Before every remembered mark: the start, or the oldest mark if older ones were dropped.
    return oldest == 0 ? start_position_ : found;
}

PackedPosition Timeline::heard_at(Nanoseconds now) const
{
    for (;;) {
        const std::uint64_t before = sequence_.load(acquire);
        if (before % 2 != 0) {
            std::this_thread::yield();
            continue;
        }
        const std::int64_t estimate = estimate_heard_sample(now);
        const std::int64_t heard = std::max(estimate, reported_sample_.load(relaxed));
        const PackedPosition position = heard < 0 ? start_position_ : position_at_sample(heard);
        if (sequence_.load(relaxed) != before) {
            continue;
        }
        if (estimate >= 0) {
            std::int64_t reported = reported_sample_.load(relaxed);
            while (reported < heard &&
                   !reported_sample_.compare_exchange_weak(reported, heard, relaxed)) {
            }
        }
        return position;
    }
}

} // namespace bassmod
