// sheet.cpp: the pattern-writing helpers behind the tune's arrangement.
#include "sheet.h"

#include <stdexcept>
#include <string>

namespace tune
{

std::uint8_t note(std::string_view name)
{
    constexpr std::string_view letters = "C D EF G A B";
    const bool well_formed = name.size() == 3 && name[0] != ' ' &&
                             letters.find(name[0]) != std::string_view::npos &&
                             (name[1] == '-' || name[1] == '#') && name[2] >= '0' && name[2] <= '7';
    if (!well_formed) {
        throw std::invalid_argument("bad note name \"" + std::string(name) + "\"");
    }
    const auto pitch = static_cast<int>(letters.find(name[0]));
    const int sharp = name[1] == '#' ? 1 : 0;
    return static_cast<std::uint8_t>((name[2] - '0') * 12 + pitch + sharp + 1);
}

void Sheet::play(int row, Channel channel, std::uint8_t note, Instrument instrument, int volume)
{
    xm::Cell &cell = pattern_.at(row, channel);
    cell.note = note;
    cell.instrument = static_cast<std::uint8_t>(instrument);
    cell.volume = volume < 0 ? 0 : static_cast<std::uint8_t>(0x10 + volume);
}

void Sheet::release(int row, Channel channel)
{
    xm::Cell &cell = pattern_.at(row, channel);
    cell = {};
    cell.note = xm::kKeyOff;
}

void Sheet::effect(int row, Channel channel, std::uint8_t effect, std::uint8_t param)
{
    xm::Cell &cell = pattern_.at(row, channel);
    cell.effect = effect;
    cell.param = param;
}

void Sheet::volume(int row, Channel channel, int volume)
{
    pattern_.at(row, channel).volume = static_cast<std::uint8_t>(0x10 + volume);
}

void Sheet::rhythm(int bar, Channel channel, Instrument instrument, std::string_view steps)
{
    const std::uint8_t c4 = note("C-4");
    for (std::size_t step = 0; step < steps.size(); ++step) {
        const int row = bar * kRowsPerBar + static_cast<int>(step);
        switch (steps[step]) {
        case 'o':
            play(row, channel, c4, instrument, 22);
            break;
        case 'x':
            play(row, channel, c4, instrument, 44);
            break;
        case 'X':
            play(row, channel, c4, instrument, 64);
            break;
        default:
            break;
        }
    }
}

void Sheet::chord(int bar, const Chord &chord, int volume)
{
    const Channel voices[] = {PadLow, PadMid, PadHigh};
    for (std::size_t i = 0; i < chord.voicing.size() && i < 3; ++i) {
        play(bar * kRowsPerBar, voices[i], chord.voicing[i], PadSynth, volume);
    }
}

void Sheet::melody(int bar, Channel channel, const std::vector<Tone> &tones, int volume)
{
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const Tone &tone = tones[i];
        const int row = bar * kRowsPerBar + tone.row;
        play(row, channel, note(tone.name), LeadSynth, volume);
        const int end = row + tone.length;
        const bool next_starts_there =
            i + 1 < tones.size() && bar * kRowsPerBar + tones[i + 1].row == end;
        if (!next_starts_there && end < pattern_.rows) {
            release(end, channel);
        }
    }
}

} // namespace tune
