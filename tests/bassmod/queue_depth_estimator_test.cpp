// Queue-depth estimator: Q from scripted answers of a sound server, no server needed.
#include "queue_depth_estimator.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{

using bassmod::QueueAnswer;
using bassmod::QueueDepthEstimator;

constexpr std::uint32_t kRate = 1000;   // one frame a millisecond
constexpr std::uint32_t kFrames = 10;   // a 10 ms buffer
constexpr std::int64_t kMs = 1'000'000; // nanoseconds

// Asked 4 ms and answered 6 ms after a callback at 100 ms (the answer holds for 5 ms after it),
// with no callback in between: the server told `latency_ms` of latency.
QueueAnswer answer(std::uint64_t latency_ms)
{
    QueueAnswer told;
    told.asked_ns = 104 * kMs;
    told.answered_ns = 106 * kMs;
    told.latency_us = latency_ms * 1000;
    told.asked = {7, 100 * kMs};
    told.callbacks_answered = 7;
    told.frames = kFrames;
    return told;
}

// Feeds the estimator the first answers, which only fill it, all telling `latency_ms`.
void fill(QueueDepthEstimator &estimator, std::uint64_t latency_ms)
{
    for (std::size_t index = 1; index < QueueDepthEstimator::kFirstAnswers; ++index) {
        ASSERT_EQ(estimator.take(answer(latency_ms)), std::nullopt) << "answer " << index;
    }
}

TEST(QueueDepthEstimator, TurnsTheLatencyAtTheMiddleOfTheRoundTripIntoQ)
{
    // Q*B = L*rate + (t_q - t_n)*rate - B + H*B: (30 + 5 - 10 + 0.5 * 10) / 10 = 3.
    QueueDepthEstimator estimator(kRate, 0.5);
    fill(estimator, 30);
    EXPECT_DOUBLE_EQ(estimator.take(answer(30)).value_or(-1), 3.0);
}

TEST(QueueDepthEstimator, DropsAnAnswerWithACallbackBetweenQuestionAndAnswer)
{
    QueueDepthEstimator estimator(kRate, 0.0);
    fill(estimator, 30);
    QueueAnswer late = answer(30);
    late.callbacks_answered = 8;
    EXPECT_EQ(estimator.take(late), std::nullopt);
    QueueAnswer before_any = answer(30);
    before_any.asked.count = before_any.callbacks_answered = 0;
    EXPECT_EQ(estimator.take(before_any), std::nullopt) << "no callback yet";
    QueueAnswer slow = answer(30);
    slow.answered_ns = slow.asked_ns + 9 * kMs;
    EXPECT_EQ(estimator.take(slow), std::nullopt) << "a round trip over 8 ms";
    // None of them was kept: the fifth kept answer is the first to give Q.
    EXPECT_DOUBLE_EQ(estimator.take(answer(30)).value_or(-1), 2.5);
}

TEST(QueueDepthEstimator, GivesTheMedianOfTheLatestAnswers)
{
    QueueDepthEstimator estimator(kRate, 0.0);
    fill(estimator, 10); // Q = 0.5 each
    // Five answers of 0.5 and one of 9.5: the median stays 0.5, where a mean would not.
    EXPECT_DOUBLE_EQ(estimator.take(answer(100)).value_or(-1), 0.5);
    // Fifteen answers of 2.5, then answers of 4.5: once eight of the latest fifteen tell 4.5,
    // it is the median; the older answers no longer count.
    for (std::size_t index = 0; index < QueueDepthEstimator::kRecentAnswers; ++index) {
        const std::optional<double> queued = estimator.take(answer(30));
        EXPECT_DOUBLE_EQ(queued.value_or(-1), index < 2 ? 0.5 : 2.5) << "answer " << index;
    }
    for (int index = 0; index < 7; ++index) {
        EXPECT_DOUBLE_EQ(estimator.take(answer(50)).value_or(-1), 2.5) << "answer " << index;
    }
    EXPECT_DOUBLE_EQ(estimator.take(answer(50)).value_or(-1), 4.5);
}

TEST(QueueDepthEstimator, ASilentServerLeavesTheLastValue)
{
    // The estimator only ever speaks when an answer comes; the timeline keeps what it was told.
    bassmod::Timeline timeline(kRate);
    QueueDepthEstimator estimator(kRate, 0.0);
    fill(estimator, 30);
    const std::optional<double> queued = estimator.take(answer(30));
    ASSERT_TRUE(queued.has_value());
    timeline.set_queued_buffers(*queued);
    // An answer that is dropped afterwards changes nothing either.
    QueueAnswer late = answer(90);
    late.callbacks_answered = 9;
    EXPECT_EQ(estimator.take(late), std::nullopt);
    // With Q = 2.5 and a 10-frame buffer from sample 100, at the callback sample 75 is heard.
    timeline.publish(bassmod::Nanoseconds(0), 100, kFrames);
    EXPECT_EQ(timeline.extrapolate(bassmod::Nanoseconds(0)), 75);
}

} // namespace
