// module.cpp: module data from files or memory, opened with libopenmpt's C interface.
#include "module.h"

#include "xm_patterns.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace bassmod
{

void ModuleDeleter::operator()(openmpt_module *module) const noexcept
{
    openmpt_module_destroy(module);
}

std::optional<std::vector<std::byte>> read_module_file(const char *path, std::uint32_t offset,
                                                       std::uint32_t length)
{
    std::error_code error;
    if (path == nullptr || !std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size <= offset) {
        return std::nullopt;
    }
    std::uintmax_t wanted = size - offset;
    if (length != 0 && length < wanted) {
        wanted = length;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file.seekg(offset)) {
        return std::nullopt;
    }
    std::vector<std::byte> bytes(wanted);
    file.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(wanted));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes;
}

std::span<const std::byte> module_memory(const void *data, std::uint32_t offset,
                                         std::uint32_t length)
{
    if (data == nullptr || offset >= length) {
        return {};
    }
    return {static_cast<const std::byte *>(data) + offset, length - offset};
}

ModulePtr open_module(std::span<const std::byte> data, EndMode end_mode)
{
    if (data.empty()) {
        return nullptr;
    }
    // libopenmpt copies the data, so the filled-in copy need not outlive this call.
    const auto filled = fill_missing_xm_patterns(data);
    if (filled) {
        data = *filled;
    }
    ModulePtr module(openmpt_module_create_from_memory2(
        data.data(), data.size(), openmpt_log_func_default, nullptr, openmpt_error_func_default,
        nullptr, nullptr, nullptr, nullptr));
    if (!module) {
        return nullptr;
    }
    const bool loop = end_mode == EndMode::Loop;
    if (openmpt_module_set_repeat_count(module.get(), loop ? -1 : 0) == 0 ||
        openmpt_module_ctl_set_text(module.get(), "play.at_end", "stop") == 0 ||
        openmpt_module_ctl_set_integer(module.get(), "dither", 0) == 0) {
        return nullptr;
    }
    return module;
}

} // namespace bassmod
