// xm_patterns.cpp: finds the orders of an XM song whose pattern the file does not store and
// inserts empty 64-row patterns for them after the stored ones.
#include "xm_patterns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace bassmod
{
namespace
{

constexpr char kSignature[] = "Extended Module: ";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;
constexpr std::size_t kVersionOffset = 58;
constexpr std::uint16_t kVersion104 = 0x0104;
constexpr std::size_t kHeaderSizeOffset = 60;
constexpr std::size_t kSongLengthOffset = 64;
constexpr std::size_t kPatternCountOffset = 70;
constexpr std::size_t kOrderTableOffset = 80;
constexpr std::size_t kOrderTableSize = 256;
// Order values libopenmpt reads as markers, not as pattern numbers.
constexpr unsigned kFirstMarker = 254;
// An empty pattern: header length 9, packing type 0, 64 rows, no packed data.
constexpr std::uint8_t kEmptyPattern[] = {9, 0, 0, 0, 0, 64, 0, 0, 0};

unsigned read16(std::span<const std::byte> data, std::size_t at)
{
    return std::to_integer<unsigned>(data[at]) | std::to_integer<unsigned>(data[at + 1]) << 8;
}

std::uint32_t read32(std::span<const std::byte> data, std::size_t at)
{
    return static_cast<std::uint32_t>(read16(data, at)) |
           static_cast<std::uint32_t>(read16(data, at + 2)) << 16;
}

// Offset just past the last stored pattern record, or nothing if a record runs off the data.
std::optional<std::size_t> end_of_patterns(std::span<const std::byte> data, std::size_t first,
                                           unsigned count)
{
    std::size_t at = first;
    for (unsigned pattern = 0; pattern < count; ++pattern) {
        if (at + 9 > data.size()) {
            return std::nullopt;
        }
        const std::uint32_t header_length = read32(data, at);
        const unsigned packed_size = read16(data, at + 7);
        if (header_length < 9 || header_length > data.size() - at ||
            packed_size > data.size() - at - header_length) {
            return std::nullopt;
        }
        at += header_length + packed_size;
    }
    return at;
}

} // namespace

std::optional<std::vector<std::byte>> fill_missing_xm_patterns(std::span<const std::byte> data)
{
    if (data.size() < kOrderTableOffset ||
        std::memcmp(data.data(), kSignature, kSignatureLength) != 0 ||
        read16(data, kVersionOffset) != kVersion104) {
        return std::nullopt;
    }
    const std::uint32_t header_size = read32(data, kHeaderSizeOffset);
    const unsigned song_length = read16(data, kSongLengthOffset);
    const unsigned stored = read16(data, kPatternCountOffset);
    if (header_size < kOrderTableOffset - kHeaderSizeOffset ||
        header_size > data.size() - kHeaderSizeOffset || stored > 256) {
        return std::nullopt;
    }
    // The order table may be shorter than 256 entries if the header says so.
    const std::size_t table_end =
        std::min(kHeaderSizeOffset + header_size, kOrderTableOffset + kOrderTableSize);
    const std::size_t orders = std::min<std::size_t>(song_length, table_end - kOrderTableOffset);
    unsigned needed = stored;
    for (std::size_t order = 0; order < orders; ++order) {
        const unsigned pattern = std::to_integer<unsigned>(data[kOrderTableOffset + order]);
        if (pattern < kFirstMarker) {
            needed = std::max(needed, pattern + 1);
        }
    }
    if (needed == stored) {
        return std::nullopt;
    }
    const auto insert_at = end_of_patterns(data, kHeaderSizeOffset + header_size, stored);
    if (!insert_at) {
        return std::nullopt;
    }
    std::vector<std::byte> filled;
    filled.reserve(data.size() + (needed - stored) * sizeof kEmptyPattern);
    filled.insert(filled.end(), data.begin(),
                  data.begin() + static_cast<std::ptrdiff_t>(*insert_at));
    for (unsigned pattern = stored; pattern < needed; ++pattern) {
        for (const std::uint8_t byte : kEmptyPattern) {
            filled.push_back(std::byte{byte});
        }
    }
    filled.insert(filled.end(), data.begin() + static_cast<std::ptrdiff_t>(*insert_at), data.end());
    filled[kPatternCountOffset] = std::byte{static_cast<std::uint8_t>(needed & 0xFF)};
    filled[kPatternCountOffset + 1] = std::byte{static_cast<std::uint8_t>(needed >> 8)};
    return filled;
}

} // namespace bassmod
