// audio_path_figures.cpp: the figures of the sync model (timeline.h) for each audio path, with
// where each was measured, and the lookups that read them. A new path is one more row.
#include "audio_path.h"

#include <string_view>

namespace bassmod
{

namespace
{

// Where a figure comes from: how it was found, on what, and the commit that set it.
struct Source {
    std::string_view method;
    std::string_view machine;
    std::string_view commit;
};

struct PathFigures {
    SdlImplementation implementation;
    bool sound_server;       // ends in a PulseAudio-protocol server, which is asked for Q
    std::string_view driver; // kAnyOther: every driver of the implementation not listed above
    double queued;           // Q: buffers queued ahead of the one a callback has just rendered
    Source queued_from;
    double handover; // H: buffers of the latest callback the driver has not yet handed over
    Source handover_from;
    std::string_view why; // how the path buffers
};

constexpr std::string_view kAnyOther;

constexpr std::string_view kSyncBench = "bench/sync.sh, median of reported minus heard ~ 0";
constexpr std::string_view kPulseMachine = "2-core AMD EPYC, Debian 12, PulseAudio 16 null sink";
constexpr std::string_view kWineMachine =
    "2-core AMD EPYC, Debian 12, Wine 8 into a PulseAudio 16 null sink";
constexpr Source kRing{"SDL 1.2's ring of two buffers, unmeasured", "", "6fdf6c8"};
constexpr Source kNotAsked{"unused: no server is asked on this path", "", ""};
constexpr Source kWrittenAtOnce{"SDL 1.2's PulseAudio backend writes each buffer as soon as "
                                "it is rendered",
                                "", "10016e7"};
constexpr Source kBlockingWrite{"blocking snd_pcm_writei, which the pulse plugin ends only "
                                "when the server has room; checked with bench/sync.sh",
                                kPulseMachine, "10016e7"};
constexpr Source kServerPieces{kSyncBench, kPulseMachine, "10016e7"};
constexpr Source kPulseBench{kSyncBench, kPulseMachine, "b553c39"};
constexpr Source kPipeWireBench{kSyncBench, "2-core AMD EPYC, Debian 12, PipeWire", "425bf51"};
constexpr Source kWineBench{kSyncBench, kWineMachine, "3cd7df2"};
constexpr Source kReportedLate{"bench/sync.sh: reported late, which no Q mends; the ring's kept",
                               kWineMachine, "697e7d7"};
constexpr Source kNothingInFlight{"nothing in flight", "", "b553c39"};

constexpr SdlImplementation kClassic = SdlImplementation::Classic;
constexpr SdlImplementation kCompat = SdlImplementation::Compat;
constexpr bool kServer = true;
constexpr bool kNoServer = false;

// Looked up from the top: the first row of the implementation whose driver matches, or its
// kAnyOther row.
// clang-format off
constexpr PathFigures kPaths[] = {
    {kClassic, kServer, "pulse", 2.25, kPulseBench, 0.0, kWrittenAtOnce,
     "B is halved to 512 and the stream asks for four buffers of latency, adjusted; the server "
     "keeps a little over two buffers ahead of a callback"},
    {kClassic, kServer, "alsa", 2.0, kRing, 1.0, kBlockingWrite,
     "a two-period ring refilled as soon as a period has played (also through the pulse plugin)"},
    {kClassic, kNoServer, "dummy", 2.0, kRing, 0.0, kNotAsked,
     "two buffers filled up front, then one buffer's length of waiting per callback"},
    {kClassic, kNoServer, "disk", 2.0, kRing, 0.0, kNotAsked, "as the dummy driver"},
    {kClassic, kNoServer, "dsound@wine", 3.8, kWineBench, 0.0, kNotAsked,
     "Wine's DirectSound mixes into a buffer of its own ahead of the sound server"},
    {kClassic, kNoServer, "waveout@wine", 2.0, kReportedLate, 0.0, kNotAsked,
     "Wine's waveOut reports the position late rather than early"},
    {kClassic, kNoServer, kAnyOther, 2.0, kRing, 0.0, kNotAsked,
     "SDL 1.2's classic depth, OSS and Windows' own paths included (unmeasured)"},

    {kCompat, kServer, "pulseaudio", 0.9, kPulseBench, 0.6, kServerPieces,
     "sdl12-compat's stream is drained at once by SDL 2's callback, so only SDL 2's device "
     "buffering counts, about one buffer; SDL 2 writes each buffer in the server's pieces and "
     "keeps 0.6 of the latest on average"},
    {kCompat, kServer, "alsa", 3.1, kPulseBench, 1.0, kBlockingWrite,
     "through the pulse plugin: a four-buffer burst at start, three buffers in flight after it"},
    {kCompat, kNoServer, "pipewire", 0.4, kPipeWireBench, 0.6, kNotAsked,
     "SDL 2's own PipeWire backend holds less than half a buffer"},
    {kCompat, kNoServer, "dummy", 0.0, kNothingInFlight, 0.6, kNotAsked,
     "SDL 2's dummy driver plays nothing"},
    {kCompat, kNoServer, "disk", 0.0, kNothingInFlight, 0.6, kNotAsked,
     "SDL 2's disk driver writes each buffer at once"},
    {kCompat, kNoServer, kAnyOther, 2.0, kRing, 0.6, kNotAsked,
     "unmeasured: SDL 1.2's classic depth"},
};
// clang-format on

const PathFigures &figures_for(const AudioPath &path)
{
    const PathFigures *any_other = nullptr;
    for (const PathFigures &figures : kPaths) {
        if (figures.implementation != path.implementation) {
            continue;
        }
        if (figures.driver == path.driver) {
            return figures;
        }
        if (figures.driver == kAnyOther) {
            any_other = &figures;
        }
    }
    return *any_other; // every implementation has its kAnyOther row
}

} // namespace

double queued_buffers_on(const AudioPath &path)
{
    return figures_for(path).queued;
}

bool ends_in_sound_server(const AudioPath &path)
{
    return figures_for(path).sound_server;
}

double handover_buffers_on(const AudioPath &path)
{
    return figures_for(path).handover;
}

} // namespace bassmod
