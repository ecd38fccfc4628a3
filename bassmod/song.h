// song.h: what both playback modes share: the loaded module, the renderer that plays it and the
// timeline that maps samples to positions. The mode that owns a song decides who renders it and
// keeps the renderer out (or not) while the program thread starts or stops it.
#pragma once

#include "module.h"
#include "renderer.h"
#include "timeline.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace bassmod
{

class Song
{
  public:
    explicit Song(std::uint32_t rate) : timeline_(rate), renderer_(timeline_) {}
    Song(const Song &) = delete;
    Song &operator=(const Song &) = delete;

    // Renderer kept out: render silence from now on and release the module.
    void unload();

    // Renderer stopped (unload()): loads module data as BASSMOD_MusicLoad describes it; false,
    // with nothing loaded, if it is missing or not a module.
    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);

    bool loaded() const { return module_ != nullptr; }

    // Renderer kept out: plays the module from its first played order, marked at sample 0.
    // False if nothing is loaded.
    bool rewind();

    // The position reported whatever the clock says: none loaded, or loaded but not yet played.
    std::optional<PackedPosition> position_without_clock() const;

    // The renderer's thread: the next `frames` stereo frames, rendered at time `now`.
    void render(std::int16_t *stereo, std::size_t frames, Nanoseconds now)
    {
        renderer_.render(stereo, frames, now);
    }

    Renderer &renderer() { return renderer_; }
    Timeline &timeline() { return timeline_; }
    const Timeline &timeline() const { return timeline_; }

    // The module's length in seconds as one pass plays it; 0 when none is loaded.
    double seconds() const;

  private:
    Timeline timeline_;
    Renderer renderer_;
    ModulePtr module_;
    bool playing_ = false;
};

} // namespace bassmod
