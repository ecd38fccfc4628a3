// renderer.cpp: the audio callback's work: render slices, mark row changes, detect the song end.
#include "renderer.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>

namespace bassmod
{

void Renderer::start(openmpt_module *module, std::uint32_t song_orders)
{
    module_ = module;
    song_orders_ = song_orders;
    next_sample_ = 0;
    ended_ = false;
    last_marked_.reset();
    last_mark_sample_ = 0;
}

void Renderer::stop()
{
    module_ = nullptr;
}

void Renderer::mark_if_changed(std::uint64_t sample, PackedPosition position)
{
    if (last_marked_ == position) {
        return;
    }
    timeline_.mark(sample, position);
    last_marked_ = position;
    last_mark_sample_ = sample;
}

void Renderer::render(std::int16_t *stereo, std::size_t frames, Nanoseconds now)
{
    if (module_ == nullptr) {
        std::fill(stereo, stereo + frames * 2, std::int16_t{0});
        return;
    }
    const std::uint64_t first_sample = next_sample_;
    render_unpublished(stereo, frames);
    timeline_.publish(now, first_sample, static_cast<std::uint32_t>(frames));
}

void Renderer::render_unpublished(std::int16_t *stereo, std::size_t frames)
{
    if (module_ == nullptr) {
        std::fill(stereo, stereo + frames * 2, std::int16_t{0});
        return;
    }
    std::size_t done = 0;
    while (done < frames && !ended_) {
        // Slices lie on a fixed grid of the song's samples, so the marks do not depend on how
        // the caller divides its rendering (a capture renders frame by frame).
        const std::size_t to_grid = kSliceFrames - next_sample_ % kSliceFrames;
        const std::size_t slice = std::min(to_grid, frames - done);
        const std::size_t rendered = openmpt_module_read_interleaved_stereo(
            module_, static_cast<std::int32_t>(timeline_.sample_rate()), slice, stereo + done * 2);
        if (rendered == slice) {
            const auto order =
                static_cast<std::uint32_t>(openmpt_module_get_current_order(module_));
            const auto row = static_cast<std::uint32_t>(openmpt_module_get_current_row(module_));
            // The row began somewhere in this slice's cell of the grid; the cell's middle
            // halves the error. (A cell may be read in two pieces when a caller's buffer ends
            // inside it; the mark is the same either way.)
            const std::uint64_t cell = next_sample_ - next_sample_ % kSliceFrames;
            const std::uint64_t sample =
                last_marked_ ? std::max(cell + kSliceFrames / 2, last_mark_sample_) : next_sample_;
            mark_if_changed(sample, pack_position(order, row));
        }
        next_sample_ += rendered;
        done += rendered;
        if (rendered < slice) {
            // libopenmpt stopped at the song's end (and now reports the restart position): from
            // the sample after the last row on, the song reports one past its last order.
            ended_ = true;
            mark_if_changed(next_sample_, pack_position(song_orders_, 0));
        }
    }
    std::fill(stereo + done * 2, stereo + frames * 2, std::int16_t{0});
    next_sample_ += frames - done;
}

} // namespace bassmod
