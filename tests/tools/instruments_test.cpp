// instruments_test.cpp: the tune's synthesised instruments sound at the pitch their notes name,
// and the note names used by the score map to the right XM notes.
#include "openmpt_helpers.h"
#include "sheet.h"
#include "synth.h"
#include "xmwriter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

// The module plays `instrument` at `note` on row 0 and nothing else.
std::vector<float> play(const xm::Instrument &instrument, std::uint8_t note, double seconds)
{
    xm::Module module;
    module.channels = 2;
    module.orders = {0};
    module.patterns.emplace_back(64, 2);
    module.patterns[0].at(0, 0) = {note, 1, 0, 0, 0};
    module.instruments.push_back(instrument);
    auto player = test::load(xm::write(module));
    return test::render(*player, seconds);
}

// The period (in frames) near `expected` whose autocorrelation over the window is strongest.
double measured_frequency(const std::vector<float> &audio, double begin, double expected)
{
    const auto first = static_cast<std::size_t>(begin * test::kRate);
    const std::size_t window = test::kRate / 10;
    const int shortest = static_cast<int>(test::kRate / (expected * 1.25));
    const int longest = static_cast<int>(test::kRate / (expected * 0.8));
    int best_lag = shortest;
    double best = -1e30;
    for (int lag = shortest; lag <= longest; ++lag) {
        double sum = 0;
        for (std::size_t i = first; i < first + window; ++i) {
            sum += static_cast<double>(audio.at(i)) * audio.at(i + static_cast<std::size_t>(lag));
        }
        if (sum > best) {
            best = sum;
            best_lag = lag;
        }
    }
    return test::kRate / static_cast<double>(best_lag);
}

TEST(NoteNames, MapToXmNotesWithMiddleCAtC4)
{
    EXPECT_EQ(tune::note("C-0"), 1);
    EXPECT_EQ(tune::note("C-4"), 49);
    EXPECT_EQ(tune::note("A-4"), 58);
    EXPECT_EQ(tune::note("C#5"), 62);
    EXPECT_EQ(tune::note("B-7"), 96);
    for (const char *bad : {"H-4", "C-8", "C4", "c-4", "C-45", " -4", ""}) {
        EXPECT_THROW(tune::note(bad), std::invalid_argument) << bad;
    }
}

struct PitchCase {
    const char *name;
    xm::Instrument (*make)();
    const char *note;
    double hertz;
};

// Each pitched instrument, played at a note, sounds within a quarter-tone of that note.
TEST(Instruments, SoundAtThePitchOfTheirNotes)
{
    const PitchCase cases[] = {
        {"bass", synth::bass, "A-1", 55.0},  {"bass", synth::bass, "A-2", 110.0},
        {"pad", synth::pad, "C-4", 261.63},  {"pad", synth::pad, "A-4", 440.0},
        {"lead", synth::lead, "A-4", 440.0}, {"lead", synth::lead, "E-5", 659.26},
        {"bell", synth::bell, "A-4", 440.0}, {"bell", synth::bell, "C-5", 523.25}};
    for (const PitchCase &pitch : cases) {
        const std::vector<float> audio = play(pitch.make(), tune::note(pitch.note), 0.8);
        const double hertz = measured_frequency(audio, 0.3, pitch.hertz);
        EXPECT_NEAR(std::log2(hertz / pitch.hertz) * 12, 0.0, 0.5)
            << pitch.name << " at " << pitch.note << " sounds at " << hertz << " Hz";
    }
}

// Drums are one-shots that die away; pitched instruments loop and hold while the key is down.
TEST(Instruments, DrumsDecayAndHeldNotesSustain)
{
    for (xm::Instrument (*drum)() :
         {synth::kick, synth::snare, synth::closed_hat, synth::open_hat, synth::crash}) {
        const xm::Instrument instrument = drum();
        EXPECT_EQ(instrument.sample.loop, xm::Loop::None) << instrument.name;
        const std::vector<float> audio = play(instrument, tune::note("C-4"), 2.5);
        EXPECT_GT(test::peak(audio, 0.0, 0.05), 0.02F) << instrument.name;
        EXPECT_LT(test::peak(audio, 2.0, 2.5), 0.001F) << instrument.name;
    }
    for (xm::Instrument (*held)() : {synth::bass, synth::pad, synth::lead}) {
        const xm::Instrument instrument = held();
        const std::vector<float> audio = play(instrument, tune::note("A-3"), 3.0);
        EXPECT_GT(test::peak(audio, 2.5, 3.0), 0.3F * test::peak(audio, 0.0, 3.0))
            << instrument.name;
    }
}

} // namespace
