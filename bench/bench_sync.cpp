// bench_sync.cpp: how far the music library's reported row lies from the row a PulseAudio (or
// pipewire-pulse) server plays, over several play-throughs of a click track. Prints one line:
// the audio path, the server, the median, p5 and p95 of reported minus heard, in milliseconds.
// Usage: bench_sync DRIVER [RUNS]   (DRIVER as for SDL_AUDIODRIVER). Uses the server PULSE_SERVER
// names if it is set (its default sink), else starts a private PulseAudio daemon for the run.
// DRIVER wine:NAME plays on the Windows build's driver NAME instead: the program SYNC_REPORTER
// names (the cross-built sync_reporter.exe) runs under Wine and plays the click track.
// PULSE_LATENCY_MSEC, when set, changes the player's buffering and not the recording's.
#include "pulse_server.h"
#include "sync_probe.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DRIVER [RUNS]\n", argv[0]);
        return 2;
    }
    const char *driver = argv[1];
    const int runs = argc == 3 ? std::atoi(argv[2]) : 5;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be at least 1\n");
        return 2;
    }
    std::unique_ptr<test::PulseServer> server;
    std::string folder = (std::filesystem::temp_directory_path() / "bench-sync.XXXXXX").string();
    if (const char *address = std::getenv("PULSE_SERVER")) {
        // Someone else's server: only the client side (ALSA's default device among it) is ours.
        if (::mkdtemp(folder.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        test::use_pulse_server(address, folder);
    } else {
        folder.clear();
        std::string error;
        server = test::PulseServer::start(error);
        if (!server) {
            std::fprintf(stderr, "no PulseAudio server: %s\n", error.c_str());
            return 1;
        }
    }
    const std::string wine_prefix = "wine:";
    const bool under_wine = std::string(driver).rfind(wine_prefix, 0) == 0;
    const char *reporter = std::getenv("SYNC_REPORTER");
    if (under_wine && (reporter == nullptr || *reporter == '\0')) {
        std::fprintf(stderr, "%s: SYNC_REPORTER must name the Windows sync_reporter.exe\n", driver);
        return 2;
    }
    setenv("SDL_AUDIODRIVER", under_wine ? driver + wine_prefix.size() : driver, 1);
    std::vector<double> offsets;
    std::string name;
    for (int run = 0; run < runs; ++run) {
        const test::SyncMeasurement measurement =
            under_wine ? test::measure_sync_of_program(std::string("wine '") + reporter + "'")
                       : test::measure_sync_once();
        if (!measurement.error.empty()) {
            std::fprintf(stderr, "%s, run %d: %s\n", driver, run + 1, measurement.error.c_str());
            offsets.clear();
            break;
        }
        name = measurement.server;
        offsets.insert(offsets.end(), measurement.offsets_ms.begin(), measurement.offsets_ms.end());
    }
    if (!folder.empty()) {
        std::filesystem::remove_all(folder);
    }
    if (offsets.empty()) {
        return 1;
    }
    char sdl[32];
    if (under_wine) {
        std::snprintf(sdl, sizeof sdl, "Windows SDL");
    } else {
        const SDL_version *version = SDL_Linked_Version();
        std::snprintf(sdl, sizeof sdl, "SDL %d.%d.%d", version->major, version->minor,
                      version->patch);
    }
    // The player's streams buffer as PULSE_LATENCY_MSEC tells libpulse, when it is set.
    if (const char *latency = std::getenv("PULSE_LATENCY_MSEC")) {
        name += std::string(", client ") + latency + " ms";
    }
    const test::SyncSummary summary = test::summarise(offsets);
    std::printf("%s %-13s on %-28s median %+6.2f ms  p5 %+6.2f  p95 %+6.2f  (%zu rows)\n", sdl,
                driver, name.c_str(), summary.median_ms, summary.p5_ms, summary.p95_ms,
                offsets.size());
    return 0;
}
