// bench_capture.cpp: the capture's speed against its floor, both measured in the same run.
//   bench_capture [--assets DIR] [--seconds S] [--fps N] [--mkv] [--repetitions N]
//                 [--require_targets]
// Capture: demo_capture's whole work on the asset set (music rendered, frames drawn by
// DrawScreen, colours expanded, encoded and written). Floor: the same encoder calls with the
// same settings on the same frames and audio, taken from memory: every distinct frame and the
// audio are made beforehand, outside the timing, in blocks of at most kBlockFrames frames so that
// memory stays bounded. Each is run --repetitions times (default 3), alternating; the fastest
// wall time of each counts (the machine may be shared). Prints both, their ratio (target at most
// 1.3) and the capture's speed as a multiple of real time (target at least 4 for .mp4).
// --require_targets: exit with status 1 when a target is missed.
#include "capture.h"
#include "output_file.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#ifndef BENCH_ASSET_DIR
#define BENCH_ASSET_DIR "assets"
#endif

namespace
{

using namespace capture;

constexpr std::int64_t kBlockFrames = 240;
constexpr std::size_t kBlockDistinct = 96; // frames of 1.5 MB kept at once, at most

struct Options {
    std::string assets = BENCH_ASSET_DIR;
    double seconds = 0; // 0: the song plus one second
    int fps = 60;
    Container container = Container::Mp4;
    int repetitions = 3;
    bool require_targets = false;
};

struct Times {
    double wall = 0;
    double cpu = 0;  // every thread of the process: the encoders' threads too
    double main = 0; // the calling thread alone
};

double cpu_seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class Stopwatch
{
  public:
    void start()
    {
        wall_ = std::chrono::steady_clock::now();
        cpu_ = cpu_seconds(CLOCK_PROCESS_CPUTIME_ID);
        main_ = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
    }
    void stop(Times &into) const
    {
        into.wall +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
        into.cpu += cpu_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_;
        into.main += cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - main_;
    }

  private:
    std::chrono::steady_clock::time_point wall_;
    double cpu_ = 0;
    double main_ = 0;
};

Times time_capture(DemoRun &run, const std::string &path, const Options &options,
                   std::int64_t frames)
{
    Progress quiet("bench", frames); // draws nothing unless standard error is a terminal
    Times times;
    Stopwatch watch;
    watch.start();
    capture_video(run, path, options.container, options.fps, frames, quiet);
    watch.stop(times);
    return times;
}

// One frame of a block: a stored picture to submit, or the one before again.
struct BlockFrame {
    std::int64_t picture = -1; // index into the block's pictures; -1 repeats
};

Times time_floor(DemoRun &run, const std::string &path, const Options &options, std::int64_t frames)
{
    MediaSettings settings;
    settings.container = options.container;
    settings.fps = options.fps;
    settings.sample_rate = DemoRun::kSampleRate;
    Times times;
    Stopwatch watch;
    watch.start();
    MediaWriter writer(path, settings);
    watch.stop(times);

    std::optional<ColourExpander> expander;
    std::optional<std::uint32_t> drawn;
    std::vector<FramePtr> pictures;
    std::vector<BlockFrame> block;
    std::vector<std::int16_t> audio;
    run.restart();
    for (std::int64_t first = 0; first < frames;) {
        // Outside the timing: the block's frames and audio, the way the capture makes them.
        pictures.clear();
        block.clear();
        audio.clear();
        for (std::int64_t frame = first;
             frame < frames && frame - first < kBlockFrames && pictures.size() < kBlockDistinct;
             ++frame) {
            const auto samples = run.render_until(sample_of_frame(frame + 1, options.fps));
            audio.insert(audio.end(), samples.begin(), samples.end());
            const std::uint32_t position = run.position_at(sample_of_frame(frame, options.fps));
            if (position == drawn) {
                block.push_back({-1});
                continue;
            }
            SDL_Surface *screen = run.draw_at(sample_of_frame(frame, options.fps));
            if (!expander) {
                expander.emplace(*screen->format);
            }
            FramePtr picture = make_frame();
            picture->format = AV_PIX_FMT_BGR0;
            picture->width = DemoRun::kWidth;
            picture->height = DemoRun::kHeight;
            check_av(av_frame_get_buffer(picture.get(), 0), "bench frame");
            expander->expand(screen, *picture);
            block.push_back({static_cast<std::int64_t>(pictures.size())});
            pictures.push_back(std::move(picture));
            drawn = position;
        }
        // Timed: the encoder calls of the capture, on what is in memory.
        watch.start();
        for (const BlockFrame &entry : block) {
            if (entry.picture < 0) {
                writer.repeat_video_frame();
            } else {
                const AVFrame &source = *pictures[static_cast<std::size_t>(entry.picture)];
                AVFrame &target = writer.video_input();
                for (int y = 0; y < DemoRun::kHeight; ++y) {
                    std::memcpy(target.data[0] + y * target.linesize[0],
                                source.data[0] + y * source.linesize[0], DemoRun::kWidth * 4);
                }
                writer.submit_video_frame();
            }
        }
        writer.write_audio(audio.data(), audio.size() / 2);
        watch.stop(times);
        first += static_cast<std::int64_t>(block.size());
    }
    watch.start();
    writer.finish();
    watch.stop(times);
    return times;
}

bool parse(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&](const char *prefix) -> const char * {
            const std::size_t length = std::strlen(prefix);
            return argument.compare(0, length, prefix) == 0 ? argv[i] + length : nullptr;
        };
        if (const char *v = value("--assets=")) {
            options.assets = v;
        } else if (const char *v = value("--seconds=")) {
            options.seconds = std::atof(v);
        } else if (const char *v = value("--fps=")) {
            options.fps = std::atoi(v);
        } else if (const char *v = value("--repetitions=")) {
            options.repetitions = std::max(1, std::atoi(v));
        } else if (argument == "--mkv") {
            options.container = Container::Mkv;
        } else if (argument == "--require_targets") {
            options.require_targets = true;
        } else {
            return false;
        }
    }
    return options.fps >= 1 && options.seconds >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_capture [--assets=DIR] [--seconds=S] [--fps=N] [--mkv] "
                             "[--repetitions=N] [--require_targets]\n");
        return 2;
    }
    if (chdir(options.assets.c_str()) != 0) {
        std::fprintf(stderr, "bench_capture: cannot enter %s\n", options.assets.c_str());
        return 1;
    }
    // Scene 5 prints its rows.
    std::fflush(stdout);
    const int report = dup(STDOUT_FILENO);
    if (report < 0 || !std::freopen("/dev/null", "w", stdout)) {
        return 1;
    }
    const std::unique_ptr<FILE, int (*)(FILE *)> report_file(fdopen(report, "w"), &std::fclose);
    FILE *out = report_file.get();
    if (out == nullptr) {
        return 1;
    }
    av_log_set_level(AV_LOG_ERROR);
    try {
        DemoRun run;
        const double seconds = options.seconds > 0 ? options.seconds : run.song_seconds() + 1;
        const auto frames = std::max<std::int64_t>(1, std::llround(seconds * options.fps));
        const std::string suffix = options.container == Container::Mp4 ? ".mp4" : ".mkv";
        const OutputFile file(std::filesystem::temp_directory_path() / ("bench_capture" + suffix));
        Times capture{1e30, 1e30, 1e30}, floor{1e30, 1e30, 1e30};
        for (int repetition = 0; repetition < options.repetitions; ++repetition) {
            const Times c = time_capture(run, file.temporary_path(), options, frames);
            const Times f = time_floor(run, file.temporary_path(), options, frames);
            std::fprintf(out,
                         "repetition %d: capture %.2f s (cpu %.2f s), floor %.2f s (cpu %.2f s)\n",
                         repetition + 1, c.wall, c.cpu, f.wall, f.cpu);
            capture.wall = std::min(capture.wall, c.wall);
            capture.cpu = std::min(capture.cpu, c.cpu);
            floor.wall = std::min(floor.wall, f.wall);
            floor.cpu = std::min(floor.cpu, f.cpu);
            capture.main = std::min(capture.main, c.main);
            floor.main = std::min(floor.main, f.main);
        }
        const double video = static_cast<double>(frames) / options.fps;
        const double ratio = capture.wall / floor.wall;
        const double speed = video / capture.wall;
        std::fprintf(out, "%s, %lld frames (%.2f s of video) at %d fps, fastest of %d:\n",
                     suffix.c_str(), static_cast<long long>(frames), video, options.fps,
                     options.repetitions);
        std::fprintf(out, "  capture  %7.2f s wall  %7.2f s cpu  %7.2f s cpu on the main thread\n",
                     capture.wall, capture.cpu, capture.main);
        std::fprintf(out, "  floor    %7.2f s wall  %7.2f s cpu  %7.2f s cpu on the main thread\n",
                     floor.wall, floor.cpu, floor.main);
        std::fprintf(out, "  capture / floor: %.2f (wall), %.2f (cpu); target <= 1.3\n", ratio,
                     capture.cpu / floor.cpu);
        std::fprintf(out, "  speed: %.1fx real time (wall); target >= 4 for .mp4\n", speed);
        // What two cores of our own would allow: all the work spread over both, but never
        // faster than the main thread's share.
        const double two_cores = std::max(capture.cpu / 2, capture.main);
        std::fprintf(out, "  cpu-bound speed on two idle cores: %.1fx real time\n",
                     video / two_cores);
        std::fflush(out);
        const bool met = ratio <= 1.3 && (options.container != Container::Mp4 || speed >= 4);
        return options.require_targets && !met ? 1 : 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_capture: %s\n", error.what());
        return 1;
    }
}
