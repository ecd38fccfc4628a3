// sync_test.cpp: the renderer and the timeline on real modules, driven by a scripted device
// clock: every row, and the end of the song, is reported within 10 ms of the moment its first
// sample leaves the buffer, also when callbacks come late. Prints the measured sync error.
#include "module.h"
#include "renderer.h"
#include "test_songs.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <span>

namespace
{

using bassmod::Nanoseconds;
using bassmod::PackedPosition;

constexpr std::int64_t kStartNs = 1'000'000'000; // the device plays sample 0 at 1 s
constexpr std::int64_t kQueryStepNs = 100'000;   // the program asks every 0.1 ms
constexpr double kToleranceMs = 10.0;

std::int64_t heard_time_ns(std::uint64_t sample)
{
    return kStartNs + static_cast<std::int64_t>(sample * 1'000'000'000ull / test::kRate);
}

struct Change {
    std::int64_t time_ns;
    PackedPosition position;
};

// Plays `bytes` through a renderer into a device that takes `buffer_frames` per callback and
// plays in real time; callback n is due when sample (n - 2) * buffer_frames starts playing, and
// comes `lateness_ns(n)` after that. Returns every change of the reported position.
std::vector<Change> play_scripted(const std::vector<std::uint8_t> &bytes, bassmod::EndMode mode,
                                  std::uint32_t orders, std::uint32_t buffer_frames,
                                  std::int64_t duration_ns,
                                  const std::function<std::int64_t(std::uint64_t)> &lateness_ns)
{
    const auto data = std::as_bytes(std::span(bytes));
    bassmod::ModulePtr module = bassmod::open_module(data, mode);
    EXPECT_TRUE(module);
    if (!module) {
        return {};
    }
    bassmod::Timeline timeline(test::kRate);
    bassmod::Renderer renderer(timeline);
    renderer.start(module.get(), orders);
    std::vector<std::int16_t> buffer(buffer_frames * 2);

    std::vector<Change> changes;
    std::uint64_t callback = 0;
    const auto callback_due = [&](std::uint64_t n) {
        const auto played = static_cast<std::int64_t>(n) - bassmod::Timeline::kQueuedBuffers;
        return kStartNs + played * buffer_frames * 1'000'000'000 / test::kRate + lateness_ns(n);
    };
    for (std::int64_t now = kStartNs - 100'000'000; now < kStartNs + duration_ns;
         now += kQueryStepNs) {
        while (callback_due(callback) <= now) {
            renderer.render(buffer.data(), buffer_frames, Nanoseconds(callback_due(callback)));
            ++callback;
        }
        const PackedPosition position = timeline.heard_at(Nanoseconds(now));
        if (changes.empty() || changes.back().position != position) {
            changes.push_back({now, position});
        }
    }
    return changes;
}

struct SyncError {
    double earliest_ms = 0; // most negative: reported before it was heard
    double latest_ms = 0;
};

// Checks that the changes are exactly the song's rows in order and measures their timing.
SyncError measure(const test::Song &song, const std::vector<Change> &changes)
{
    SyncError error;
    EXPECT_EQ(changes.size(), song.rows.size());
    const std::size_t count = std::min(changes.size(), song.rows.size());
    for (std::size_t i = 0; i < count; ++i) {
        const PackedPosition expected = song.rows[i].position;
        EXPECT_EQ(changes[i].position, expected) << "change " << i;
        if (i == 0) {
            continue; // the start position is reported before anything is heard
        }
        const double ms =
            static_cast<double>(changes[i].time_ns - heard_time_ns(song.rows[i].sample)) / 1e6;
        error.earliest_ms = std::min(error.earliest_ms, ms);
        error.latest_ms = std::max(error.latest_ms, ms);
    }
    return error;
}

void expect_within_tolerance(const char *what, const SyncError &error)
{
    std::printf("%s: rows reported from %.2f ms early to %.2f ms late\n", what, -error.earliest_ms,
                error.latest_ms);
    EXPECT_GE(error.earliest_ms, -kToleranceMs);
    EXPECT_LE(error.latest_ms, kToleranceMs);
}

std::int64_t on_time(std::uint64_t)
{
    return 0;
}

// Deterministic lateness of 0 to 5 ms per callback.
std::int64_t jittery(std::uint64_t callback)
{
    return static_cast<std::int64_t>((callback * 2654435761u) % 5'000'000);
}

TEST(Sync, EveryRowIsReportedWhenItIsHeard)
{
    const test::Song song = test::steps_song();
    const auto changes = play_scripted(song.bytes, bassmod::EndMode::PlayOnce, song.orders, 1024,
                                       800'000'000, on_time);
    const SyncError error = measure(song, changes);
    expect_within_tolerance("buffer 1024, callbacks on time", error);
    RecordProperty("max_early_us", static_cast<int>(-error.earliest_ms * 1000));
    RecordProperty("max_late_us", static_cast<int>(error.latest_ms * 1000));
}

TEST(Sync, LateCallbacksDelayRowsByNoMoreThanTheirLateness)
{
    const test::Song song = test::steps_song();
    const auto changes = play_scripted(song.bytes, bassmod::EndMode::PlayOnce, song.orders, 1024,
                                       800'000'000, jittery);
    expect_within_tolerance("buffer 1024, callbacks up to 5 ms late", measure(song, changes));
}

TEST(Sync, SongEndIsReportedWhenTheLastRowHasBeenHeardAndStays)
{
    const test::Song song = test::jump_back_song();
    const auto changes = play_scripted(song.bytes, bassmod::EndMode::PlayOnce, song.orders, 1024,
                                       1'000'000'000, on_time);
    // measure() requires the last change to be the end mark, with nothing after it.
    expect_within_tolerance("jump back, played once", measure(song, changes));
}

TEST(Sync, MissingPatternPlaysAsEmptyRowsBeforeTheEnd)
{
    const test::Song song = test::missing_last_pattern_song();
    const auto changes = play_scripted(song.bytes, bassmod::EndMode::PlayOnce, song.orders, 1024,
                                       1'000'000'000, on_time);
    expect_within_tolerance("last order's pattern missing", measure(song, changes));
}

// The orders of the changes, each run of one order listed once.
std::vector<std::uint32_t> order_runs(const std::vector<Change> &changes)
{
    std::vector<std::uint32_t> orders;
    for (const Change &change : changes) {
        const std::uint32_t order = bassmod::order_of(change.position);
        if (orders.empty() || orders.back() != order) {
            orders.push_back(order);
        }
    }
    return orders;
}

// Orders 0 1 2, then 1 2 1 2 ...: never the end mark, never order 0 again.
void expect_loop_from_order_one(const std::vector<std::uint32_t> &orders)
{
    ASSERT_GE(orders.size(), 6u);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        EXPECT_EQ(orders[i], i < 3 ? i : 1 + (i - 3) % 2) << "order change " << i;
    }
}

TEST(Sync, LoopedSongFollowsTheJumpBack)
{
    const test::Song song = test::jump_back_song();
    expect_loop_from_order_one(order_runs(play_scripted(song.bytes, bassmod::EndMode::Loop,
                                                        song.orders, 1024, 600'000'000, on_time)));
}

TEST(Sync, LoopedSongWrapsToItsRestartPosition)
{
    const test::Song song = test::restart_song();
    expect_loop_from_order_one(order_runs(play_scripted(song.bytes, bassmod::EndMode::Loop,
                                                        song.orders, 1024, 400'000'000, on_time)));
}

} // namespace
