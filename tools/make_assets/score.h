// score.h: the tune's harmony and melodies, in A minor.
#pragma once

#include "sheet.h"

#include <array>
#include <string_view>
#include <vector>

namespace tune
{

// A chord by its name: Am, F, C, G, Em7, Fmaj7, Dm, E, A.
const Chord &chord(std::string_view name);

// Melodies over four bars, rows counted from the scene's first row.
std::vector<Tone> playful_melody();
std::vector<Tone> cloud_melody();
std::vector<Tone> angry_riff();
std::vector<Tone> anthem_melody();
std::vector<Tone> farewell_melody();

} // namespace tune
