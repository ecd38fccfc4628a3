// sync_probe.h: plays a click track through the music library's public operations on the
// current PulseAudio server and measures, for every row, how far the moment the library first
// reports it lies from the moment the server plays its click.
#pragma once

#include <string>
#include <vector>

namespace test
{

struct SyncMeasurement {
    std::vector<double> offsets_ms; // reported minus heard, one per row after the first
    std::string server;             // the server's name and version
    std::string error;              // empty if the run worked
};

// One play-through of the click track with the audio driver SDL_AUDIODRIVER names.
SyncMeasurement measure_sync_once();

// The same with the program `command` playing the click track, in a process of its own (for
// example a Windows build under Wine): it prints "clock NS" lines of its steady clock, plays the
// song and prints "row POSITION NS" for each position first reported, then "end"; "error TEXT"
// when it cannot play. What the server plays is recorded from before the program starts.
SyncMeasurement measure_sync_of_program(const std::string &command);

struct SyncSummary {
    double median_ms, p5_ms, p95_ms;
};
SyncSummary summarise(std::vector<double> offsets_ms);

} // namespace test
