// threads_test.cpp: the position query hammered from the program's thread while the audio
// thread renders and publishes; run under ThreadSanitizer as well, which reports any data race.
#include "bassmod.h"
#include "library_fixture.h"
#include "test_songs.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;
using test::LibraryTest;

std::uint32_t order_of(std::uint32_t position)
{
    return position & 0xFFFF;
}
std::uint32_t row_of(std::uint32_t position)
{
    return position >> 16;
}

// Mark k carries order k and row 7k (both modulo 2^16), so a torn read shows as a mismatch.
bassmod::PackedPosition mark_value(std::uint32_t k)
{
    return bassmod::pack_position(k, 7 * k);
}

TEST(TimelineThreads, ReaderSeesWholeMarksInOrderWhileTheWriterRuns)
{
    constexpr std::uint32_t kFrames = 64;
    // The writer stops before 16-bit order numbers wrap.
    constexpr std::uint32_t kMostMarks = 0xF000;
    bassmod::Timeline timeline(1000);
    std::atomic<std::uint32_t> marks_written{0};
    // A new mark every 20 us or so.
    std::jthread writer([&](const std::stop_token &stop) {
        std::uint64_t first = 0;
        for (std::uint32_t k = 0; k < kMostMarks && !stop.stop_requested(); ++k) {
            timeline.mark(first, mark_value(k));
            marks_written.store(k + 1);
            timeline.publish(bassmod::Nanoseconds(0), first, kFrames);
            first += kFrames;
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    // Long after the anchor, the heard sample is the last rendered one: the newest mark.
    const bassmod::Nanoseconds late(std::int64_t{1} << 60);
    std::uint32_t previous = 0;
    std::size_t reads = 0;
    // At least 300 ms, and on a busy machine until both threads have done enough work.
    const auto start = Clock::now();
    auto enough = [&] {
        return Clock::now() >= start + std::chrono::milliseconds(300) && reads > 1000 &&
               marks_written.load() > 500;
    };
    while (!enough() && Clock::now() < start + std::chrono::seconds(30)) {
        const auto position = timeline.heard_at(late);
        const std::uint32_t k = order_of(position);
        ASSERT_EQ(row_of(position), (7 * k) & 0xFFFF) << "torn mark";
        ASSERT_LE(k, marks_written.load());
        ASSERT_GE(k, previous) << "went back";
        previous = k;
        ++reads;
    }
    ASSERT_LT(marks_written.load(), 0x10000u) << "the test's marks must not wrap";
    EXPECT_GT(reads, 1000u);
    EXPECT_GT(marks_written.load(), 500u);
}

TEST_F(LibraryTest, PositionQueriesRaceWithPlaybackSafely)
{
    const test::Song song = test::steps_song();
    const std::uint32_t rows_in_order[] = {16, 8, 12, 4};
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, 4)); // looped: plays for as long as we ask
    ASSERT_NE(BASSMOD_MusicPlay(), 0);

    // At least 1.2 s, and until every order has been heard: a late audio callback on a busy
    // machine may carry playback past the short last order in one pass, not in every pass.
    std::size_t queries = 0;
    std::uint32_t orders_seen = 0;
    const auto start = Clock::now();
    while ((orders_seen != 0xFu || Clock::now() < start + std::chrono::milliseconds(1200)) &&
           Clock::now() < start + std::chrono::seconds(30)) {
        const std::uint32_t position = BASSMOD_MusicGetPosition();
        const std::uint32_t order = order_of(position);
        ASSERT_LT(order, 4u);
        ASSERT_LT(row_of(position), rows_in_order[order]);
        orders_seen |= 1u << order;
        ++queries;
    }
    EXPECT_EQ(orders_seen, 0xFu) << "every order played while we asked";
    EXPECT_GT(queries, 10000u);
}

TEST_F(LibraryTest, LoadPlayAndFreeWhileTheAudioThreadRuns)
{
    const test::Song steps = test::steps_song();
    const test::Song jumps = test::jump_back_song();
    for (int round = 0; round < 6; ++round) {
        ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
        for (int load = 0; load < 4; ++load) {
            ASSERT_TRUE(
                load_memory(load % 2 == 0 ? steps.bytes : jumps.bytes, BASSMOD_MUSIC_PLAYONCE));
            ASSERT_NE(BASSMOD_MusicPlay(), 0);
            const auto until = Clock::now() + std::chrono::milliseconds(25);
            while (Clock::now() < until) {
                ASSERT_NE(BASSMOD_MusicGetPosition(), test::kNoModule);
            }
            ASSERT_NE(BASSMOD_MusicPlay(), 0); // restart while playing
        }
        BASSMOD_Free();
        ASSERT_EQ(BASSMOD_MusicGetPosition(), test::kNoModule);
    }
}

} // namespace
