// offline_playback.h: the song played on its caller's clock, for recordings: no device and no
// audio thread; the caller renders in order and says which sample is being heard.
#pragma once

#include "song.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace bassmod
{

class OfflinePlayback
{
  public:
    static std::unique_ptr<OfflinePlayback> open(std::uint32_t rate)
    {
        return std::make_unique<OfflinePlayback>(rate);
    }
    explicit OfflinePlayback(std::uint32_t rate) : song_(rate) {}

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    PackedPosition position() const;

    // Renders the next `frames` frames; returns the frames rendered since play (or since open).
    std::uint64_t render(std::int16_t *stereo, std::size_t frames);
    void set_clock(std::uint64_t sample) { clock_ = sample; }
    double song_seconds() const { return song_.seconds(); }

  private:
    Song song_;
    std::uint64_t rendered_ = 0; // frames rendered since play (or open)
    std::uint64_t clock_ = 0;    // the sample being heard
};

} // namespace bassmod
