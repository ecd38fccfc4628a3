// output_file.cpp: temporary output files and their final rename.
#include "output_file.h"

#include "av_handles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace capture
{
namespace
{

// Open temporary files, readable from a signal handler: slots hold a path or null.
std::array<std::atomic<const char *>, 4> open_files{};

void track(const char *path)
{
    for (auto &slot : open_files) {
        const char *expected = nullptr;
        if (slot.compare_exchange_strong(expected, path)) {
            return;
        }
    }
}

void untrack(const char *path)
{
    for (auto &slot : open_files) {
        const char *expected = path;
        slot.compare_exchange_strong(expected, nullptr);
    }
}

std::string reason()
{
    return std::strerror(errno);
}

} // namespace

OutputFile::OutputFile(const std::filesystem::path &target) : target_(target)
{
    std::error_code error;
    if (std::filesystem::is_directory(target_, error)) {
        throw CaptureError("cannot write " + target_.string() + ": it is a folder");
    }
    const std::filesystem::path folder = target_.parent_path();
    std::string hidden = target_.filename().string();
    hidden.insert(hidden.begin(), '.');
    hidden.append(".partial-XXXXXX");
    std::string pattern = (folder / hidden).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        throw CaptureError("cannot write " + target_.string() + ": " + reason());
    }
    temporary_ = pattern;
    track(temporary_.c_str());
    // mkstemp makes the file private; a finished capture is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    const bool permitted = fchmod(descriptor, 0666 & ~mask) == 0;
    const int saved = errno;
    close(descriptor);
    if (!permitted) {
        errno = saved;
        const std::string text = "cannot write " + target_.string() + ": " + reason();
        untrack(temporary_.c_str());
        std::remove(temporary_.c_str());
        throw CaptureError(text);
    }
}

OutputFile::~OutputFile()
{
    if (!committed_) {
        untrack(temporary_.c_str());
        std::remove(temporary_.c_str());
    }
}

void OutputFile::commit()
{
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw CaptureError("cannot write " + target_.string() + ": " + reason());
    }
    untrack(temporary_.c_str());
    committed_ = true;
}

void remove_open_temporary_files() noexcept
{
    for (auto &slot : open_files) {
        if (const char *path = slot.load()) {
            unlink(path); // async-signal-safe
        }
    }
}

} // namespace capture
