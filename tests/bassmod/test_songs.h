// test_songs.h: modules of known structure and timing for the music library's tests, and the
// sample at which each of their rows starts.
#pragma once

#include "timeline.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace test
{

constexpr std::uint32_t kRate = 44100;
// Every song runs at 250 BPM: a tick lasts 2.5 / 250 s = 441 frames at kRate, 10 ms.
constexpr std::uint32_t kTickFrames = 441;

struct RowStart {
    bassmod::PackedPosition position;
    std::uint64_t sample;
};

struct Song {
    std::vector<std::uint8_t> bytes;
    std::uint32_t orders;
    // Rows in play order (one pass, play-once), then the end mark (orders, row 0).
    std::vector<RowStart> rows;
    std::uint64_t end_sample() const { return rows.back().sample; }
};

// Four orders of 16, 8, 12 and 4 rows at speed 1, except the third order at speed 3:
// 160 + 80 + 360 + 40 = 640 ms. A looped square wave sounds throughout.
Song steps_song();

// Three orders of 8 rows at speed 1; the last row of the last order jumps back to order 1.
// Played once it ends at that jump (240 ms); looped it goes 0 1 2 1 2 ...
Song jump_back_song();

// Three orders of 4 rows at speed 1 with restart position 1: looped it goes 0 1 2 1 2 ...
Song restart_song();

// Orders 0 and 1 play the two stored patterns of 8 rows; order 2 points at pattern 5, which the
// file does not store, and plays 64 empty rows: 80 + 80 + 640 ms at speed 1.
Song missing_last_pattern_song();

// Three orders, of which the first is skipped: a skip marker (254) or, when `missing_pattern`,
// a pattern the file does not store (played as 64 empty rows). Then two orders of 8 rows.
Song skipped_first_order_song(bool missing_pattern);

// One order of 64 rows of kClickRowFrames (45 ms: speed 1 at 55 BPM) with a click at the start
// of every row and silence between clicks.
constexpr std::uint32_t kClickRowFrames = kRate * 5 / (2 * 55);
Song click_song();

// Writes bytes to a fresh file in the test's temporary directory and returns its path.
std::filesystem::path write_temp_file(const std::string &name,
                                      const std::vector<std::uint8_t> &bytes);

} // namespace test
