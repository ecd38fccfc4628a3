// offline_playback.cpp: everything runs on the caller's thread, so nothing is locked.
#include "offline_playback.h"

namespace bassmod
{

bool OfflinePlayback::load(bool from_memory, const void *file, std::uint32_t offset,
                           std::uint32_t length, std::uint32_t flags)
{
    song_.unload();
    return song_.load(from_memory, file, offset, length, flags);
}

bool OfflinePlayback::play()
{
    if (!song_.rewind()) {
        return false;
    }
    rendered_ = 0;
    return true;
}

PackedPosition OfflinePlayback::position() const
{
    if (const auto fixed = song_.position_without_clock()) {
        return *fixed;
    }
    return song_.timeline().position_of_sample(clock_);
}

std::uint64_t OfflinePlayback::render(std::int16_t *stereo, std::size_t frames)
{
    // The anchors' clock is the sample count itself; nothing reads it in this mode.
    song_.render(stereo, frames, Nanoseconds{static_cast<std::int64_t>(rendered_)});
    rendered_ += frames;
    return rendered_;
}

} // namespace bassmod
