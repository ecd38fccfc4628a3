// sync_probe.cpp: the click-track run: positions polled from the program's side, clicks found in
// what the sink played, the two matched row by row.
#include "sync_probe.h"

#include "bassmod.h"
#include "heard_clock.h"
#include "sync_reports.h"
#include "test_songs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

namespace test
{
namespace
{

constexpr std::int16_t kClickThreshold = 2000;
constexpr std::size_t kQuietBeforeClick = 200;
// A dropout inside a click must not count as another one.
constexpr std::size_t kMinimumClickSpacing = kClickRowFrames / 2;
constexpr auto kTailTime = std::chrono::milliseconds(400); // for the last click to be recorded

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

// Matches the reports, taken on a clock `reports_offset_ns` behind this process's steady
// clock, with the clicks `clock` heard; fills in `result`'s offsets or error.
void match_reports(const Song &song, const std::vector<Report> &reports,
                   std::int64_t reports_offset_ns, const HeardClock &clock, SyncMeasurement &result)
{
    const std::size_t rows = song.rows.size() - 1; // without the end mark
    const std::vector<std::optional<std::uint64_t>> click_of_row = match_clicks_to_rows(
        find_clicks(clock.samples(), kClickThreshold, kQuietBeforeClick, kMinimumClickSpacing),
        rows);
    if (clock.clock_readings() == 0 || !click_of_row[0]) {
        result.error = "no click heard, or no reading of the server's clock";
        return;
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
            return;
        }
        if (row >= 1 && row < rows && click_of_row[row]) {
            const std::int64_t heard = clock.played_at_ns(*click_of_row[row]);
            const std::int64_t seen = report.first_seen_ns + reports_offset_ns;
            result.offsets_ms.push_back(static_cast<double>(seen - heard) / 1e6);
        }
    }
    if (reports.empty() || reports.back().position != song.rows.back().position) {
        result.error = "the song's end was never reported";
    }
}

} // namespace

SyncMeasurement measure_sync_once()
{
    SyncMeasurement result;
    const Song song = click_song();
    result.error = load_song(song);
    if (!result.error.empty()) {
        return result;
    }
    const auto clock = HeardClock::start(kRate, result.error);
    if (!clock) {
        BASSMOD_Free();
        return result;
    }
    result.server = clock->server_name();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the clock settles
    const std::vector<Report> reports = play_and_watch(song);
    std::this_thread::sleep_for(kTailTime);
    clock->stop();
    BASSMOD_Free();
    match_reports(song, reports, 0, *clock, result);
    return result;
}

SyncMeasurement measure_sync_of_program(const std::string &command)
{
    SyncMeasurement result;
    const Song song = click_song();
    // Recording from before the program starts, so that no click is missed however quickly it
    // plays: a recording started on the program's word missed the first rows, and every later
    // click was then taken for an earlier row's.
    const std::unique_ptr<HeardClock> clock = HeardClock::start(kRate, result.error);
    if (!clock) {
        return result;
    }
    FILE *program = popen(command.c_str(), "r");
    if (program == nullptr) {
        result.error = "cannot start " + command;
        return result;
    }
    // The program's clock runs this far behind ours, plus the pipe's delay: the smallest
    // difference seen is the closest to the true one.
    std::int64_t offset_ns = INT64_MAX;
    std::vector<Report> reports;
    bool ended = false;
    char line[256];
    while (std::fgets(line, sizeof line, program) != nullptr) {
        const std::int64_t arrived = steady_ns();
        long long ns = 0;
        unsigned position = 0;
        if (std::sscanf(line, "clock %lld", &ns) == 1) {
            offset_ns = std::min<std::int64_t>(offset_ns, arrived - ns);
        } else if (std::sscanf(line, "row %u %lld", &position, &ns) == 2) {
            reports.push_back({position, ns});
        } else if (std::strncmp(line, "end", 3) == 0) {
            // The clock readings after it are the ones to trust: the first ones may come late
            // as a whole, while Wine starts the program. It keeps playing for a while after
            // them, so the recording, stopped at its exit, holds the last click.
            ended = true;
        } else if (std::strncmp(line, "error ", 6) == 0) {
            result.error = std::string(line + 6, std::strcspn(line + 6, "\r\n"));
        }
    }
    const int status = pclose(program);
    clock->stop();
    if (!result.error.empty()) {
        return result;
    }
    if (!ended || offset_ns == INT64_MAX) {
        result.error = command + " ended early (status " + std::to_string(status) + ")";
        return result;
    }
    result.server = clock->server_name();
    match_reports(song, reports, offset_ns, *clock, result);
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
