// web_playback.h: the song played through the browser's Web Audio (emscripten builds), on the
// program's one thread: each position() call renders the song ahead and schedules it as buffers
// on the page's AudioContext, and reports the position of the sample the context says is being
// heard now. The page's JavaScript part is in web_playback.cpp.
#pragma once

#include "offline_playback.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace bassmod
{

class WebPlayback
{
  public:
    // Null when the browser offers no AudioContext.
    static std::unique_ptr<WebPlayback> open(std::uint32_t rate);
    explicit WebPlayback(std::uint32_t rate) : song_(rate) {}

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    PackedPosition position();

    bool still_open() const { return true; }
    // Stops every scheduled buffer. The browser lets go at once, so this never gives up.
    bool close(std::chrono::milliseconds bound);

  private:
    // Renders and schedules the song until enough is scheduled ahead of what is heard.
    void top_up();

    OfflinePlayback song_;
    bool playing_ = false;
    std::uint64_t scheduled_ = 0; // frames of the song scheduled since play
};

} // namespace bassmod
