// device_playback.cpp: the audio callback, and the library's own clock while the device takes no
// audio.
#include "device_playback.h"

#include "queue_depth_estimator.h"

#include <algorithm>
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

// On its own clock the library renders this far ahead of the moment asked, so that the position
// runs on smoothly between two questions of a frame loop.
constexpr std::uint64_t kOwnClockAhead = 2048;
constexpr std::size_t kScratchFrames = 1024;

} // namespace

DevicePlayback::DevicePlayback(std::uint32_t rate)
    : rate_(rate), song_(rate), scratch_(kScratchFrames * 2)
{
}

std::unique_ptr<DevicePlayback> DevicePlayback::open(std::uint32_t rate)
{
    std::unique_ptr<DevicePlayback> playback(new DevicePlayback(rate));
    DevicePlayback *const raw = playback.get();
    playback->output_ =
        OutputSupervisor::open({rate, audio_callback, raw, raw->stats_, raw->playing_,
                                [raw](const AudioPath &path) { return raw->follow_path(path); }});
    if (!playback->output_) {
        return nullptr;
    }
    return playback;
}

void DevicePlayback::audio_callback(void *userdata, Uint8 *stream, int length)
{
    const Nanoseconds now = clock_now();
    auto &playback = *static_cast<DevicePlayback *>(userdata);
    const auto frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    {
        const std::lock_guard lock(playback.song_mutex_);
        playback.song_.render(reinterpret_cast<std::int16_t *>(stream), frames, now);
    }
    // Asked here, on SDL's audio thread, which SDL_Quit waits for, and not on the supervisor's,
    // where a program's own SDL_Quit could free SDL's audio state under the question.
    playback.stats_.record(now, static_cast<std::uint32_t>(frames),
                           SDL_GetAudioStatus() == SDL_AUDIO_STOPPED);
}

bool DevicePlayback::load(bool from_memory, const void *file, std::uint32_t offset,
                          std::uint32_t length, std::uint32_t flags)
{
    if (song_.loaded()) {
        {
            const std::lock_guard lock(song_mutex_);
            song_.unload();
            playing_.store(false);
        }
        output_->want_paused(true);
    }
    return song_.load(from_memory, file, offset, length, flags);
}

bool DevicePlayback::play()
{
    {
        const std::lock_guard lock(song_mutex_);
        if (!song_.rewind()) {
            return false;
        }
        const std::int64_t now = clock_now().count();
        play_ns_.store(now);
        stats_.restart_clock(now);
        playing_.store(true);
    }
    output_->want_paused(false);
    return true;
}

PackedPosition DevicePlayback::position()
{
    if (const auto fixed = song_.position_without_clock()) {
        return *fixed;
    }
    const Nanoseconds now = clock_now();
    if (stats_.overdue(now)) {
        const std::lock_guard lock(song_mutex_);
        keep_time_alone(now);
    }
    return song_.timeline().heard_at(now);
}

void DevicePlayback::keep_time_alone(Nanoseconds now)
{
    if (!stats_.overdue(now)) {
        return; // the device came back while we waited for the song
    }
    Timeline &timeline = song_.timeline();
    // Where the last anchor, from the device or from here, puts the listener now; the samples
    // the device never played are passed over.
    const std::int64_t since_play =
        (now.count() - play_ns_.load()) / 1'000 * rate_ / 1'000'000; // no sample at play time
    const auto heard = static_cast<std::uint64_t>(
        std::max<std::int64_t>(timeline.extrapolate(now).value_or(since_play), 0));
    Renderer &renderer = song_.renderer();
    while (renderer.next_sample() < heard + kOwnClockAhead) {
        const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(
            kScratchFrames, heard + kOwnClockAhead - renderer.next_sample()));
        renderer.render_unpublished(scratch_.data(), frames);
    }
    timeline.publish_heard(now, heard, renderer.next_sample());
}

std::unique_ptr<ServerLatency> DevicePlayback::follow_path(const AudioPath &path)
{
    song_.timeline().set_queued_buffers(queued_buffers_on(path));
    if (!ends_in_sound_server(path)) {
        return nullptr;
    }
    return follow_sound_server(stats_, song_.timeline(), handover_buffers_on(path));
}

} // namespace bassmod
