// renderer.h: fills audio buffers from a libopenmpt module in short slices, marking on the
// timeline where each row starts to be heard and where a play-once song ends.
#pragma once

#include "timeline.h"

#include <cstddef>
#include <cstdint>
#include <optional>

struct openmpt_module;

namespace bassmod
{

class Renderer
{
  public:
    // Frames rendered per libopenmpt call, on a fixed grid of the song's samples. A row change
    // is detected after the slice in which it happened and marked at the slice's middle: at most
    // half a slice early or late, and on average on time. The first row after start() and the
    // song's end are marked exactly.
    static constexpr std::size_t kSliceFrames = 64;

    explicit Renderer(Timeline &timeline) : timeline_(timeline) {}

    // Program thread, audio locked: play `module` (not owned) from its current position, which
    // is marked at sample 0. `song_orders` is reported as the order once the song has ended.
    void start(openmpt_module *module, std::uint32_t song_orders);

    // Program thread, audio locked: render silence from now on and mark nothing.
    void stop();

    // Audio thread: renders `frames` interleaved stereo frames at the timeline's rate into
    // `stereo`, at callback time `now`. Silence after the song's end or when stopped.
    void render(std::int16_t *stereo, std::size_t frames, Nanoseconds now);

    // As render(), without publishing an anchor: for a caller that keeps the clock itself.
    void render_unpublished(std::int16_t *stereo, std::size_t frames);

    // The index of the next frame to render.
    std::uint64_t next_sample() const { return next_sample_; }

  private:
    void mark_if_changed(std::uint64_t sample, PackedPosition position);

    Timeline &timeline_;
    openmpt_module *module_ = nullptr;
    std::uint32_t song_orders_ = 0;
    std::uint64_t next_sample_ = 0; // index of the next frame to render
    bool ended_ = false;
    std::optional<PackedPosition> last_marked_; // none yet since start()
    std::uint64_t last_mark_sample_ = 0;        // where last_marked_ was marked
};

} // namespace bassmod
