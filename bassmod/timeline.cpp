// timeline.cpp: the sample timeline shared by the audio thread (writer) and the program (reader).
#include "timeline.h"

#include <algorithm>
#include <cmath>
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

double queued_buffers_on(SdlImplementation implementation, std::string_view driver)
{
    if (implementation == SdlImplementation::Compat) {
        if (driver == "pulseaudio") {
            return 0.9;
        }
        if (driver == "alsa") {
            return 3.1;
        }
        if (driver == "pipewire") {
            return 0.4;
        }
        if (driver == "dummy" || driver == "disk") {
            return 0.0;
        }
        return Timeline::kQueuedBuffers;
    }
    if (driver == "pulse") {
        return 2.25;
    }
    if (driver == "dsound@wine") {
        return 4.9;
    }
    return Timeline::kQueuedBuffers;
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
    begin_write();
    anchor_time_ns_.store(now.count(), release);
    anchor_sample_.store(first_sample, release);
    anchor_frames_.store(frames, release);
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

std::int64_t Timeline::estimate_heard_sample(Nanoseconds now) const
{
    const std::uint32_t frames = anchor_frames_.load(acquire);
    if (frames == 0) {
        return -1;
    }
    const auto first = static_cast<std::int64_t>(anchor_sample_.load(acquire));
    const std::int64_t elapsed_ns = now.count() - anchor_time_ns_.load(acquire);
    // Split the product so that hours of elapsed time cannot overflow it.
    const std::int64_t elapsed_samples = elapsed_ns / 1'000'000'000 * sample_rate_ +
                                         elapsed_ns % 1'000'000'000 * sample_rate_ / 1'000'000'000;
    const auto queued = std::llround(queued_buffers_ * static_cast<double>(frames));
    const std::int64_t heard = first - queued + elapsed_samples;
    return std::min(heard, first + frames - 1);
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
