// progress.cpp: the progress bar and summary line of demo_capture.
#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace capture
{
namespace
{
constexpr int kBarWidth = 40;
}

Progress::Progress(std::string what, std::int64_t total)
    : what_(std::move(what)), total_(total > 0 ? total : 1), terminal_(isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now())
{
}

void Progress::update(std::int64_t done)
{
    if (!terminal_) {
        return;
    }
    const int permille = static_cast<int>(done * 1000 / total_);
    if (permille == drawn_) {
        return;
    }
    drawn_ = permille;
    const int filled = permille * kBarWidth / 1000;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%% %lld/%lld frames", what_.c_str(), bar.c_str(),
                 permille / 10, static_cast<long long>(done), static_cast<long long>(total_));
    std::fflush(stderr);
}

void Progress::summary(int fps)
{
    const double taken =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double duration = static_cast<double>(total_) / fps;
    if (terminal_) {
        std::fprintf(stderr, "\r\033[K");
    }
    std::fprintf(stderr, "%s: %lld frames, %.2f s of video, %.2f s taken, %.1fx real time\n",
                 what_.c_str(), static_cast<long long>(total_), duration, taken,
                 taken > 0 ? duration / taken : 0.0);
}

} // namespace capture
