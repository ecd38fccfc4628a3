// demo_run.h: the demo on the capture's clock: the music library in offline mode, the dummy
// video driver's 800x480 16-bit screen, the demo's own picture set and DrawScreen.
#pragma once

#include "av_handles.h"

#include "SDL.h"

#include <cstdint>
#include <span>
#include <vector>

namespace capture
{

// The music could not start: music.xm is missing, unreadable or no module (exit status 255).
class MusicError : public CaptureError
{
  public:
    using CaptureError::CaptureError;
};

// The demo's working state, from the working directory's ten files. One at a time: the music
// library and SDL are program-wide.
class DemoRun
{
  public:
    static constexpr int kSampleRate = 44100; // the rate the demo asks for
    static constexpr int kWidth = 800, kHeight = 480;

    // Loads music.xm (MusicError when it cannot), opens the screen and loads the nine pictures
    // (CaptureError when the screen cannot be set up), and starts the song at sample 0.
    DemoRun();
    ~DemoRun();
    DemoRun(const DemoRun &) = delete;
    DemoRun &operator=(const DemoRun &) = delete;

    // Length of one pass of the song in seconds.
    double song_seconds() const;

    // Starts the song again from sample 0.
    void restart();

    // Renders the song on up to sample `end` (exclusive) and returns the new samples,
    // interleaved stereo, valid until the next call.
    std::span<const std::int16_t> render_until(std::uint64_t end);

    // The position heard at `sample`, by BASSMOD_MusicGetPosition. `sample` must be rendered.
    std::uint32_t position_at(std::uint64_t sample);

    // Draws the frame the demo shows while `sample` is heard, with DrawScreen, and returns the
    // screen (800x480, 16 bits per pixel, unlocked).
    SDL_Surface *draw_at(std::uint64_t sample);

  private:
    SDL_Surface *screen_ = nullptr;
    std::uint64_t rendered_ = 0;
    std::vector<std::int16_t> audio_;
};

// Expands the screen's 16-bit colours to 8 bits per channel as SDL_GetRGB does, into a BGR0
// frame of the same size.
class ColourExpander
{
  public:
    explicit ColourExpander(const SDL_PixelFormat &format);
    // The screen must have 2 bytes per pixel and the frame's size; locks it if SDL requires.
    void expand(SDL_Surface *screen, AVFrame &bgr0) const;

  private:
    std::vector<std::uint32_t> table_; // 16-bit value to the four bytes B, G, R, 0
};

// The sample heard when frame `frame` is shown at `fps` frames per second: floor(frame *
// rate / fps).
constexpr std::uint64_t sample_of_frame(std::int64_t frame, int fps)
{
    return static_cast<std::uint64_t>(frame) * DemoRun::kSampleRate / static_cast<unsigned>(fps);
}

} // namespace capture
