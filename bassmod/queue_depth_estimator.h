// queue_depth_estimator.h: turns a sound server's answers about our stream into Q, the queue
// depth of the sync model (the formula is in timeline.h). One estimator is made for each device
// opened on a path that ends in a sound server, and lives on libpulse's thread, which alone asks,
// takes the answers and calls it; it holds no lock and no atomic, and knows nothing of libpulse.
#pragma once

#include "callback_stats.h"
#include "server_latency.h"
#include "timeline.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace bassmod
{

// One answer of the server, with what the audio callbacks showed when it was asked and answered.
struct QueueAnswer {
    std::int64_t asked_ns = 0;            // steady-clock moment the question was sent
    std::int64_t answered_ns = 0;         // and the answer came
    std::uint64_t latency_us = 0;         // the stream's latency the server told
    CallbacksSeen asked;                  // the callbacks when the question was sent
    std::uint64_t callbacks_answered = 0; // callbacks so far when the answer came
    std::uint32_t frames = 0;             // the last callback's buffer when the answer came
};

class QueueDepthEstimator
{
  public:
    // Answers are used once this many have been kept, so that a stream that has just started
    // and may still be filling the server's buffer does not set Q.
    static constexpr std::size_t kFirstAnswers = 5;
    // Q is the median of this many latest kept answers.
    static constexpr std::size_t kRecentAnswers = 15;
    // Only answers that came this quickly are kept.
    static constexpr Nanoseconds kLongestRoundTrip = std::chrono::milliseconds(8);

    // For a stream at `rate` Hz whose driver holds `handover` buffers back (H of the model).
    QueueDepthEstimator(std::uint32_t rate, double handover) : rate_(rate), handover_(handover) {}

    // Q from the answers kept so far with `answer`, or none while too few are kept. An answer
    // is dropped when a callback came between question and answer (which buffer the server
    // had is then unclear), before any callback, or after a slow round trip.
    std::optional<double> take(const QueueAnswer &answer);

  private:
    const std::uint32_t rate_;
    const double handover_;
    std::array<double, kRecentAnswers> recent_{};
    std::size_t kept_ = 0;
};

// Asks the sound server about the stream of a device just opened, ten times a second, and sets
// `timeline`'s Q from its answers with a QueueDepthEstimator of its own; `stats` and `timeline`
// must outlive the result. Null if libpulse cannot start.
std::unique_ptr<ServerLatency> follow_sound_server(const CallbackStats &stats, Timeline &timeline,
                                                   double handover);

} // namespace bassmod
