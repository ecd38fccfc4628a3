// device_playback.cpp: the audio callback, and the program thread's side of it under the lock.
#include "device_playback.h"

#include <chrono>

namespace bassmod
{

namespace
{
Nanoseconds clock_now()
{
    return std::chrono::duration_cast<Nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}
} // namespace

std::unique_ptr<DevicePlayback> DevicePlayback::open(std::uint32_t rate)
{
    std::unique_ptr<DevicePlayback> playback(new DevicePlayback(rate));
    playback->device_ = AudioDevice::open(rate, audio_callback, playback.get());
    if (!playback->device_) {
        return nullptr;
    }
    playback->song_.timeline().set_queued_buffers(queued_buffers_on(playback->device_->path()));
    return playback;
}

void DevicePlayback::audio_callback(void *userdata, Uint8 *stream, int length)
{
    const Nanoseconds now = clock_now();
    auto &playback = *static_cast<DevicePlayback *>(userdata);
    const auto frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    playback.song_.render(reinterpret_cast<std::int16_t *>(stream), frames, now);
}

bool DevicePlayback::load(bool from_memory, const void *file, std::uint32_t offset,
                          std::uint32_t length, std::uint32_t flags)
{
    if (song_.loaded()) {
        {
            const AudioLock lock;
            song_.unload();
        }
        device_->set_paused(true);
    }
    return song_.load(from_memory, file, offset, length, flags);
}

bool DevicePlayback::play()
{
    {
        const AudioLock lock;
        if (!song_.rewind()) {
            return false;
        }
    }
    device_->set_paused(false);
    return true;
}

PackedPosition DevicePlayback::position() const
{
    if (const auto fixed = song_.position_without_clock()) {
        return *fixed;
    }
    return song_.timeline().heard_at(clock_now());
}

} // namespace bassmod
