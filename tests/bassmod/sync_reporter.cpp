// sync_reporter.cpp: the playing side of a sync measurement in a process of its own, for the
// Windows build under Wine, whose sound server and clock of what is heard live outside it
// (see measure_sync_of_program). Prints its steady clock, plays the click track on the driver
// SDL_AUDIODRIVER names, and prints when each position was first reported.
#include "bassmod.h"
#include "sync_reports.h"

#include <chrono>
#include <cstdio>
#include <thread>

// SDL's compile flags rename main for SDL's main wrapper, which on Windows sends standard output
// to a file; this program's output is for the pipe it was started with.
#ifdef main
#undef main
#endif

namespace
{

// Readings of this process's clock, a few milliseconds apart, for the reader to align its own.
void print_clock()
{
    for (int i = 0; i < 20; ++i) {
        std::printf("clock %lld\n", static_cast<long long>(test::steady_ns()));
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

int main()
{
    const test::Song song = test::click_song();
    print_clock();
    const std::string error = test::load_song(song);
    if (!error.empty()) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    const std::vector<test::Report> reports = test::play_and_watch(song);
    for (const test::Report &report : reports) {
        std::printf("row %u %lld\n", report.position, static_cast<long long>(report.first_seen_ns));
    }
    std::printf("end\n");
    std::fflush(stdout);
    print_clock();
    // The reader stops recording a little after "end"; keep playing until then.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    BASSMOD_Free();
    return 0;
}
