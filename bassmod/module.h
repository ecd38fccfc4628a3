// module.h: reads module data from a file or from memory and opens it with libopenmpt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct openmpt_module;

namespace bassmod
{

struct ModuleDeleter {
    void operator()(openmpt_module *module) const noexcept;
};
using ModulePtr = std::unique_ptr<openmpt_module, ModuleDeleter>;

// The bytes of the file `path` from `offset` on: `length` of them, or all when `length` is 0
// (fewer if the file ends first). Nothing if the file is not a readable regular file or no
// bytes remain after the offset.
std::optional<std::vector<std::byte>> read_module_file(const char *path, std::uint32_t offset,
                                                       std::uint32_t length);

// The `length` bytes at `data` without their first `offset`; empty when nothing remains.
std::span<const std::byte> module_memory(const void *data, std::uint32_t offset,
                                         std::uint32_t length);

enum class EndMode { PlayOnce, Loop };

// Opens module data for playback (an XM's orders whose pattern is not stored play as 64 empty
// rows, as in FastTracker 2): at its first order, no dithering, stopping at the song's end
// (PlayOnce) or wrapping to the restart position for ever (Loop). libopenmpt's messages go to
// standard error. Null if the data is not a module libopenmpt can play.
ModulePtr open_module(std::span<const std::byte> data, EndMode end_mode);

} // namespace bassmod
