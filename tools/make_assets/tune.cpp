// tune.cpp: the arrangement, scene by scene. Rows are sixteenth notes, 16 to a bar, four bars
// to a scene. Scenes 0-4 run at 115 BPM; the climax (scene 5) broadens to 92 BPM and the
// ending slows further into its last chord.
#include "tune.h"

#include "score.h"
#include "sheet.h"
#include "synth.h"

#include <array>
#include <string_view>

namespace tune
{
namespace
{

constexpr int kRows = 64;
constexpr std::uint8_t kSetTempo = 0x0F;
constexpr std::uint8_t kVolumeSlide = 0x0A;
constexpr std::uint8_t kPanning = 0x08;
constexpr int kEchoDelay = 3;

using Progression = std::array<std::string_view, 4>;

void chords(Sheet &sheet, const Progression &progression, int volume)
{
    for (int bar = 0; bar < 4; ++bar) {
        sheet.chord(bar, chord(progression[bar]), volume);
        sheet.effect(bar * kRowsPerBar, PadLow, kPanning, 0x50);
        sheet.effect(bar * kRowsPerBar, PadHigh, kPanning, 0xB0);
    }
}

// Bell arpeggio through each bar's chord; `every` rows apart, `figure` indexes the chord tones.
void arpeggio(Sheet &sheet, const Progression &progression, int every, std::string_view figure,
              int volume, int first_bar = 0)
{
    for (int bar = first_bar; bar < 4; ++bar) {
        const Chord &current = chord(progression[bar]);
        for (int step = 0; step * every < kRowsPerBar; ++step) {
            const int tone = figure[static_cast<std::size_t>(step) % figure.size()] - '0';
            sheet.play(bar * kRowsPerBar + step * every, Bell, current.arpeggio.at(tone), BellSynth,
                       volume);
        }
    }
}

// Bass notes from a 16-step figure per bar: 'r' root, 'o' octave above, 'f' fifth above.
void bass_line(Sheet &sheet, const Progression &progression, std::string_view figure, int volume,
               int first_bar = 0)
{
    for (int bar = first_bar; bar < 4; ++bar) {
        const std::uint8_t root = chord(progression[bar]).bass;
        for (std::size_t step = 0; step < figure.size(); ++step) {
            const int row = bar * kRowsPerBar + static_cast<int>(step);
            const char kind = figure[step];
            const int offset = kind == 'o' ? 12 : kind == 'f' ? 7 : 0;
            if (kind == 'r' || kind == 'o' || kind == 'f') {
                sheet.play(row, Bass, static_cast<std::uint8_t>(root + offset), BassSynth, volume);
            }
        }
    }
}

// The lead line, with a quieter copy a few rows later, panned aside.
void melody_with_echo(Sheet &sheet, const std::vector<Tone> &tones, int volume)
{
    sheet.melody(0, Lead, tones, volume);
    std::vector<Tone> echo;
    for (const Tone &tone : tones) {
        if (tone.row + kEchoDelay < kRows) {
            echo.push_back({tone.row + kEchoDelay, tone.name, tone.length});
        }
    }
    sheet.melody(0, Echo, echo, volume / 3);
    for (const Tone &tone : echo) {
        sheet.effect(tone.row, Echo, kPanning, 0xC8);
    }
}

void crash(Sheet &sheet, int row)
{
    sheet.play(row, Cymbal, note("C-4"), CrashCymbal);
}

// Scene 0, the title: pad and bells alone, then bass and hats, then a snare pick-up.
void intro(Sheet &sheet)
{
    const Progression progression = {"Am", "F", "C", "G"};
    chords(sheet, progression, 40);
    arpeggio(sheet, progression, 2, "01232123", 30);
    bass_line(sheet, progression, "r...............", 44, 2);
    sheet.rhythm(2, Hat, ClosedHat, "..o...o...o...o.");
    sheet.rhythm(3, Hat, ClosedHat, "..o...o...o...x.");
    sheet.rhythm(3, Snare, SnareDrum, "........o...oxxX");
}

// Scene 1, the factory: four on the floor, a pumping octave bass, bells running in 16ths.
void factory(Sheet &sheet)
{
    const Progression progression = {"Am", "F", "C", "G"};
    chords(sheet, progression, 28);
    arpeggio(sheet, progression, 1, "0123", 16);
    bass_line(sheet, progression, "r.o.r.o.r.o.r.o.", 48);
    crash(sheet, 0);
    for (int bar = 0; bar < 4; ++bar) {
        sheet.rhythm(bar, Kick, KickDrum, bar == 3 ? "X...x...X...x.xx" : "X...x...X...x...");
        sheet.rhythm(bar, Snare, SnareDrum, bar == 3 ? "....X.......XoxX" : "....X.......X...");
        sheet.rhythm(bar, Hat, ClosedHat, "o.x.o.x.o.x.o.xo");
    }
}

// Scene 2, the scissors: the first tune, a syncopated groove and sixteenth hats.
void playful(Sheet &sheet)
{
    const Progression progression = {"Am", "F", "C", "G"};
    chords(sheet, progression, 24);
    bass_line(sheet, progression, "r..r..o.r..f..o.", 46);
    melody_with_echo(sheet, playful_melody(), 46);
    crash(sheet, 0);
    for (int bar = 0; bar < 4; ++bar) {
        sheet.rhythm(bar, Kick, KickDrum, bar == 3 ? "X.....x...X..x.." : "X.....x...X.....");
        sheet.rhythm(bar, Snare, SnareDrum, "....X..o....X..o");
        sheet.rhythm(bar, Hat, ClosedHat, "xoxoXoxoxoxoXoxo");
    }
}

// Scene 3, the clouds: no drums but air, a slow line over open chords, then a snare riser.
void clouds(Sheet &sheet)
{
    const Progression progression = {"Fmaj7", "G", "Em7", "Am"};
    chords(sheet, progression, 44);
    arpeggio(sheet, progression, 4, "0231", 26);
    bass_line(sheet, progression, "r.......r.......", 40);
    melody_with_echo(sheet, cloud_melody(), 42);
    for (int bar = 0; bar < 3; ++bar) {
        sheet.rhythm(bar, Cymbal, OpenHat, "..o...o...o...o.");
    }
    for (int row = 48; row < kRows; row += row < 56 ? 2 : 1) {
        sheet.play(row, Snare, note("C-4"), SnareDrum, 12 + (row - 48) * 3);
    }
}

// Scene 4, the anger: minor-key tension on E, a hammering beat, then a dead stop.
void anger(Sheet &sheet)
{
    const Progression progression = {"Dm", "F", "E", "E"};
    chords(sheet, progression, 30);
    bass_line(sheet, progression, "r.o.r.o.r.o.r.o.", 52);
    sheet.melody(0, Lead, angry_riff(), 50);
    crash(sheet, 0);
    crash(sheet, 32);
    for (int bar = 0; bar < 3; ++bar) {
        sheet.rhythm(bar, Kick, KickDrum, bar == 1 ? "X.x.X...X.x.X..." : "X...X...X.x.X...");
        sheet.rhythm(bar, Snare, SnareDrum, "....X.......X..o");
        sheet.rhythm(bar, Hat, ClosedHat, "XoxoXoxoXoxoXoxo");
    }
    sheet.rhythm(3, Kick, KickDrum, "X.x.X.x.X.x.....");
    for (int row = 48; row < 60; ++row) {
        sheet.play(row, Snare, note("C-4"), SnareDrum, 20 + (row - 48) * 4);
    }
    for (const Channel channel : {Bass, PadLow, PadMid, PadHigh, Lead}) {
        sheet.release(60, channel);
    }
}

// Scene 5, the animated picture: slower and broader, the anthem over the full band.
void anthem(Sheet &sheet)
{
    const Progression progression = {"F", "G", "Em7", "Am"};
    sheet.effect(0, Spare, kSetTempo, 92);
    chords(sheet, progression, 44);
    arpeggio(sheet, progression, 2, "01230321", 18);
    bass_line(sheet, progression, "r.....r.o...r...", 50);
    melody_with_echo(sheet, anthem_melody(), 52);
    crash(sheet, 0);
    crash(sheet, 32);
    for (int bar = 0; bar < 4; ++bar) {
        sheet.rhythm(bar, Kick, KickDrum, bar % 2 ? "X.........x..x.." : "X.........x.....");
        sheet.rhythm(bar, Snare, SnareDrum, bar == 3 ? "........X...xxXX" : "........X.......");
        sheet.rhythm(bar, Hat, ClosedHat, "x.x.x.x.x.x.x.x.");
    }
}

// Scene 6, the end card: the last phrase, a slowing pick-up and an A major chord that fades.
void farewell(Sheet &sheet)
{
    const Progression progression = {"F", "G", "E", "A"};
    chords(sheet, progression, 40);
    bass_line(sheet, progression, "r.......r.......", 46);
    melody_with_echo(sheet, farewell_melody(), 48);
    for (int bar = 0; bar < 2; ++bar) {
        sheet.rhythm(bar, Kick, KickDrum, "X.......X.......");
        sheet.rhythm(bar, Snare, SnareDrum, "........x.......");
        sheet.rhythm(bar, Hat, ClosedHat, "o.o.o.o.o.o.o.o.");
    }
    sheet.rhythm(2, Kick, KickDrum, "X.......X...x.x.");
    sheet.rhythm(2, Snare, SnareDrum, "........x...xxXX");
    sheet.rhythm(3, Kick, KickDrum, "X...............");
    crash(sheet, 48);
    const std::array<std::string_view, 4> rising = {"A-4", "C#5", "E-5", "A-5"};
    for (int i = 0; i < 4; ++i) {
        sheet.play(48 + 2 * i, Bell, note(rising[static_cast<std::size_t>(i)]), BellSynth, 30);
    }
    const std::array<std::pair<int, std::uint8_t>, 3> slowing = {{{40, 84}, {44, 76}, {48, 70}}};
    for (const auto &[row, bpm] : slowing) {
        sheet.effect(row, Spare, kSetTempo, bpm);
    }
    for (int row = 52; row < kRows; ++row) {
        for (const Channel channel : {Bass, PadLow, PadMid, PadHigh, Lead, Echo}) {
            sheet.effect(row, channel, kVolumeSlide, 0x01);
        }
    }
}

} // namespace

xm::Module module()
{
    xm::Module song;
    song.name = "Seven Scenes";
    song.channels = kChannelCount;
    song.speed = 6;
    song.bpm = 115;
    song.instruments = {synth::kick(),     synth::snare(), synth::closed_hat(),
                        synth::open_hat(), synth::crash(), synth::bass(),
                        synth::pad(),      synth::lead(),  synth::bell()};
    using Scene = void (*)(Sheet &);
    const std::array<Scene, kSceneCount> scenes = {intro, factory, playful, clouds,
                                                   anger, anthem,  farewell};
    for (const Scene scene : scenes) {
        Sheet sheet(song.patterns.emplace_back(kRows, kChannelCount));
        scene(sheet);
        song.orders.push_back(static_cast<std::uint8_t>(song.orders.size()));
    }
    return song;
}

} // namespace tune
