// main.cpp: demo_capture: records the demo, frame-exact, into a video file and a scene sheet.
// Exit statuses: 0 done; 1 the output cannot be written (or another failure); 2 a bad command
// line; 255 music.xm is missing or unreadable, as for the demo; 128 + signal when interrupted.
#include "capture.h"
#include "options.h"
#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <variant>

namespace
{

constexpr int kStatusFailed = 1;
constexpr int kStatusUsage = 2;
constexpr int kStatusNoMusic = 255;

// Scene 5 prints its rows on standard output; nothing of that, or of anything else, may reach
// a video piped out of this program, so standard output is /dev/null from here on.
bool silence_stdout()
{
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) {
        return false;
    }
    const bool moved = dup2(null, STDOUT_FILENO) >= 0;
    close(null);
    return moved;
}

extern "C" void on_signal(int number)
{
    capture::remove_open_temporary_files();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

void remove_temporaries_on_signals()
{
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(number, on_signal);
    }
}

int run(const capture::Options &options)
{
    namespace fs = std::filesystem;
    // Outputs are named from where the program was started, before it enters the asset folder.
    const std::optional<fs::path> output =
        options.output ? std::optional(fs::absolute(*options.output)) : std::nullopt;
    const std::optional<fs::path> sheet =
        options.sheet ? std::optional(fs::absolute(*options.sheet)) : std::nullopt;
    if (options.assets && chdir(options.assets->c_str()) != 0) {
        std::fprintf(stderr, "demo_capture: cannot enter %s: %s\n", options.assets->c_str(),
                     std::strerror(errno));
        return kStatusNoMusic;
    }

    capture::DemoRun demo;
    const double seconds = options.seconds ? *options.seconds : demo.song_seconds() + 1.0;
    const auto frames =
        std::max<std::int64_t>(1, std::llround(seconds * static_cast<double>(options.fps)));

    if (output) {
        capture::OutputFile file(*output);
        capture::Progress progress(options.output->c_str(), frames);
        try {
            capture::capture_video(demo, file.temporary_path(), options.container, options.fps,
                                   frames, progress);
        } catch (const capture::CaptureError &error) {
            throw capture::CaptureError(*options.output + ": " + error.what());
        }
        file.commit();
        progress.summary(options.fps);
    }
    if (sheet) {
        capture::OutputFile file(*sheet);
        try {
            capture::write_scene_sheet(demo, file.temporary_path(), options.fps, frames);
        } catch (const capture::CaptureError &error) {
            throw capture::CaptureError(*options.sheet + ": " + error.what());
        }
        file.commit();
        std::fprintf(stderr, "%s: scene sheet written\n", options.sheet->c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
try {
    const auto parsed = capture::parse_options(argc, argv);
    if (const auto *problem = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "demo_capture: %s\n%s", problem->c_str(), capture::kUsage);
        return kStatusUsage;
    }
    const auto &options = std::get<capture::Options>(parsed);
    if (options.help) {
        std::fputs(capture::kUsage, stderr);
        return 0;
    }
    if (!silence_stdout()) {
        std::fprintf(stderr, "demo_capture: cannot send standard output to /dev/null\n");
        return kStatusFailed;
    }
    remove_temporaries_on_signals();
    av_log_set_level(AV_LOG_ERROR); // the encoders' notes would bury the summary

    try {
        return run(options);
    } catch (const capture::MusicError &error) {
        std::fprintf(stderr, "demo_capture: %s\n", error.what());
        return kStatusNoMusic;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "demo_capture: %s\n", error.what());
        return kStatusFailed;
    }
} catch (...) { // out of memory before the work began
    std::fputs("demo_capture: out of memory\n", stderr);
    return kStatusFailed;
}
