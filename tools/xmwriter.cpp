// xmwriter.cpp: serialises a Module as a FastTracker 2 XM file (version 0x0104 layout).
#include "xmwriter.h"

#include "xmcheck.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

namespace xm
{
namespace
{

constexpr std::string_view kSignature = "Extended Module: ";
// Players pick FastTracker 2 playback rules from this name, as for other FT2-compatible writers.
constexpr std::string_view kTracker = "FastTracker v2.00";
constexpr std::uint16_t kVersion = 0x0104;
constexpr std::uint32_t kHeaderSize = 276;           // from the size field to the order table's end
constexpr std::uint32_t kPatternHeaderSize = 9;      // size, packing type, rows, data size
constexpr std::uint32_t kInstrumentHeaderSize = 263; // with samples, as FT2 writes it
constexpr std::uint32_t kEmptyInstrumentHeaderSize = 29;
constexpr std::uint32_t kSampleHeaderSize = 40;
constexpr std::uint8_t kSample16Bit = 0x10;

// Little-endian byte sink.
class Bytes
{
  public:
    void u8(std::uint8_t value) { data_.push_back(value); }
    void u16(std::uint16_t value)
    {
        u8(static_cast<std::uint8_t>(value));
        u8(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value)
    {
        u16(static_cast<std::uint16_t>(value));
        u16(static_cast<std::uint16_t>(value >> 16));
    }
    void zeros(std::size_t count) { data_.insert(data_.end(), count, 0); }
    // Fixed-width text field, padded with `pad`; the checker has already bounded the length.
    void text(std::string_view value, std::size_t width, std::uint8_t pad = 0)
    {
        data_.insert(data_.end(), value.begin(), value.end());
        data_.insert(data_.end(), width - value.size(), pad);
    }
    void append(const std::vector<std::uint8_t> &more)
    {
        data_.insert(data_.end(), more.begin(), more.end());
    }
    std::size_t size() const { return data_.size(); }
    std::vector<std::uint8_t> take() { return std::move(data_); }

  private:
    std::vector<std::uint8_t> data_;
};

void write_header(Bytes &out, const Module &module)
{
    out.text(kSignature, kSignature.size());
    out.text(module.name, 20);
    out.u8(0x1A);
    out.text(kTracker, 20, ' ');
    out.u16(kVersion);
    out.u32(kHeaderSize);
    out.u16(static_cast<std::uint16_t>(module.orders.size()));
    out.u16(static_cast<std::uint16_t>(module.restart));
    out.u16(static_cast<std::uint16_t>(module.channels));
    out.u16(static_cast<std::uint16_t>(module.patterns.size()));
    out.u16(static_cast<std::uint16_t>(module.instruments.size()));
    out.u16(module.linear_frequencies ? 1 : 0);
    out.u16(static_cast<std::uint16_t>(module.speed));
    out.u16(static_cast<std::uint16_t>(module.bpm));
    for (const std::uint8_t order : module.orders) {
        out.u8(order);
    }
    out.zeros(256 - module.orders.size());
}

// A cell with every field set is stored raw; otherwise a flag byte (0x80 | fields present)
// is followed by the present fields, which is never longer.
void pack_cell(Bytes &out, const Cell &cell)
{
    const bool all = cell.note && cell.instrument && cell.volume && cell.effect && cell.param;
    if (all) {
        out.u8(cell.note);
        out.u8(cell.instrument);
        out.u8(cell.volume);
        out.u8(cell.effect);
        out.u8(cell.param);
        return;
    }
    const std::uint8_t flags = 0x80 | (cell.note ? 0x01 : 0) | (cell.instrument ? 0x02 : 0) |
                               (cell.volume ? 0x04 : 0) | (cell.effect ? 0x08 : 0) |
                               (cell.param ? 0x10 : 0);
    out.u8(flags);
    for (const std::uint8_t field :
         {cell.note, cell.instrument, cell.volume, cell.effect, cell.param}) {
        if (field) {
            out.u8(field);
        }
    }
}

void write_pattern(Bytes &out, const Pattern &pattern)
{
    Bytes packed;
    for (const Cell &cell : pattern.cells) {
        pack_cell(packed, cell);
    }
    out.u32(kPatternHeaderSize);
    out.u8(0); // packing type
    out.u16(static_cast<std::uint16_t>(pattern.rows));
    out.u16(static_cast<std::uint16_t>(packed.size())); // at most 256 * 32 * 5 bytes
    out.append(packed.take());
}

void write_envelope_points(Bytes &out, const Envelope &envelope)
{
    for (const EnvelopePoint &point : envelope.points) {
        out.u16(point.tick);
        out.u16(point.value);
    }
    out.zeros((12 - envelope.points.size()) * 4);
}

std::uint8_t envelope_point_or_zero(int index)
{
    return index < 0 ? 0 : index;
}

std::uint8_t envelope_flags(const Envelope &envelope)
{
    return (envelope.enabled ? 0x01 : 0) | (envelope.sustain >= 0 ? 0x02 : 0) |
           (envelope.loop_start >= 0 ? 0x04 : 0);
}

void write_envelope_settings(Bytes &out, const Envelope &volume, const Envelope &panning)
{
    out.u8(static_cast<std::uint8_t>(volume.points.size()));
    out.u8(static_cast<std::uint8_t>(panning.points.size()));
    for (const Envelope *envelope : {&volume, &panning}) {
        out.u8(envelope_point_or_zero(envelope->sustain));
        out.u8(envelope_point_or_zero(envelope->loop_start));
        out.u8(envelope_point_or_zero(envelope->loop_end));
    }
    out.u8(envelope_flags(volume));
    out.u8(envelope_flags(panning));
}

std::uint8_t loop_bits(Loop loop)
{
    switch (loop) {
    case Loop::Forward:
        return 1;
    case Loop::PingPong:
        return 2;
    case Loop::None:
        break;
    }
    return 0;
}

// Lengths and loop points are in bytes in the file: two per 16-bit frame.
void write_sample_header(Bytes &out, const Sample &sample)
{
    const bool looped = sample.loop != Loop::None;
    out.u32(static_cast<std::uint32_t>(sample.pcm.size() * 2));
    out.u32(looped ? sample.loop_start * 2 : 0);
    out.u32(looped ? sample.loop_length * 2 : 0);
    out.u8(sample.volume);
    out.u8(static_cast<std::uint8_t>(sample.finetune));
    out.u8(kSample16Bit | loop_bits(sample.loop));
    out.u8(sample.panning);
    out.u8(static_cast<std::uint8_t>(sample.relative_note));
    out.u8(0); // reserved; 0xAD would mean ADPCM
    out.text(sample.name, 22);
}

// Each 16-bit value is stored as its difference from the previous one, wrapping.
void write_sample_data(Bytes &out, const Sample &sample)
{
    std::uint16_t previous = 0;
    for (const std::int16_t value : sample.pcm) {
        const auto current = static_cast<std::uint16_t>(value);
        out.u16(static_cast<std::uint16_t>(current - previous));
        previous = current;
    }
}

void write_instrument(Bytes &out, const Instrument &instrument)
{
    const bool has_sample = !instrument.sample.pcm.empty();
    out.u32(has_sample ? kInstrumentHeaderSize : kEmptyInstrumentHeaderSize);
    out.text(instrument.name, 22);
    out.u8(0); // instrument type
    out.u16(has_sample ? 1 : 0);
    if (!has_sample) {
        return;
    }
    const std::size_t start = out.size();
    out.u32(kSampleHeaderSize);
    out.zeros(96); // every note plays sample 0
    write_envelope_points(out, instrument.volume_envelope);
    write_envelope_points(out, instrument.panning_envelope);
    write_envelope_settings(out, instrument.volume_envelope, instrument.panning_envelope);
    out.u8(static_cast<std::uint8_t>(instrument.vibrato.wave));
    out.u8(instrument.vibrato.sweep);
    out.u8(instrument.vibrato.depth);
    out.u8(instrument.vibrato.rate);
    out.u16(instrument.fadeout);
    const std::size_t written = out.size() - start + kEmptyInstrumentHeaderSize;
    out.zeros(kInstrumentHeaderSize - written);
    write_sample_header(out, instrument.sample);
    write_sample_data(out, instrument.sample);
}

} // namespace

Pattern::Pattern(int rows, int channels) : rows(rows), channels(channels)
{
    if (rows < 1 || rows > 256 || channels < 1 || channels > 32) {
        throw std::invalid_argument("xm: a pattern has 1..256 rows and 1..32 channels");
    }
    cells.resize(static_cast<std::size_t>(rows) * channels);
}

Cell &Pattern::at(int row, int channel)
{
    return const_cast<Cell &>(std::as_const(*this).at(row, channel));
}

const Cell &Pattern::at(int row, int channel) const
{
    if (row < 0 || row >= rows || channel < 0 || channel >= channels) {
        throw std::out_of_range("xm: cell outside the pattern");
    }
    return cells.at(static_cast<std::size_t>(row) * channels + channel);
}

std::vector<std::uint8_t> write(const Module &module)
{
    check(module);
    Bytes out;
    write_header(out, module);
    for (const Pattern &pattern : module.patterns) {
        write_pattern(out, pattern);
    }
    for (const Instrument &instrument : module.instruments) {
        write_instrument(out, instrument);
    }
    return out.take();
}

void save(const Module &module, const std::filesystem::path &path)
{
    const std::vector<std::uint8_t> bytes = write(module);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        throw std::system_error(errno, std::generic_category(), "xm: cannot open " + path.string());
    }
    file.write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::system_error(errno, std::generic_category(),
                                "xm: cannot write " + path.string());
    }
}

} // namespace xm
