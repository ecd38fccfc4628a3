// xmwriter.h: builds FastTracker 2 XM modules in memory, for tests and the default tune.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace xm
{

constexpr std::uint8_t kKeyOff = 97; // note value that releases the playing note

// One pattern cell. note: 0 none, 1..96 (C-0..B-7), kKeyOff; instrument 0 none, 1-based.
// volume: the raw volume-column byte (0 none, 0x10..0x50 set volume 0..64, other commands).
// effect/param: the effect command (0..35, e.g. 0x0B jump, 0x0D break, 0x0F speed/tempo).
struct Cell {
    std::uint8_t note = 0;
    std::uint8_t instrument = 0;
    std::uint8_t volume = 0;
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
};

struct Pattern {
    Pattern(int rows, int channels);
    Cell &at(int row, int channel);
    const Cell &at(int row, int channel) const;

    int rows;
    int channels;
    std::vector<Cell> cells; // row-major, rows * channels
};

struct EnvelopePoint {
    std::uint16_t tick;
    std::uint16_t value; // 0..64 for volume, 0..64 (32 centre) for panning
};

struct Envelope {
    bool enabled = false;
    std::vector<EnvelopePoint> points; // at most 12
    int sustain = -1;                  // point index, -1 none
    int loop_start = -1, loop_end = -1;
};

enum class Loop { None, Forward, PingPong };

struct Sample {
    std::string name;
    std::vector<std::int16_t> pcm; // 16-bit mono, written delta-encoded
    std::uint32_t loop_start = 0;  // in samples
    std::uint32_t loop_length = 0; // in samples
    Loop loop = Loop::None;
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relative_note = 0; // semitones; 0 plays C-4 at 8363 Hz
};

// Automatic vibrato applied to every note of the instrument.
enum class VibratoWave { Sine, Square, RampDown, RampUp };
struct Vibrato {
    VibratoWave wave = VibratoWave::Sine;
    std::uint8_t sweep = 0; // ticks to reach full depth
    std::uint8_t depth = 0; // 0..15, 0 none
    std::uint8_t rate = 0;  // 0..63
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volume_envelope;
    Envelope panning_envelope;
    Vibrato vibrato;
    std::uint16_t fadeout = 0;
};

struct Module {
    std::string name;
    int channels = 4; // even, 2..32
    int speed = 6;    // ticks per row
    int bpm = 125;    // tick length is 2.5 / bpm seconds
    int restart = 0;  // order to restart from when looping
    bool linear_frequencies = true;
    std::vector<std::uint8_t> orders; // pattern index per order, 1..256 entries
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments; // at most 128
};

// Serialises the module. Throws std::invalid_argument when it cannot be represented.
std::vector<std::uint8_t> write(const Module &module);

// Writes the module to a file. Throws on invalid structure or I/O failure.
void save(const Module &module, const std::filesystem::path &path);

} // namespace xm
