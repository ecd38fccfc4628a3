// xm_patterns.h: gives an XM module every pattern its order list plays, as FastTracker 2 does.
//
// FastTracker 2 has all 256 pattern slots; a slot the file does not store is an empty pattern of
// 64 rows, and an order pointing at it plays 64 silent rows. libopenmpt instead skips such an
// order, so a song would end early and never reach its last orders. Before the bytes reach
// libopenmpt we insert an empty pattern record (the 9-byte header with no packed data) for each
// missing slot up to the highest one the song plays, and raise the header's pattern count.
// Order values 254 and 255 stay what libopenmpt reads them as: skip and end markers.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace bassmod
{

// The XM data with its missing patterns filled in, or nothing if no order of the song refers to
// a missing pattern or the data is not a version 1.04 XM whose pattern records can be walked.
std::optional<std::vector<std::byte>> fill_missing_xm_patterns(std::span<const std::byte> data);

} // namespace bassmod
