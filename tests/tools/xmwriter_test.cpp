// xmwriter_test.cpp: modules written by the XM writer load in libopenmpt with the structure,
// timing, samples and envelopes we wrote; damaged headers are refused; bad input is rejected.
#include "openmpt_helpers.h"
#include "xmwriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_version.h>
#include <numbers>
#include <stdexcept>
#include <string>

namespace
{

constexpr std::uint8_t kC4 = 49; // plays a sample with relative note 0 at 8363 Hz
constexpr double kSampleRateAtC4 = 8363.0;

xm::Instrument constant_instrument(const std::string &name, std::size_t frames, std::int16_t level)
{
    xm::Instrument instrument;
    instrument.name = name;
    instrument.sample.name = name + " sample";
    instrument.sample.pcm.assign(frames, level);
    return instrument;
}

// Four channels, orders 0 1 0 over a 64-row and a 32-row pattern, two instruments.
xm::Module small_song()
{
    xm::Module module;
    module.name = "structure";
    module.channels = 4;
    module.speed = 6;
    module.bpm = 125;
    module.orders = {0, 1, 0};
    module.patterns.emplace_back(64, 4);
    module.patterns.emplace_back(32, 4);
    module.patterns[0].at(0, 0) = {kC4, 1, 0x50, 0, 0};
    module.patterns[1].at(0, 3) = {kC4, 2, 0, 0, 0};
    module.instruments.push_back(constant_instrument("first", 1000, 8000));
    module.instruments.push_back(constant_instrument("second", 2345, -8000));
    return module;
}

// One channel pair, one pattern of `rows` rows that plays instrument 1 at C-4 on row 0.
xm::Module one_note_song(const xm::Instrument &instrument, int rows = 64)
{
    xm::Module module;
    module.channels = 2;
    module.orders = {0};
    module.patterns.emplace_back(rows, 2);
    module.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    module.instruments.push_back(instrument);
    return module;
}

TEST(XmWriter, HeaderFieldsAreWhereFastTrackerPutsThem)
{
    const std::vector<std::uint8_t> bytes = xm::write(small_song());
    ASSERT_GE(bytes.size(), 336U);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(bytes[37], 0x1A);
    EXPECT_EQ(bytes[58] | bytes[59] << 8, 0x0104);
    EXPECT_EQ(bytes[60] | bytes[61] << 8 | bytes[62] << 16 | bytes[63] << 24, 276);
}

TEST(XmWriter, LibopenmptReadsTheStructureWritten)
{
    const auto module = test::load(xm::write(small_song()));
    EXPECT_EQ(module->get_metadata("type"), "xm");
    EXPECT_EQ(module->get_metadata("title"), "structure");
    EXPECT_EQ(module->get_num_channels(), 4);
    ASSERT_EQ(module->get_num_orders(), 3);
    EXPECT_EQ(module->get_order_pattern(0), 0);
    EXPECT_EQ(module->get_order_pattern(1), 1);
    EXPECT_EQ(module->get_order_pattern(2), 0);
    ASSERT_EQ(module->get_num_patterns(), 2);
    EXPECT_EQ(module->get_pattern_num_rows(0), 64);
    EXPECT_EQ(module->get_pattern_num_rows(1), 32);
    ASSERT_EQ(module->get_num_instruments(), 2);
    EXPECT_EQ(module->get_instrument_names()[1], "second");
    ASSERT_EQ(module->get_num_samples(), 2);
    EXPECT_EQ(module->get_sample_names()[0], "first sample");
    EXPECT_EQ(module->get_current_speed(), 6);
#if OPENMPT_API_VERSION_AT_LEAST(0, 7, 0)
    EXPECT_EQ(module->get_current_tempo2(), 125.0); // 0.7 counts fractional tempos
#else
    EXPECT_EQ(module->get_current_tempo(), 125);
#endif
}

TEST(XmWriter, PatternCellsReadBackField)
{
    xm::Module song = small_song();
    song.patterns[1].at(5, 2) = {kC4 + 7, 2, 0x30, 0x0A, 0x04}; // every field: stored raw
    song.patterns[1].at(6, 1) = {0, 0, 0, 0x0C, 0x20};          // effect only: packed
    song.patterns[1].at(7, 3) = {xm::kKeyOff, 0, 0, 0, 0};
    const auto module = test::load(xm::write(song));
    // libopenmpt numbers notes an octave above FastTracker 2: XM's C-4 is its C-5.
    using command = openmpt::module::command_index;
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 5, 2, command::command_note),
              kC4 + 7 + 12);
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 5, 2, command::command_instrument), 2);
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 5, 2, command::command_parameter), 4);
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 6, 1, command::command_parameter), 0x20);
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 6, 1, command::command_note), 0);
    EXPECT_EQ(module->get_pattern_row_channel_command(1, 7, 3, command::command_note), 255);
    EXPECT_EQ(module->format_pattern_row_channel(1, 5, 2).substr(0, 3), "G-5");
}

TEST(XmWriter, OrdersLastAsLongAsTheirRowsSpeedAndTempo)
{
    // 125 BPM: a tick is 20 ms. Order 0: 64 rows at speed 6; order 1: 32 rows at speed 3
    // (set on its first row); order 2: 16 rows at speed 3 and 250 BPM.
    xm::Module song = small_song();
    song.patterns.emplace_back(16, 4);
    song.patterns[1].at(0, 1) = {0, 0, 0, 0x0F, 3};
    song.patterns[2].at(0, 1) = {0, 0, 0, 0x0F, 250};
    song.orders = {0, 1, 2};
    const auto module = test::load(xm::write(song));
    EXPECT_NEAR(module->set_position_order_row(1, 0), 64 * 6 * 0.020, 1e-3);
    EXPECT_NEAR(module->set_position_order_row(2, 0), 7.68 + 32 * 3 * 0.020, 1e-3);
    EXPECT_NEAR(module->get_duration_seconds(), 7.68 + 1.92 + 16 * 3 * 0.010, 1e-3);
}

// A sample of 8363 frames lasts one second at C-4; if it were cut short or read with the
// wrong length, the sound would stop elsewhere (libopenmpt lets it die away over a few ms).
// Delta coding is checked by the sign of a sample that is positive in its first half and
// negative in its second: raw or twice-decoded values would not give two flat halves.
TEST(XmWriter, SampleDataPlaysForItsLengthWithItsShape)
{
    xm::Instrument step = constant_instrument("step", 8363, 12000);
    std::fill(step.sample.pcm.begin() + 8363 / 2, step.sample.pcm.end(), -12000);
    auto module = test::load(xm::write(one_note_song(step)));
    const std::vector<float> audio = test::render(*module, 1.5);
    const double length = 8363 / kSampleRateAtC4;
    const float level = test::peak(audio, 0.0, 0.01);
    EXPECT_GT(level, 0.02F);
    EXPECT_LT(test::peak(audio, length + 0.01, 1.5), level / 2);
    EXPECT_EQ(test::peak(audio, length + 0.1, 1.5), 0.0F);
    for (int millisecond = 10; millisecond < 990; millisecond += 10) {
        const float value = audio.at(millisecond * test::kRate / 1000);
        if (millisecond < 490) {
            EXPECT_FLOAT_EQ(value, level) << millisecond << " ms";
        } else if (millisecond > 510) {
            EXPECT_FLOAT_EQ(value, -level) << millisecond << " ms";
        }
    }
}

TEST(XmWriter, ForwardLoopKeepsTheSampleSounding)
{
    xm::Instrument looped = constant_instrument("loop", 836, 12000);
    looped.sample.loop = xm::Loop::Forward;
    looped.sample.loop_start = 400;
    looped.sample.loop_length = 436;
    auto module = test::load(xm::write(one_note_song(looped)));
    const std::vector<float> audio = test::render(*module, 1.0);
    EXPECT_GT(test::peak(audio, 0.8, 1.0), 0.02F); // ten times the sample's own length
}

// A volume envelope 64 -> 0 over 10 ticks (0.2 s at 125 BPM) silences a looped note.
TEST(XmWriter, VolumeEnvelopeShapesTheNote)
{
    xm::Instrument looped = constant_instrument("enveloped", 836, 12000);
    looped.sample.loop = xm::Loop::Forward;
    looped.sample.loop_length = 836;
    looped.volume_envelope.enabled = true;
    looped.volume_envelope.points = {{0, 64}, {10, 0}};
    auto module = test::load(xm::write(one_note_song(looped)));
    const std::vector<float> audio = test::render(*module, 1.0);
    const float start = test::peak(audio, 0.0, 0.02);
    EXPECT_GT(start, 0.02F);
    EXPECT_LT(test::peak(audio, 0.10, 0.12), start * 0.6F);
    EXPECT_EQ(test::peak(audio, 0.3, 1.0), 0.0F);
}

// With a sustain point the note holds its level until key-off, then the fade-out ends it.
TEST(XmWriter, EnvelopeSustainHoldsUntilKeyOff)
{
    xm::Instrument held = constant_instrument("held", 836, 12000);
    held.sample.loop = xm::Loop::Forward;
    held.sample.loop_length = 836;
    held.volume_envelope.enabled = true;
    held.volume_envelope.points = {{0, 64}, {4, 32}, {20, 0}};
    held.volume_envelope.sustain = 1;
    held.fadeout = 4095;
    xm::Module song = one_note_song(held);
    song.patterns[0].at(32, 0) = {xm::kKeyOff, 0, 0, 0, 0}; // at 32 * 0.12 s = 3.84 s
    auto module = test::load(xm::write(song));
    const std::vector<float> audio = test::render(*module, 5.0);
    const float held_level = test::peak(audio, 3.0, 3.8);
    EXPECT_NEAR(held_level, test::peak(audio, 0.0, 0.02) / 2, 0.02);
    EXPECT_EQ(test::peak(audio, 4.2, 5.0), 0.0F);
}

// Lengths of the periods of a sine between rising zero crossings, in frames.
std::vector<int> periods(const std::vector<float> &audio, double begin, double end)
{
    std::vector<int> lengths;
    int last = -1;
    for (auto i = static_cast<std::size_t>(begin * test::kRate);
         i + 1 < audio.size() && i < static_cast<std::size_t>(end * test::kRate); ++i) {
        if (audio[i] <= 0 && audio[i + 1] > 0) {
            if (last >= 0) {
                lengths.push_back(static_cast<int>(i) - last);
            }
            last = static_cast<int>(i);
        }
    }
    return lengths;
}

// Auto-vibrato makes the pitch of a steady sine wander; without it the period stays put.
TEST(XmWriter, AutoVibratoModulatesThePitch)
{
    xm::Instrument sine = constant_instrument("sine", 512, 0);
    for (std::size_t i = 0; i < sine.sample.pcm.size(); ++i) {
        sine.sample.pcm[i] = static_cast<std::int16_t>(
            12000 * std::sin(static_cast<double>(i) * 2 * std::numbers::pi / 64));
    }
    sine.sample.loop = xm::Loop::Forward;
    sine.sample.loop_length = 512;
    for (const std::uint8_t depth : {0, 15}) {
        sine.vibrato = {xm::VibratoWave::Sine, 0, depth, 40};
        auto module = test::load(xm::write(one_note_song(sine)));
        const std::vector<int> lengths = periods(test::render(*module, 1.0), 0.2, 1.0);
        ASSERT_GT(lengths.size(), 50U);
        const auto [shortest, longest] = std::minmax_element(lengths.begin(), lengths.end());
        if (depth == 0) {
            EXPECT_LE(*longest - *shortest, 1);
        } else {
            EXPECT_GT(*longest - *shortest, 6);
        }
    }
}

std::vector<std::uint8_t> damaged_copy(std::size_t offset, std::uint8_t value)
{
    std::vector<std::uint8_t> bytes = xm::write(small_song());
    bytes.at(offset) = value;
    return bytes;
}

TEST(XmWriter, LibopenmptRefusesABrokenSignature)
{
    ASSERT_NO_THROW(test::load(xm::write(small_song())));
    EXPECT_THROW(test::load(damaged_copy(9, 'm')), openmpt::exception);  // "Extended module: "
    EXPECT_THROW(test::load(damaged_copy(16, '_')), openmpt::exception); // "Extended Module_"
    EXPECT_THROW(test::load(damaged_copy(0, 'e')), openmpt::exception);  // "extended Module: "
}

// libopenmpt does not refuse every bad header size, but it finds the patterns through it:
// one byte off and the first pattern is read from the wrong place.
TEST(XmWriter, LibopenmptFindsThePatternsThroughTheHeaderSize)
{
    for (const std::uint8_t size : {275, 277}) {
        const auto module = test::load(damaged_copy(60, size));
        EXPECT_NE(module->get_pattern_num_rows(0), 64) << "header size " << int{size};
    }
}

TEST(XmWriter, RejectsWhatXmCannotRepresent)
{
    const std::vector<std::pair<std::string, std::function<void(xm::Module &)>>> cases = {
        {"odd channels", [](xm::Module &m) { m.channels = 3; }},
        {"34 channels", [](xm::Module &m) { m.channels = 34; }},
        {"speed 0", [](xm::Module &m) { m.speed = 0; }},
        {"speed 32", [](xm::Module &m) { m.speed = 32; }},
        {"bpm 31", [](xm::Module &m) { m.bpm = 31; }},
        {"bpm 256", [](xm::Module &m) { m.bpm = 256; }},
        {"no orders", [](xm::Module &m) { m.orders.clear(); }},
        {"257 orders", [](xm::Module &m) { m.orders.assign(257, 0); }},
        {"missing pattern", [](xm::Module &m) { m.orders.push_back(2); }},
        {"restart past end", [](xm::Module &m) { m.restart = 3; }},
        {"long title", [](xm::Module &m) { m.name = std::string(21, 'x'); }},
        {"pattern width", [](xm::Module &m) { m.patterns[1] = xm::Pattern(32, 2); }},
        {"cells resized", [](xm::Module &m) { m.patterns[1].cells.pop_back(); }},
        {"note 98", [](xm::Module &m) { m.patterns[0].at(1, 1).note = 98; }},
        {"instrument 129", [](xm::Module &m) { m.patterns[0].at(1, 1).instrument = 129; }},
        {"volume byte 0x05", [](xm::Module &m) { m.patterns[0].at(1, 1).volume = 0x05; }},
        {"volume byte 0x51", [](xm::Module &m) { m.patterns[0].at(1, 1).volume = 0x51; }},
        {"effect 36", [](xm::Module &m) { m.patterns[0].at(1, 1).effect = 36; }},
        {"129 instruments", [](xm::Module &m) { m.instruments.resize(129, m.instruments[0]); }},
        {"long instrument name",
         [](xm::Module &m) { m.instruments[0].name = std::string(23, 'x'); }},
        {"long sample name",
         [](xm::Module &m) { m.instruments[0].sample.name = std::string(23, 'x'); }},
        {"sample volume 65", [](xm::Module &m) { m.instruments[0].sample.volume = 65; }},
        {"loop past end",
         [](xm::Module &m) {
             m.instruments[0].sample.loop = xm::Loop::PingPong;
             m.instruments[0].sample.loop_start = 900;
             m.instruments[0].sample.loop_length = 101;
         }},
        {"empty loop", [](xm::Module &m) { m.instruments[0].sample.loop = xm::Loop::Forward; }},
        {"13 envelope points",
         [](xm::Module &m) {
             for (std::uint16_t tick = 0; tick < 13; ++tick) {
                 m.instruments[0].volume_envelope.points.push_back({tick, 10});
             }
         }},
        // clang-format 14 and 19 lay these two out differently; kept as 19 does.
        // clang-format off
        {"envelope ticks back",
         [](xm::Module &m) { m.instruments[0].panning_envelope.points = {{5, 10}, {5, 20}}; }},
        {"envelope value 65",
         [](xm::Module &m) { m.instruments[0].volume_envelope.points = {{0, 65}}; }},
        // clang-format on
        {"enabled, no points",
         [](xm::Module &m) { m.instruments[0].volume_envelope.enabled = true; }},
        {"sustain past points",
         [](xm::Module &m) {
             m.instruments[0].volume_envelope.points = {{0, 64}, {5, 0}};
             m.instruments[0].volume_envelope.sustain = 2;
         }},
        {"loop end before start",
         [](xm::Module &m) {
             m.instruments[0].volume_envelope.points = {{0, 64}, {5, 0}};
             m.instruments[0].volume_envelope.loop_start = 1;
             m.instruments[0].volume_envelope.loop_end = 0;
         }},
    };
    ASSERT_NO_THROW(xm::write(small_song()));
    for (const auto &[name, damage] : cases) {
        xm::Module song = small_song();
        damage(song);
        EXPECT_THROW(xm::write(song), std::invalid_argument) << name;
    }
}

TEST(XmWriter, PatternsRejectImpossibleShapesAndCells)
{
    EXPECT_THROW(xm::Pattern(0, 4), std::invalid_argument);
    EXPECT_THROW(xm::Pattern(257, 4), std::invalid_argument);
    EXPECT_THROW(xm::Pattern(64, 33), std::invalid_argument);
    xm::Pattern pattern(64, 4);
    EXPECT_THROW(pattern.at(64, 0), std::out_of_range);
    EXPECT_THROW(pattern.at(0, -1), std::out_of_range);
    pattern.at(63, 3).note = 12;
    EXPECT_EQ(pattern.cells.back().note, 12);
}

TEST(XmWriter, SaveWritesTheSameBytesOrThrows)
{
    const auto directory =
        std::filesystem::temp_directory_path() /
        ("xmwriter_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(directory);
    const auto path = directory / "song.xm";
    xm::save(small_song(), path);
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(saved, xm::write(small_song()));
    EXPECT_THROW(xm::save(small_song(), directory / "missing" / "song.xm"), std::system_error);
    xm::Module bad = small_song();
    bad.channels = 1;
    EXPECT_THROW(xm::save(bad, directory / "bad.xm"), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(directory / "bad.xm"));
    std::filesystem::remove_all(directory);
}

} // namespace
