// queue_depth_estimator.cpp: Q from the sound server's answers, and the asking for a device.
#include "queue_depth_estimator.h"

#include <algorithm>

namespace bassmod
{

std::optional<double> QueueDepthEstimator::take(const QueueAnswer &answer)
{
    if (answer.callbacks_answered != answer.asked.count || answer.asked.count == 0 ||
        answer.frames == 0) {
        return std::nullopt; // a callback came in between: which buffer the server had is unclear
    }
    if (answer.answered_ns - answer.asked_ns > kLongestRoundTrip.count()) {
        return std::nullopt; // a busy machine or server: the moment the answer holds for is unclear
    }
    // The answer holds for the moment halfway between question and answer.
    const std::int64_t asked_at = answer.asked_ns + (answer.answered_ns - answer.asked_ns) / 2;
    const double queued = queued_buffers_from_server(std::chrono::microseconds(answer.latency_us),
                                                     Nanoseconds(asked_at - answer.asked.last_ns),
                                                     answer.frames, rate_, handover_);
    recent_[kept_ % recent_.size()] = queued;
    ++kept_;
    if (kept_ < kFirstAnswers) {
        return std::nullopt;
    }
    const std::size_t count = std::min(kept_, recent_.size());
    std::array<double, kRecentAnswers> sorted = recent_;
    std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
    return sorted[count / 2];
}

std::unique_ptr<ServerLatency> follow_sound_server(const CallbackStats &stats, Timeline &timeline,
                                                   double handover)
{
    // Both callbacks run on libpulse's thread, which alone touches this.
    struct Follower {
        QueueDepthEstimator estimator;
        CallbacksSeen asked;
    };
    auto follower =
        std::make_shared<Follower>(Follower{{timeline.sample_rate(), handover}, CallbacksSeen{}});
    return ServerLatency::start([follower, &stats] { follower->asked = stats.seen(); },
                                [follower, &stats, &timeline](const ServerLatency::Answer &told) {
                                    QueueAnswer answer;
                                    answer.frames = stats.frames();
                                    answer.callbacks_answered = stats.count();
                                    answer.asked_ns = told.asked_ns;
                                    answer.answered_ns = told.answered_ns;
                                    answer.latency_us = told.latency_us;
                                    answer.asked = follower->asked;
                                    if (const auto queued = follower->estimator.take(answer)) {
                                        timeline.set_queued_buffers(*queued);
                                    }
                                });
}

} // namespace bassmod
