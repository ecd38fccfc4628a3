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
}

void Renderer::render(std::int16_t *stereo, std::size_t frames, Nanoseconds now)
{
    if (module_ == nullptr) {
        std::fill(stereo, stereo + frames * 2, std::int16_t{0});
        return;
    }
    const std::uint64_t first_sample = next_sample_;
    std::size_t done = 0;
    while (done < frames && !ended_) {
        const std::size_t slice = std::min(kSliceFrames, frames - done);
        const std::size_t rendered = openmpt_module_read_interleaved_stereo(
            module_, static_cast<std::int32_t>(timeline_.sample_rate()), slice, stereo + done * 2);
        if (rendered == slice) {
            const auto order =
                static_cast<std::uint32_t>(openmpt_module_get_current_order(module_));
            const auto row = static_cast<std::uint32_t>(openmpt_module_get_current_row(module_));
            // The row began somewhere in this slice; the middle halves the error.
            const std::uint64_t sample = last_marked_ ? next_sample_ + rendered / 2 : next_sample_;
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
    timeline_.publish(now, first_sample, static_cast<std::uint32_t>(frames));
}

} // namespace bassmod
