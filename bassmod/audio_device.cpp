// audio_device.cpp: opening and closing SDL 1.2's audio output.
#include "audio_device.h"

#include <cstring>

namespace bassmod
{

namespace
{
// SDL 1.2's waveout driver keeps two buffers with the device; the third fill comes after both
// were queued.
constexpr unsigned kWaveoutFillsAfterQueueing = 3;
constexpr Uint32 kWaveoutQueueTimeoutMs = 1000;
} // namespace

std::unique_ptr<AudioDevice>
AudioDevice::open(std::uint32_t rate, void (*callback)(void *, Uint8 *, int), void *userdata)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        return nullptr;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    std::unique_ptr<AudioDevice> device(new AudioDevice(callback, userdata));
    wanted.callback = fill;
    wanted.userdata = device.get();
    // No "obtained" spec: SDL then converts to the device's format, so the callback always
    // fills 16-bit stereo at `rate`. The device starts paused.
    if (SDL_OpenAudio(&wanted, nullptr) < 0) {
        return nullptr; // the device's destructor quits the subsystem
    }
    device->path_ = current_audio_path();
    return device;
}

void AudioDevice::fill(void *device, Uint8 *stream, int length)
{
    auto &self = *static_cast<AudioDevice *>(device);
    if (self.closing_.load(std::memory_order_acquire)) {
        std::memset(stream, 0, static_cast<std::size_t>(length)); // signed 16-bit silence
    } else {
        self.callback_(self.userdata_, stream, length);
    }
    self.buffers_filled_.fetch_add(1, std::memory_order_release);
}

// SDL 1.2's waveout driver, closing, waits for every buffer it prepared to come back from the
// device, and a buffer its thread has not queued yet never does (preparing clears its done flag
// on Windows and under Wine): a device closed right after opening hangs the program. So its
// thread first runs until it has queued both, filling silence, paused or not.
void AudioDevice::queue_every_waveout_buffer()
{
    closing_.store(true, std::memory_order_release);
    SDL_PauseAudio(0);
    const Uint32 start = SDL_GetTicks();
    while (buffers_filled_.load(std::memory_order_acquire) < kWaveoutFillsAfterQueueing &&
           SDL_GetTicks() - start < kWaveoutQueueTimeoutMs) {
        SDL_Delay(1);
    }
}

AudioDevice::~AudioDevice()
{
    if (path_.driver.starts_with("waveout") && still_open()) {
        queue_every_waveout_buffer();
    }
    SDL_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace bassmod
