// sync_probe.cpp: the click-track run: positions polled from the program's side, clicks found in
// what the sink played, the two matched row by row.
#include "sync_probe.h"

#include "bassmod.h"
#include "heard_clock.h"
#include "test_songs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

namespace test
{
namespace
{

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kPlayOnce = 0x202;
constexpr std::int16_t kClickThreshold = 2000;
constexpr std::size_t kQuietBeforeClick = 200;
// A dropout inside a click must not count as another one.
constexpr std::size_t kMinimumClickSpacing = kClickRowFrames / 2;
constexpr auto kSongTimeout = std::chrono::seconds(20);
constexpr auto kTailTime = std::chrono::milliseconds(400); // for the last click to be recorded

std::int64_t steady_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

struct Report {
    std::uint32_t position;
    std::int64_t first_seen_ns;
};

// Polls the position until the song's end mark (or a timeout) and notes when each position was
// first reported.
std::vector<Report> watch_positions(std::uint32_t end)
{
    std::vector<Report> reports;
    const auto deadline = Clock::now() + kSongTimeout;
    while (Clock::now() < deadline) {
        const std::uint32_t position = BASSMOD_MusicGetPosition();
        const std::int64_t now = steady_ns();
        if (reports.empty() || reports.back().position != position) {
            reports.push_back({position, now});
        }
        if (position == end) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return reports;
}

// The click heard for each row. A busy machine may drop audio: a click lost whole leaves its row
// without one (the gap to the next spans two rows), and a dropout between clicks only widens a
// gap. Rows after the last click heard have none.
std::vector<std::optional<std::uint64_t>>
match_clicks_to_rows(const std::vector<std::uint64_t> &clicks, std::size_t rows)
{
    std::vector<std::optional<std::uint64_t>> click_of_row(rows);
    std::size_t row = 0;
    for (std::size_t i = 0; i < clicks.size() && row < rows; ++i) {
        if (i > 0) {
            const double gap = static_cast<double>(clicks[i] - clicks[i - 1]);
            row += std::max<std::size_t>(1, std::lround(gap / kClickRowFrames));
        }
        if (row < rows) {
            click_of_row[row] = clicks[i];
        }
    }
    return click_of_row;
}

} // namespace

SyncMeasurement measure_sync_once()
{
    SyncMeasurement result;
    const Song song = click_song();
    if (BASSMOD_Init(-1, kRate, 0) == 0) {
        result.error = "BASSMOD_Init failed";
        return result;
    }
    if (BASSMOD_MusicLoad(1, song.bytes.data(), 0, static_cast<std::uint32_t>(song.bytes.size()),
                          kPlayOnce) == 0) {
        result.error = "BASSMOD_MusicLoad failed";
        BASSMOD_Free();
        return result;
    }
    const auto clock = HeardClock::start(kRate, result.error);
    if (!clock) {
        BASSMOD_Free();
        return result;
    }
    result.server = clock->server_name();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the clock settles
    BASSMOD_MusicPlay();
    const std::vector<Report> reports = watch_positions(bassmod::pack_position(song.orders, 0));
    std::this_thread::sleep_for(kTailTime);
    clock->stop();
    BASSMOD_Free();

    const std::size_t rows = song.rows.size() - 1; // without the end mark
    const std::vector<std::optional<std::uint64_t>> click_of_row = match_clicks_to_rows(
        find_clicks(clock->samples(), kClickThreshold, kQuietBeforeClick, kMinimumClickSpacing),
        rows);
    if (clock->clock_readings() == 0 || !click_of_row[0]) {
        result.error = "no click heard, or no reading of the server's clock";
        return result;
    }
    // Each report must be one of the song's rows in play order; a row the poller missed (the
    // machine was busy for a whole row) just has no offset. Row 0 is reported from Play on,
    // before anything can be heard, so it has none either.
    std::size_t row = 0;
    for (const Report &report : reports) {
        while (row < song.rows.size() && song.rows[row].position != report.position) {
            ++row;
        }
        if (row == song.rows.size()) {
            result.error = "position " + std::to_string(report.position) + " out of play order";
            return result;
        }
        if (row >= 1 && row < rows && click_of_row[row]) {
            const std::int64_t heard = clock->played_at_ns(*click_of_row[row]);
            result.offsets_ms.push_back(static_cast<double>(report.first_seen_ns - heard) / 1e6);
        }
    }
    if (reports.back().position != song.rows.back().position) {
        result.error = "the song's end was never reported";
    }
    return result;
}

SyncSummary summarise(std::vector<double> offsets_ms)
{
    if (offsets_ms.empty()) {
        return {NAN, NAN, NAN};
    }
    std::sort(offsets_ms.begin(), offsets_ms.end());
    const auto at = [&](double fraction) {
        const auto index = static_cast<std::size_t>(
            std::lround(fraction * static_cast<double>(offsets_ms.size() - 1)));
        return offsets_ms[index];
    };
    return {at(0.5), at(0.05), at(0.95)};
}

} // namespace test
