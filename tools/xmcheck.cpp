// xmcheck.cpp: the limits of the XM format, checked field by field with a readable message.
#include "xmcheck.h"

#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>

namespace xm
{
namespace
{

constexpr std::size_t kModuleNameBytes = 20;
constexpr std::size_t kInstrumentNameBytes = 22;
constexpr std::size_t kSampleNameBytes = 22;
constexpr std::size_t kMaxEnvelopePoints = 12;
constexpr std::uint8_t kLastEffect = 35; // 'Z' in FT2's effect letters
constexpr std::uint16_t kMaxEnvelopeValue = 64;

void require(bool condition, const std::string &what)
{
    if (!condition) {
        throw std::invalid_argument("xm: " + what);
    }
}

bool valid_volume_column(std::uint8_t volume)
{
    // 0 empty, 0x10..0x50 set volume 0..64, 0x60..0xFF the volume-column commands.
    return volume == 0 || (volume >= 0x10 && volume <= 0x50) || volume >= 0x60;
}

void check_cell(const Cell &cell, const std::string &where)
{
    require(cell.note <= kKeyOff, where + ": note " + std::to_string(cell.note) + " out of range");
    require(cell.instrument <= 128, where + ": instrument above 128");
    require(valid_volume_column(cell.volume), where + ": invalid volume-column byte");
    require(cell.effect <= kLastEffect, where + ": effect above 35");
}

void check_pattern(const Pattern &pattern, int index, int channels)
{
    const std::string name = "pattern " + std::to_string(index);
    require(pattern.rows >= 1 && pattern.rows <= 256, name + ": rows must be 1..256");
    require(pattern.channels == channels, name + ": channel count differs from the module's");
    require(pattern.cells.size() == static_cast<std::size_t>(pattern.rows) * pattern.channels,
            name + ": cell count is not rows * channels");
    for (int row = 0; row < pattern.rows; ++row) {
        for (int channel = 0; channel < pattern.channels; ++channel) {
            check_cell(pattern.at(row, channel), name + " row " + std::to_string(row) +
                                                     " channel " + std::to_string(channel));
        }
    }
}

void check_envelope(const Envelope &envelope, const std::string &name)
{
    require(envelope.points.size() <= kMaxEnvelopePoints, name + ": more than 12 points");
    require(!envelope.enabled || !envelope.points.empty(), name + ": enabled without points");
    for (std::size_t i = 0; i < envelope.points.size(); ++i) {
        require(envelope.points[i].value <= kMaxEnvelopeValue, name + ": value above 64");
        require(i == 0 || envelope.points[i].tick > envelope.points[i - 1].tick,
                name + ": ticks must increase");
    }
    const auto count = static_cast<int>(envelope.points.size());
    require(envelope.sustain >= -1 && envelope.sustain < count, name + ": sustain point");
    const bool no_loop = envelope.loop_start == -1 && envelope.loop_end == -1;
    const bool good_loop = envelope.loop_start >= 0 && envelope.loop_start <= envelope.loop_end &&
                           envelope.loop_end < count;
    require(no_loop || good_loop, name + ": loop points");
}

void check_sample(const Sample &sample, const std::string &name)
{
    require(sample.name.size() <= kSampleNameBytes, name + ": sample name over 22 bytes");
    constexpr std::size_t max_frames = std::numeric_limits<std::uint32_t>::max() / 2;
    require(sample.pcm.size() <= max_frames, name + ": sample too long");
    require(sample.volume <= 64, name + ": sample volume above 64");
    const std::uint64_t loop_end = std::uint64_t{sample.loop_start} + sample.loop_length;
    if (sample.loop == Loop::None) {
        return;
    }
    require(sample.loop_length > 0, name + ": loop of length 0");
    require(loop_end <= sample.pcm.size(), name + ": loop runs past the sample's end");
}

void check_instrument(const Instrument &instrument, int index)
{
    const std::string name = "instrument " + std::to_string(index + 1);
    require(instrument.name.size() <= kInstrumentNameBytes, name + ": name over 22 bytes");
    check_envelope(instrument.volume_envelope, name + " volume envelope");
    check_envelope(instrument.panning_envelope, name + " panning envelope");
    require(instrument.vibrato.depth <= 15, name + ": vibrato depth above 15");
    require(instrument.vibrato.rate <= 63, name + ": vibrato rate above 63");
    check_sample(instrument.sample, name);
}

} // namespace

void check(const Module &module)
{
    require(module.name.size() <= kModuleNameBytes, "module name over 20 bytes");
    require(module.channels >= 2 && module.channels <= 32 && module.channels % 2 == 0,
            "channels must be even, 2..32");
    require(module.speed >= 1 && module.speed <= 31, "speed must be 1..31");
    require(module.bpm >= 32 && module.bpm <= 255, "bpm must be 32..255");
    require(!module.orders.empty() && module.orders.size() <= 256, "orders must number 1..256");
    require(module.restart >= 0 && static_cast<std::size_t>(module.restart) < module.orders.size(),
            "restart position outside the order list");
    require(!module.patterns.empty() && module.patterns.size() <= 256,
            "patterns must number 1..256");
    require(module.instruments.size() <= 128, "more than 128 instruments");
    for (const std::uint8_t order : module.orders) {
        require(order < module.patterns.size(),
                "order refers to missing pattern " + std::to_string(order));
    }
    for (std::size_t i = 0; i < module.patterns.size(); ++i) {
        check_pattern(module.patterns[i], static_cast<int>(i), module.channels);
    }
    for (std::size_t i = 0; i < module.instruments.size(); ++i) {
        check_instrument(module.instruments[i], static_cast<int>(i));
    }
}

} // namespace xm
