// sync_reports.h: the program's side of a sync measurement: the click track loaded into the
// music library, played through its public operations, and the moment each position is first
// reported. Plain C++ and the library only, so that a Windows build can run it too.
#pragma once

#include "test_songs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace test
{

struct Report {
    std::uint32_t position;
    std::int64_t first_seen_ns; // on std::chrono::steady_clock
};

std::int64_t steady_ns();

// Initialises the library on SDL's audio driver and loads `song`, to play once. The error, or
// empty; on an error the library is freed again.
std::string load_song(const Song &song);

// Plays the loaded song and polls the position until the song's end mark (or a timeout),
// noting when each position was first reported.
std::vector<Report> play_and_watch(const Song &song);

} // namespace test
