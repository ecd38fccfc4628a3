// timeline.cpp: the sample timeline shared by the audio thread (writer) and the program (reader).
#include "timeline.h"

#include <algorithm>
#include <thread>

namespace bassmod
{

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;
}

Timeline::Timeline(std::uint32_t sample_rate, PackedPosition start_position)
    : sample_rate_(sample_rate), start_position_(start_position)
{
}

void Timeline::begin_write()
{
    sequence_.store(sequence_.load(relaxed) + 1, relaxed);
    std::atomic_thread_fence(std::memory_order_release);
}

void Timeline::end_write()
{
    sequence_.store(sequence_.load(relaxed) + 1, std::memory_order_release);
}

void Timeline::mark(std::uint64_t sample, PackedPosition position)
{
    const std::uint64_t index = marks_.load(relaxed);
    Slot &slot = slots_[index % kCapacity];
    begin_write();
    slot.sample.store(sample, relaxed);
    slot.position.store(position, relaxed);
    marks_.store(index + 1, relaxed);
    end_write();
}

void Timeline::publish(Nanoseconds now, std::uint64_t first_sample, std::uint32_t frames)
{
    begin_write();
    anchor_time_ns_.store(now.count(), relaxed);
    anchor_sample_.store(first_sample, relaxed);
    anchor_frames_.store(frames, relaxed);
    end_write();
}

void Timeline::reset()
{
    begin_write();
    marks_.store(0, relaxed);
    anchor_frames_.store(0, relaxed);
    end_write();
    reported_sample_.store(-1, relaxed);
}

std::int64_t Timeline::estimate_heard_sample(Nanoseconds now) const
{
    const std::uint32_t frames = anchor_frames_.load(relaxed);
    if (frames == 0) {
        return -1;
    }
    const auto first = static_cast<std::int64_t>(anchor_sample_.load(relaxed));
    const std::int64_t elapsed_ns = now.count() - anchor_time_ns_.load(relaxed);
    // Split the product so that hours of elapsed time cannot overflow it.
    const std::int64_t elapsed_samples = elapsed_ns / 1'000'000'000 * sample_rate_ +
                                         elapsed_ns % 1'000'000'000 * sample_rate_ / 1'000'000'000;
    const std::int64_t heard = first - kQueuedBuffers * frames + elapsed_samples;
    return std::min(heard, first + frames - 1);
}

PackedPosition Timeline::position_at_sample(std::int64_t sample) const
{
    const std::uint64_t count = marks_.load(relaxed);
    const std::uint64_t oldest = count > kCapacity ? count - kCapacity : 0;
    PackedPosition found = start_position_;
    for (std::uint64_t index = count; index > oldest; --index) {
        const Slot &slot = slots_[(index - 1) % kCapacity];
        found = slot.position.load(relaxed);
        if (static_cast<std::int64_t>(slot.sample.load(relaxed)) <= sample) {
            return found;
        }
    }
    // Before every remembered mark: the start, or the oldest mark if older ones were dropped.
    return oldest == 0 ? start_position_ : found;
}

PackedPosition Timeline::heard_at(Nanoseconds now) const
{
    for (;;) {
        const std::uint64_t before = sequence_.load(std::memory_order_acquire);
        if (before % 2 != 0) {
            std::this_thread::yield();
            continue;
        }
        const std::int64_t estimate = estimate_heard_sample(now);
        const std::int64_t heard = std::max(estimate, reported_sample_.load(relaxed));
        const PackedPosition position = heard < 0 ? start_position_ : position_at_sample(heard);
        std::atomic_thread_fence(std::memory_order_acquire);
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
