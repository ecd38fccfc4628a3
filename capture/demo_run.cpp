// demo_run.cpp: drives the demo's DrawScreen and the music library's offline mode frame by frame.
#include "demo_run.h"

#include "bassmod.h"
#include "bassmod_offline.h"
#include "demo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace capture
{
DemoRun::DemoRun()
{
    if (BASSMOD_OfflineInit(kSampleRate) == 0) {
        throw CaptureError("the music library cannot start");
    }
    if (BASSMOD_MusicLoad(0, "music.xm", 0, 0, BASSMOD_MUSIC_PLAYONCE) == 0) {
        BASSMOD_Free();
        throw MusicError("music.xm is missing, unreadable or not a module");
    }
    // The dummy driver: a screen in memory, whatever display (or none) the machine has.
    if (setenv("SDL_VIDEODRIVER", "dummy", 1) != 0 || SDL_Init(SDL_INIT_VIDEO) < 0) {
        BASSMOD_Free();
        throw CaptureError(std::string("SDL video cannot start: ") + SDL_GetError());
    }
    screen_ = SDL_SetVideoMode(kWidth, kHeight, 16, SDL_HWSURFACE);
    if (screen_ == nullptr || screen_->format->BytesPerPixel != 2 || screen_->w != kWidth ||
        screen_->h != kHeight) {
        const std::string reason = screen_ == nullptr ? SDL_GetError() : "another mode was set";
        SDL_Quit();
        BASSMOD_Free();
        throw CaptureError("the 800x480 16-bit screen cannot be set: " + reason);
    }
    LoadPictures();
    restart();
}

DemoRun::~DemoRun()
{
    // The picture set lives until the process ends, as in the demo.
    BASSMOD_Free();
    SDL_Quit();
}

double DemoRun::song_seconds() const
{
    return BASSMOD_OfflineSongSeconds();
}

void DemoRun::restart()
{
    if (BASSMOD_MusicPlay() == 0) {
        throw CaptureError("the music cannot start");
    }
    rendered_ = 0;
}

std::span<const std::int16_t> DemoRun::render_until(std::uint64_t end)
{
    const std::uint64_t frames = end > rendered_ ? end - rendered_ : 0;
    audio_.resize(2 * frames);
    std::uint64_t done = 0;
    while (done < frames) {
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(frames - done, 1u << 16));
        BASSMOD_OfflineRender(audio_.data() + 2 * done, chunk);
        done += chunk;
    }
    rendered_ += frames;
    return audio_;
}

std::uint32_t DemoRun::position_at(std::uint64_t sample)
{
    BASSMOD_OfflineSetClock(sample);
    return BASSMOD_MusicGetPosition();
}

SDL_Surface *DemoRun::draw_at(std::uint64_t sample)
{
    BASSMOD_OfflineSetClock(sample);
    DrawScreen(screen_);
    return screen_;
}

ColourExpander::ColourExpander(const SDL_PixelFormat &format) : table_(65536)
{
    for (std::uint32_t value = 0; value < table_.size(); ++value) {
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(value, const_cast<SDL_PixelFormat *>(&format), &r, &g, &b);
        const std::uint8_t bytes[4] = {b, g, r, 0};
        std::memcpy(&table_[value], bytes, sizeof bytes);
    }
}

void ColourExpander::expand(SDL_Surface *screen, AVFrame &bgr0) const
{
    const bool lock = SDL_MUSTLOCK(screen);
    if (lock && SDL_LockSurface(screen) < 0) {
        throw CaptureError(std::string("cannot read the screen: ") + SDL_GetError());
    }
    for (int y = 0; y < screen->h; ++y) {
        const auto *source = reinterpret_cast<const std::uint16_t *>(
            static_cast<const std::uint8_t *>(screen->pixels) + y * screen->pitch);
        auto *target = reinterpret_cast<std::uint32_t *>(bgr0.data[0] + y * bgr0.linesize[0]);
        for (int x = 0; x < screen->w; ++x) {
            target[x] = table_[source[x]];
        }
    }
    if (lock) {
        SDL_UnlockSurface(screen);
    }
}

} // namespace capture
