// timeline_test.cpp: the time-to-position mapping with a scripted clock: the two-buffer latency
// and other queue depths, progress between callbacks, the limit at the last rendered sample, no
// going back, reset, and the anchors of the library's own clock.
#include "timeline.h"

#include <gtest/gtest.h>

namespace
{

using bassmod::Nanoseconds;
using bassmod::pack_position;
using bassmod::Timeline;

// At 1000 Hz one sample lasts one millisecond, which keeps the arithmetic readable.
constexpr std::uint32_t kRate = 1000;
constexpr std::uint32_t kFrames = 100;
constexpr auto A = pack_position(0, 0);
constexpr auto B = pack_position(0, 1);
constexpr auto C = pack_position(1, 0);
constexpr auto D = pack_position(1, 7);

Nanoseconds ms(double value)
{
    return Nanoseconds(static_cast<std::int64_t>(value * 1e6));
}

TEST(Timeline, ReportsTheStartPositionUntilSomethingIsHeard)
{
    Timeline timeline(kRate, pack_position(0, 0));
    EXPECT_EQ(timeline.heard_at(ms(5)), A);
    timeline.mark(0, B);
    EXPECT_EQ(timeline.heard_at(ms(5)), A) << "marked but not yet published";
    timeline.publish(ms(10), 0, kFrames);
    // The first buffer is heard two buffers (200 ms) after its callback.
    EXPECT_EQ(timeline.heard_at(ms(10)), A);
    EXPECT_EQ(timeline.heard_at(ms(209)), A);
    EXPECT_EQ(timeline.heard_at(ms(210)), B);
}

TEST(Timeline, MapsTheClockToTheSampleTwoBuffersBehindTheLastCallback)
{
    Timeline timeline(kRate);
    timeline.mark(0, A);
    timeline.mark(150, B);
    timeline.mark(230, C);
    timeline.publish(ms(1000), 200, kFrames); // plays sample 0 at 1000 ms
    EXPECT_EQ(timeline.heard_at(ms(1000)), A);
    EXPECT_EQ(timeline.heard_at(ms(1149.5)), A);
    EXPECT_EQ(timeline.heard_at(ms(1150)), B);
    EXPECT_EQ(timeline.heard_at(ms(1229.9)), B);
    EXPECT_EQ(timeline.heard_at(ms(1230)), C);
}

TEST(Timeline, FollowsTheQueueDepthOfTheAudioPath)
{
    Timeline timeline(kRate);
    timeline.mark(0, A);
    timeline.mark(160, B);
    timeline.mark(260, C);
    timeline.set_queued_buffers(0.5); // half a buffer in flight: sample 150 plays at 1000 ms
    timeline.publish(ms(1000), 200, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(1009.5)), A);
    EXPECT_EQ(timeline.heard_at(ms(1010)), B);
    timeline.reset();
    timeline.mark(0, A);
    timeline.mark(260, C);
    timeline.set_queued_buffers(0); // nothing in flight: the buffer plays from its callback on
    timeline.publish(ms(2000), 200, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(2059.5)), A);
    EXPECT_EQ(timeline.heard_at(ms(2060)), C);
}

TEST(Timeline, NeverRunsPastTheLastRenderedSample)
{
    Timeline timeline(kRate);
    timeline.mark(0, A);
    timeline.mark(250, B);
    timeline.publish(ms(0), 200, kFrames); // samples up to 299 rendered
    // The next buffer is being rendered and already marked, but not published.
    timeline.mark(300, C);
    EXPECT_EQ(timeline.heard_at(ms(299)), B);
    EXPECT_EQ(timeline.heard_at(ms(5000)), B) << "a stalled audio thread holds the position";
    timeline.publish(ms(5000), 300, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(5199)), B);
    EXPECT_EQ(timeline.heard_at(ms(5200)), C);
}

TEST(Timeline, DoesNotGoBackWhenACallbackComesLate)
{
    Timeline timeline(kRate);
    timeline.mark(0, A);
    timeline.mark(120, B);
    timeline.publish(ms(0), 200, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(125)), B);
    // The next callback, due at 100 ms, comes at 130 ms: its anchor says sample 100 is playing.
    timeline.publish(ms(130), 300, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(131)), B);
    EXPECT_EQ(timeline.heard_at(ms(150)), B);
}

TEST(Timeline, FollowsMarksAcrossManyBuffers)
{
    Timeline timeline(kRate);
    // One new row every 70 samples, callbacks on time, queries every millisecond.
    std::uint64_t next_mark = 0;
    std::uint32_t row = 0;
    for (std::uint64_t buffer = 0; buffer < 50; ++buffer) {
        const std::uint64_t first = buffer * kFrames;
        for (; next_mark < first + kFrames; next_mark += 70) {
            timeline.mark(next_mark, pack_position(0, row++));
        }
        const double callback_ms = (static_cast<double>(buffer) - 2) * kFrames;
        timeline.publish(ms(callback_ms), first, kFrames);
        for (int step = 0; step < 100; ++step) {
            const double now = callback_ms + step;
            if (now < 0) {
                continue;
            }
            const auto heard = static_cast<std::uint32_t>(now) / 70;
            ASSERT_EQ(timeline.heard_at(ms(now)), pack_position(0, heard)) << "at " << now << " ms";
        }
    }
}

TEST(Timeline, ResetForgetsMarksAndAnchors)
{
    Timeline timeline(kRate);
    timeline.mark(0, C);
    timeline.mark(10, D);
    timeline.publish(ms(0), 200, kFrames);
    ASSERT_EQ(timeline.heard_at(ms(50)), D);
    timeline.reset();
    EXPECT_EQ(timeline.heard_at(ms(50)), A);
    // After a reset the answer may start low again.
    timeline.mark(0, B);
    timeline.publish(ms(60), 0, kFrames);
    EXPECT_EQ(timeline.heard_at(ms(260)), B);
}

TEST(Timeline, OwnClockAnchorsSayWhatIsHeardNowAndRunOnUntilTheRenderedEnd)
{
    Timeline timeline(kRate);
    timeline.mark(0, B);
    timeline.mark(300, C);
    timeline.mark(450, D);
    timeline.publish(ms(0), 200, kFrames); // plays sample 0 at 0 ms
    EXPECT_EQ(timeline.extrapolate(ms(500)), 500) << "unclamped, past the rendered end";
    EXPECT_EQ(timeline.heard_at(ms(500)), B) << "clamped at the last rendered sample, 299";
    // No device: sample 310 is heard at 510 ms, and samples up to 449 are rendered.
    timeline.publish_heard(ms(510), 310, 450);
    EXPECT_EQ(timeline.heard_at(ms(510)), C);
    EXPECT_EQ(timeline.extrapolate(ms(600)), 400);
    EXPECT_EQ(timeline.heard_at(ms(700)), C) << "never past sample 449";
    timeline.publish_heard(ms(700), 500, 600);
    EXPECT_EQ(timeline.heard_at(ms(700)), D);
}

TEST(Timeline, QueueDepthFromTheServersLatencyCountsTheTimeSinceTheCallbackAndTheHandover)
{
    // 30 ms of latency told 5 ms after a 10-frame callback: at the callback the server held 35
    // frames, of which the callback's own 10 were not queued before it.
    const auto queued = [](double handover) {
        return bassmod::queued_buffers_from_server(std::chrono::microseconds(30'000), ms(5), 10,
                                                   kRate, handover);
    };
    EXPECT_DOUBLE_EQ(queued(0.0), 2.5);
    EXPECT_DOUBLE_EQ(queued(1.0), 3.5) << "a buffer the driver still held is queued as well";
}

TEST(Timeline, KeepsAnswersSaneWhenMarksOutnumberItsMemory)
{
    Timeline timeline(kRate);
    const std::uint64_t marks = Timeline::kCapacity + 10;
    for (std::uint64_t index = 0; index < marks; ++index) {
        timeline.mark(index, pack_position(0, static_cast<std::uint32_t>(index)));
    }
    timeline.publish(ms(0), 200, kFrames); // plays sample 0 at 0 ms
    // Sample 0 has been forgotten: the oldest remembered mark stands in for it.
    EXPECT_EQ(timeline.heard_at(ms(0)), pack_position(0, 10));
    EXPECT_EQ(timeline.heard_at(ms(50)), pack_position(0, 50));
}

} // namespace
