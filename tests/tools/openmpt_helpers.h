// openmpt_helpers.h: loads XM bytes into libopenmpt and renders them, for the tools' tests.
#pragma once

#include <cstdint>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <span>
#include <vector>

namespace test
{

constexpr int kRate = 44100;

// Loads the module with libopenmpt's log discarded; throws openmpt::exception when refused.
// Playback stops at the song's end and uses plain, ramp-free mixing so levels are predictable.
std::unique_ptr<openmpt::module> load(const std::vector<std::uint8_t> &bytes);

// Renders mono audio at kRate until the song ends or `max_seconds` have been rendered.
std::vector<float> render(openmpt::module &module, double max_seconds);

// Largest absolute value in the frames [begin, end) of `audio`, in seconds.
float peak(std::span<const float> audio, double begin, double end);

} // namespace test
