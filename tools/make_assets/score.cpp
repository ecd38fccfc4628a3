// score.cpp: chord voicings and the melodies of the tune.
#include "score.h"

#include <map>
#include <stdexcept>
#include <string>

namespace tune
{
namespace
{

Chord make(std::string_view bass, std::array<std::string_view, 3> voicing,
           std::array<std::string_view, 4> arpeggio)
{
    Chord chord{note(bass), {}, {}};
    for (const std::string_view name : voicing) {
        chord.voicing.push_back(note(name));
    }
    for (const std::string_view name : arpeggio) {
        chord.arpeggio.push_back(note(name));
    }
    return chord;
}

const std::map<std::string_view, Chord> &chords()
{
    static const std::map<std::string_view, Chord> table = {
        {"Am", make("A-1", {"A-3", "C-4", "E-4"}, {"A-4", "C-5", "E-5", "A-5"})},
        {"F", make("F-1", {"A-3", "C-4", "F-4"}, {"F-4", "A-4", "C-5", "F-5"})},
        {"C", make("C-2", {"G-3", "C-4", "E-4"}, {"G-4", "C-5", "E-5", "G-5"})},
        {"G", make("G-1", {"G-3", "B-3", "D-4"}, {"G-4", "B-4", "D-5", "G-5"})},
        {"Em7", make("E-1", {"G-3", "B-3", "D-4"}, {"E-4", "G-4", "B-4", "D-5"})},
        {"Fmaj7", make("F-1", {"A-3", "C-4", "E-4"}, {"F-4", "A-4", "C-5", "E-5"})},
        {"Dm", make("D-2", {"A-3", "D-4", "F-4"}, {"D-4", "F-4", "A-4", "D-5"})},
        {"E", make("E-1", {"G#3", "B-3", "E-4"}, {"E-4", "G#4", "B-4", "E-5"})},
        {"A", make("A-1", {"A-3", "C#4", "E-4"}, {"A-4", "C#5", "E-5", "A-5"})},
    };
    return table;
}

} // namespace

const Chord &chord(std::string_view name)
{
    const auto found = chords().find(name);
    if (found == chords().end()) {
        throw std::invalid_argument("unknown chord " + std::string(name));
    }
    return found->second;
}

// Over Am F C G: a bouncing figure that answers itself every bar.
std::vector<Tone> playful_melody()
{
    return {{0, "E-5", 4},  {4, "C-5", 2},  {6, "D-5", 2},  {8, "E-5", 4},  {12, "A-4", 4},
            {16, "F-5", 4}, {20, "E-5", 2}, {22, "C-5", 2}, {24, "A-4", 6}, {30, "C-5", 2},
            {32, "G-5", 4}, {36, "E-5", 2}, {38, "D-5", 2}, {40, "C-5", 4}, {44, "E-5", 4},
            {48, "D-5", 6}, {54, "B-4", 2}, {56, "G-4", 4}, {60, "B-4", 2}, {62, "D-5", 2}};
}

// Over Fmaj7 G Em7 Am: long, floating notes.
std::vector<Tone> cloud_melody()
{
    return {{0, "A-5", 8},  {8, "G-5", 4},  {12, "E-5", 4}, {16, "D-5", 12}, {28, "B-4", 4},
            {32, "G-5", 8}, {40, "E-5", 8}, {48, "C-5", 8}, {56, "B-4", 4},  {60, "A-4", 4}};
}

// Over Dm F E E: a clipped riff that climbs to the leading tone.
std::vector<Tone> angry_riff()
{
    return {{0, "D-5", 2},  {3, "F-5", 2},  {6, "A-5", 2},  {8, "G-5", 2},  {10, "F-5", 2},
            {12, "E-5", 2}, {14, "D-5", 2}, {16, "C-5", 2}, {19, "F-5", 2}, {22, "A-5", 2},
            {24, "C-6", 2}, {26, "A-5", 2}, {28, "G-5", 2}, {30, "F-5", 2}, {32, "E-5", 2},
            {35, "G#5", 2}, {38, "B-5", 2}, {40, "D-6", 2}, {42, "B-5", 2}, {44, "G#5", 2},
            {46, "E-5", 2}, {48, "E-6", 8}, {56, "D-6", 2}, {58, "B-5", 2}};
}

// Over F G Em7 Am: the tune's big moment, a wide line that comes home to A.
std::vector<Tone> anthem_melody()
{
    return {{0, "C-6", 6},  {6, "A-5", 2},   {8, "G-5", 4},  {12, "A-5", 4}, {16, "B-5", 6},
            {22, "G-5", 2}, {24, "D-6", 8},  {32, "E-6", 6}, {38, "D-6", 2}, {40, "B-5", 4},
            {44, "G-5", 4}, {48, "A-5", 10}, {58, "E-5", 2}, {60, "G-5", 4}};
}

// Over F G E A: the last phrase, resolving on the major third of A.
std::vector<Tone> farewell_melody()
{
    return {{0, "A-5", 8},  {8, "C-6", 8},  {16, "B-5", 8}, {24, "D-6", 4}, {28, "B-5", 4},
            {32, "B-5", 6}, {38, "G#5", 2}, {40, "B-5", 4}, {44, "D-6", 4}, {48, "C#6", 16}};
}

} // namespace tune
