// sheet.h: writes musical phrases into a 64-row XM pattern: notes by name, drum rhythms as
// text, chords and melodies laid out in bars of 16 rows.
#pragma once

#include "xmwriter.h"

#include <string_view>
#include <vector>

namespace tune
{

constexpr int kRowsPerBar = 16;

// The tune's channels and instruments (instrument numbers are 1-based, as in the pattern).
enum Channel { Kick, Snare, Hat, Cymbal, Bass, PadLow, PadMid, PadHigh, Lead, Bell, Echo, Spare };
constexpr int kChannelCount = 12;
enum Instrument {
    KickDrum = 1,
    SnareDrum,
    ClosedHat,
    OpenHat,
    CrashCymbal,
    BassSynth,
    PadSynth,
    LeadSynth,
    BellSynth
};

// XM note number from a name such as "A-4" or "C#5" (C-4 is middle C).
std::uint8_t note(std::string_view name);

struct Chord {
    std::uint8_t bass;                 // root, octave 1 or 2
    std::vector<std::uint8_t> voicing; // three pad notes around middle C
    std::vector<std::uint8_t> arpeggio;
};

// One note of a melody: bar-relative row, note name, length in rows.
struct Tone {
    int row;
    std::string_view name;
    int length;
};

class Sheet
{
  public:
    explicit Sheet(xm::Pattern &pattern) : pattern_(pattern) {}

    // volume 0..64, or -1 for the sample's own.
    void play(int row, Channel channel, std::uint8_t note, Instrument instrument, int volume = -1);
    void release(int row, Channel channel);
    void effect(int row, Channel channel, std::uint8_t effect, std::uint8_t param);
    void volume(int row, Channel channel, int volume);

    // Drums from a 16-character bar: '.' rest, 'o' soft, 'x' normal, 'X' accent.
    void rhythm(int bar, Channel channel, Instrument instrument, std::string_view steps);
    // Holds the chord's three notes on the pad channels for `bars` bars.
    void chord(int bar, const Chord &chord, int volume = -1);
    // A melody line starting at `bar`; each tone is released when its length runs out.
    void melody(int bar, Channel channel, const std::vector<Tone> &tones, int volume = -1);

  private:
    xm::Pattern &pattern_;
};

} // namespace tune
