// song.cpp: loading, starting and stopping the module that the renderer plays.
#include "song.h"

#include <libopenmpt/libopenmpt.h>

namespace bassmod
{

namespace
{
constexpr std::uint32_t kLoopFlag = 4;
constexpr PackedPosition kNoModule = 0xFFFFFFFFu;
} // namespace

void Song::unload()
{
    renderer_.stop();
    module_.reset();
    playing_ = false;
}

bool Song::load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
                std::uint32_t flags)
{
    const EndMode end_mode = (flags & kLoopFlag) != 0 ? EndMode::Loop : EndMode::PlayOnce;
    if (from_memory) {
        module_ = open_module(module_memory(file, offset, length), end_mode);
    } else if (const auto bytes =
                   read_module_file(static_cast<const char *>(file), offset, length)) {
        module_ = open_module(*bytes, end_mode);
    }
    return module_ != nullptr;
}

bool Song::rewind()
{
    if (!module_) {
        return false;
    }
    const auto orders = static_cast<std::uint32_t>(openmpt_module_get_num_orders(module_.get()));
    // Seeking to order 0 row 0 lands at the song's end when order 0 is a skip marker; seeking
    // to the first second plays from the first order that is played.
    openmpt_module_set_position_seconds(module_.get(), 0.0);
    const auto first_order =
        static_cast<std::uint32_t>(openmpt_module_get_current_order(module_.get()));
    const auto first_row =
        static_cast<std::uint32_t>(openmpt_module_get_current_row(module_.get()));
    renderer_.start(module_.get(), orders);
    timeline_.reset(pack_position(first_order, first_row));
    playing_ = true;
    return true;
}

std::optional<PackedPosition> Song::position_without_clock() const
{
    if (!module_) {
        return kNoModule;
    }
    if (!playing_) {
        return pack_position(0, 0);
    }
    return std::nullopt;
}

double Song::seconds() const
{
    return module_ ? openmpt_module_get_duration_seconds(module_.get()) : 0.0;
}

} // namespace bassmod
