// playback_test.cpp: real-time playback on SDL's dummy driver: positions advance order by order
// with the songs' timing and no earlier than they can be heard, a play-once song ends and stays
// ended, the loop flag wraps, Play restarts. Timings are checked as ranges wide enough for a
// busy machine; the order of positions is checked exactly.
#include "bassmod.h"
#include "library_fixture.h"
#include "test_songs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;
using test::LibraryTest;

constexpr std::uint32_t kPlayOnce = BASSMOD_MUSIC_PLAYONCE;
constexpr std::uint32_t kLoop = 0x206;
// The first sample is heard two 1024-frame buffers after the first callback on classic SDL 1.2's
// dummy driver; sdl12-compat's dummy driver keeps nothing in flight.
const double kLatencyMs = test::is_sdl12_compat() ? 0.0 : 2 * 1024 * 1000.0 / test::kRate;

std::uint32_t order_of(std::uint32_t position)
{
    return position & 0xFFFF;
}
std::uint32_t row_of(std::uint32_t position)
{
    return position >> 16;
}
double ms_of_sample(std::uint64_t sample)
{
    return static_cast<double>(sample) * 1000.0 / test::kRate;
}

struct Seen {
    double ms; // since Play
    std::uint32_t position;
};

// Plays the loaded module and records each change of position for `duration`, or until the
// position is `stop_at`.
std::vector<Seen> play_and_watch(std::chrono::milliseconds duration, std::uint32_t stop_at = 0)
{
    std::vector<Seen> seen;
    const auto start = Clock::now();
    EXPECT_NE(BASSMOD_MusicPlay(), 0);
    while (Clock::now() - start < duration) {
        const std::uint32_t position = BASSMOD_MusicGetPosition();
        if (seen.empty() || seen.back().position != position) {
            const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
            seen.push_back({elapsed.count(), position});
        }
        if (stop_at != 0 && position == stop_at) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return seen;
}

// The distinct orders in the order they were seen.
std::vector<std::uint32_t> order_sequence(const std::vector<Seen> &seen)
{
    std::vector<std::uint32_t> orders;
    for (const Seen &s : seen) {
        if (orders.empty() || orders.back() != order_of(s.position)) {
            orders.push_back(order_of(s.position));
        }
    }
    return orders;
}

// Each seen position must be one of the song's rows, in play order.
void expect_rows_in_play_order(const test::Song &song, const std::vector<Seen> &seen)
{
    std::size_t next = 0;
    for (const Seen &s : seen) {
        while (next < song.rows.size() && song.rows[next].position != s.position) {
            ++next;
        }
        ASSERT_LT(next, song.rows.size())
            << "order " << order_of(s.position) << " row " << row_of(s.position)
            << " out of place at " << s.ms << " ms";
    }
}

const Seen *first_of_order(const std::vector<Seen> &seen, std::uint32_t order)
{
    for (const Seen &s : seen) {
        if (order_of(s.position) == order) {
            return &s;
        }
    }
    return nullptr;
}

TEST_F(LibraryTest, PositionsAdvanceOrderByOrderWithTheSongsTiming)
{
    const test::Song song = test::steps_song();
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    const auto seen = play_and_watch(std::chrono::seconds(5), bassmod::pack_position(4, 0));

    expect_rows_in_play_order(song, seen);
    EXPECT_EQ(order_sequence(seen), (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_GT(seen.size(), 20u) << "most of the 40 rows are seen";

    // Order starts in the song: 0, 160, 240, 600 ms; the end at 640 ms.
    const double expected_ms[] = {0, 160, 240, 600, 640};
    double previous_ms = 0;
    for (std::uint32_t order = 1; order <= 4; ++order) {
        const Seen *first = first_of_order(seen, order);
        ASSERT_NE(first, nullptr) << "order " << order;
        std::printf("order %u first seen %.1f ms after Play (heard from %.1f ms)\n", order,
                    first->ms, expected_ms[order] + kLatencyMs);
        // Never before it can be heard (the row is marked at most one 64-frame slice early)...
        EXPECT_GE(first->ms, expected_ms[order] + kLatencyMs - 2.0) << "order " << order;
        // ...and not absurdly late.
        EXPECT_LE(first->ms, expected_ms[order] + kLatencyMs + 250.0) << "order " << order;
        if (order >= 2) {
            const double length = first->ms - previous_ms;
            const double expected = expected_ms[order] - expected_ms[order - 1];
            EXPECT_NEAR(length, expected, 50.0) << "length of order " << order - 1;
        }
        previous_ms = first->ms;
    }
}

TEST_F(LibraryTest, PlayOnceSongReportsItsEndForGood)
{
    const test::Song song = test::steps_song();
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    const std::uint32_t end = bassmod::pack_position(song.orders, 0);
    const auto seen = play_and_watch(std::chrono::seconds(5), end);
    ASSERT_EQ(seen.back().position, end);
    EXPECT_GE(seen.back().ms, ms_of_sample(song.end_sample()) + kLatencyMs - 2.0);
    EXPECT_EQ(row_of(seen[seen.size() - 2].position), 3u) << "the last row came just before";

    const auto until = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < until) {
        ASSERT_EQ(BASSMOD_MusicGetPosition(), end);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

TEST_F(LibraryTest, PlayOnceSongEndsWhereAJumpGoesBack)
{
    const test::Song song = test::jump_back_song();
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    const auto seen = play_and_watch(std::chrono::seconds(5), bassmod::pack_position(3, 0));
    expect_rows_in_play_order(song, seen);
    EXPECT_EQ(order_sequence(seen), (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST_F(LibraryTest, LoopFlagFollowsTheJumpBackForEver)
{
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(test::jump_back_song().bytes, kLoop));
    const auto orders = order_sequence(play_and_watch(std::chrono::milliseconds(800)));
    // 80 ms per order: 0 1 2, then 1 2 1 2 ... and never the end.
    ASSERT_GE(orders.size(), 6u);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        EXPECT_EQ(orders[i], i < 3 ? i : 1 + (i - 3) % 2) << "order change " << i;
    }
}

TEST_F(LibraryTest, PlayStartsAtTheFirstPlayedOrderWhenOrderZeroIsSkippedOrMissing)
{
    for (const bool missing_pattern : {false, true}) {
        SCOPED_TRACE(missing_pattern ? "missing pattern" : "skip marker");
        const test::Song song = test::skipped_first_order_song(missing_pattern);
        ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
        ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
        const auto seen = play_and_watch(std::chrono::seconds(5), bassmod::pack_position(3, 0));
        EXPECT_EQ(seen.front().position, song.rows.front().position);
        expect_rows_in_play_order(song, seen);
        const auto orders = order_sequence(seen);
        EXPECT_EQ(orders, missing_pattern ? (std::vector<std::uint32_t>{0, 1, 2, 3})
                                          : (std::vector<std::uint32_t>{1, 2, 3}));
        // The played orders are heard through: the song did not end at once. (How close the end
        // comes to its sample is the sync tests' business; a busy machine blurs it here.)
        const Seen *end = first_of_order(seen, 3);
        ASSERT_NE(end, nullptr);
        EXPECT_GE(end->ms, ms_of_sample(song.end_sample()) / 2);
        BASSMOD_Free();
    }
}

TEST_F(LibraryTest, PlayStartsOverFromTheFirstOrder)
{
    const test::Song song = test::jump_back_song();
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    // Once during playback, once after the end.
    auto seen = play_and_watch(std::chrono::seconds(5), bassmod::pack_position(2, 0));
    ASSERT_EQ(seen.back().position, bassmod::pack_position(2, 0));
    for (int round = 0; round < 2; ++round) {
        seen = play_and_watch(std::chrono::seconds(5), bassmod::pack_position(3, 0));
        EXPECT_EQ(seen.front().position, 0u) << "round " << round;
        expect_rows_in_play_order(song, seen);
        EXPECT_EQ(order_sequence(seen), (std::vector<std::uint32_t>{0, 1, 2, 3}))
            << "round " << round;
    }
}

} // namespace
