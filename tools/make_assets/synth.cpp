// synth.cpp: builds each instrument's 16-bit sample and envelope. Pitched samples are tuned so
// that XM note C-4 sounds at 261.63 Hz; drums play at their own rate on C-4.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace synth
{
namespace
{

constexpr double kRate = 44100.0;     // rate the drums and the bell are computed at
constexpr double kMiddleC = 261.6256; // what C-4 should sound like
constexpr double kXmC4Rate = 8363.0;  // playback rate of a C-4 with no tuning
constexpr int kCycle = 128;           // samples per period in the looped waveforms
constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Wave = std::vector<double>;

// Deterministic white noise in -1..1 (xorshift32), the same on every platform.
class Noise
{
  public:
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

  private:
    std::uint32_t state_ = 0x9E3779B9U;
};

// Scales the wave so its peak is `peak` of full scale and converts it to 16 bits.
std::vector<std::int16_t> to_pcm(const Wave &wave, double peak = 0.9)
{
    double largest = 1e-9;
    for (const double value : wave) {
        largest = std::max(largest, std::fabs(value));
    }
    std::vector<std::int16_t> pcm(wave.size());
    std::transform(wave.begin(), wave.end(), pcm.begin(), [&](double value) {
        return static_cast<std::int16_t>(std::lround(value / largest * peak * 32767.0));
    });
    return pcm;
}

// Sets relative note and finetune so that C-4 plays the sample at `rate_at_c4`.
void tune(xm::Sample &sample, double rate_at_c4)
{
    const double semitones = 12.0 * std::log2(rate_at_c4 / kXmC4Rate);
    const double whole = std::round(semitones);
    sample.relative_note = static_cast<std::int8_t>(whole);
    sample.finetune = static_cast<std::int8_t>(std::lround((semitones - whole) * 128.0));
}

// A band-limited periodic wave: `cycles` periods of kCycle samples, partial k at amplitude
// harmonic(k), summed for each detuned voice (a voice of c cycles fits the loop exactly).
template <typename Harmonic>
Wave periodic(int cycles, const std::vector<int> &voice_cycles, int partials, Harmonic harmonic)
{
    Wave wave(static_cast<std::size_t>(cycles) * kCycle, 0.0);
    for (const int voice : voice_cycles) {
        const double phase_offset = 0.37 * voice;
        for (int k = 1; k <= partials; ++k) {
            const double amplitude = harmonic(k);
            const double step = kTwoPi * k * voice / static_cast<double>(wave.size());
            for (std::size_t i = 0; i < wave.size(); ++i) {
                wave[i] += amplitude * std::sin(step * static_cast<double>(i) + phase_offset * k);
            }
        }
    }
    return wave;
}

xm::Instrument looped(const char *name, const Wave &wave, int cycles_per_base)
{
    xm::Instrument instrument;
    instrument.name = name;
    instrument.sample.name = name;
    instrument.sample.pcm = to_pcm(wave);
    instrument.sample.loop = xm::Loop::Forward;
    instrument.sample.loop_length = static_cast<std::uint32_t>(wave.size());
    tune(instrument.sample, kMiddleC * static_cast<double>(wave.size()) / cycles_per_base);
    return instrument;
}

xm::Instrument one_shot(const char *name, const Wave &wave, double content_pitch = kMiddleC)
{
    xm::Instrument instrument;
    instrument.name = name;
    instrument.sample.name = name;
    instrument.sample.pcm = to_pcm(wave);
    tune(instrument.sample, kRate * kMiddleC / content_pitch);
    return instrument;
}

Wave timeline(double seconds)
{
    return Wave(static_cast<std::size_t>(seconds * kRate), 0.0);
}
double at(std::size_t i)
{
    return static_cast<double>(i) / kRate;
}

// First-order high-pass: keeps the hiss of noise and drops its body.
Wave high_pass(const Wave &in, double keep)
{
    Wave out(in.size());
    double previous_in = 0.0, previous_out = 0.0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        previous_out = keep * (previous_out + in[i] - previous_in);
        previous_in = in[i];
        out[i] = previous_out;
    }
    return out;
}

Wave noise(double seconds)
{
    Noise source;
    Wave wave = timeline(seconds);
    for (double &value : wave) {
        value = source.next();
    }
    return wave;
}

} // namespace

// A sine that falls from 160 Hz to 42 Hz, with a short click of noise on the attack.
xm::Instrument kick()
{
    Wave wave = timeline(0.45);
    Noise click;
    double phase = 0.0;
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = at(i);
        phase += kTwoPi * (42.0 + 118.0 * std::exp(-t / 0.03)) / kRate;
        const double body = std::sin(phase) * std::exp(-t / 0.17);
        const double attack = click.next() * std::exp(-t / 0.002) * 0.5;
        wave[i] = std::tanh(1.8 * (body + attack));
    }
    return one_shot("kick", wave);
}

// Two short tones for the drum's body under a bright noise burst.
xm::Instrument snare()
{
    const Wave hiss = high_pass(noise(0.3), 0.85);
    Wave wave = timeline(0.3);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = at(i);
        const double body = (std::sin(kTwoPi * 185.0 * t) + 0.6 * std::sin(kTwoPi * 330.0 * t)) *
                            std::exp(-t / 0.045);
        wave[i] = 0.55 * body + hiss[i] * std::exp(-t / 0.075);
    }
    xm::Instrument instrument = one_shot("snare", wave);
    instrument.sample.volume = 64;
    return instrument;
}

namespace
{
// Twice high-passed noise that dies away: the hi-hats differ in length, brightness and decay.
xm::Instrument hat(const char *name, double seconds, double second_keep, double decay,
                   std::uint8_t volume, std::uint8_t panning)
{
    const Wave hiss = high_pass(high_pass(noise(seconds), 0.6), second_keep);
    Wave wave = timeline(seconds);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = hiss[i] * std::exp(-at(i) / decay);
    }
    xm::Instrument instrument = one_shot(name, wave);
    instrument.sample.volume = volume;
    instrument.sample.panning = panning;
    return instrument;
}
} // namespace

xm::Instrument closed_hat()
{
    return hat("closed hat", 0.09, 0.6, 0.018, 40, 170);
}

xm::Instrument open_hat()
{
    return hat("open hat", 0.4, 0.7, 0.11, 36, 90);
}

// Long hiss with a few clashing metallic partials under it.
xm::Instrument crash()
{
    const Wave hiss = high_pass(noise(1.6), 0.75);
    Wave wave = timeline(1.6);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = at(i);
        double ring = 0.0;
        for (const double frequency : {3150.0, 4570.0, 5830.0, 7120.0}) {
            ring += std::sin(kTwoPi * frequency * t);
        }
        wave[i] = (hiss[i] + 0.08 * ring) * std::exp(-t / 0.45) * (1.0 - std::exp(-t / 0.002));
    }
    xm::Instrument instrument = one_shot("crash", wave);
    instrument.sample.volume = 40;
    return instrument;
}

// Between a saw and a square, with a plucked envelope that settles to a steady level.
xm::Instrument bass()
{
    const Wave wave = periodic(8, {8}, 18, [](int k) { return (k % 2 ? 1.0 : 0.45) / k; });
    xm::Instrument instrument = looped("bass", wave, 8);
    instrument.sample.volume = 64;
    instrument.volume_envelope = {true, {{0, 64}, {6, 44}, {30, 34}}, 2, -1, -1};
    instrument.fadeout = 2000;
    return instrument;
}

// Three gently detuned soft saws with a slow swell and a long release.
xm::Instrument pad()
{
    const Wave wave = periodic(200, {200, 201, 199}, 14, [](int k) { return std::pow(k, -1.4); });
    xm::Instrument instrument = looped("pad", wave, 200);
    instrument.sample.volume = 44;
    instrument.volume_envelope = {true, {{0, 24}, {12, 64}, {40, 50}}, 2, -1, -1};
    instrument.fadeout = 500;
    return instrument;
}

// A hollow pulse with two voices, a quick attack and a vibrato that fades in.
xm::Instrument lead()
{
    const Wave wave = periodic(100, {100, 101}, 16, [](int k) { return (k % 2 ? 1.0 : 0.3) / k; });
    xm::Instrument instrument = looped("lead", wave, 100);
    instrument.sample.volume = 60;
    instrument.volume_envelope = {true, {{0, 20}, {2, 64}, {10, 50}, {60, 40}}, 3, -1, -1};
    instrument.fadeout = 1200;
    instrument.vibrato = {xm::VibratoWave::Sine, 24, 4, 12};
    return instrument;
}

// A struck bell: C-5 fundamental with inharmonic overtones that die away first.
xm::Instrument bell()
{
    constexpr double fundamental = 2.0 * kMiddleC;
    Wave wave = timeline(1.2);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = at(i);
        wave[i] = std::sin(kTwoPi * fundamental * t) * std::exp(-t / 0.5) +
                  0.45 * std::sin(kTwoPi * fundamental * 2.0 * t) * std::exp(-t / 0.25) +
                  0.25 * std::sin(kTwoPi * fundamental * 2.76 * t) * std::exp(-t / 0.12) +
                  0.12 * std::sin(kTwoPi * fundamental * 5.4 * t) * std::exp(-t / 0.05);
        wave[i] *= 1.0 - std::exp(-t / 0.001);
    }
    xm::Instrument instrument = one_shot("bell", wave, fundamental);
    instrument.sample.volume = 40;
    instrument.sample.panning = 80;
    return instrument;
}

} // namespace synth
