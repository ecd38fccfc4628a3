// device_playback.cpp: the audio callback, the library's own clock while the device takes no
// audio, and the supervisor that opens a lost output again.
#include "device_playback.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

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
constexpr auto kSuperviseStep = std::chrono::milliseconds(50);
// A server's answers are used once this many have come, and only those that came this quickly.
constexpr std::size_t kFirstAnswers = 5;
constexpr Nanoseconds kLongestRoundTrip = std::chrono::milliseconds(8);

} // namespace

DevicePlayback::DevicePlayback(std::uint32_t rate)
    : rate_(rate), song_(rate), scratch_(kScratchFrames * 2)
{
}

std::unique_ptr<DevicePlayback> DevicePlayback::open(std::uint32_t rate)
{
    std::unique_ptr<DevicePlayback> playback(new DevicePlayback(rate));
    playback->device_ = AudioDevice::open(rate, audio_callback, playback.get());
    if (!playback->device_) {
        return nullptr;
    }
    playback->follow_path();
    playback->supervisor_ = std::thread([raw = playback.get()] { raw->supervise(); });
    return playback;
}

DevicePlayback::~DevicePlayback()
{
    if (!closed_) {
        close_now();
    }
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
    playback.device_stopped_.store(SDL_GetAudioStatus() == SDL_AUDIO_STOPPED,
                                   std::memory_order_relaxed);
    playback.last_callback_ns_.store(now.count(), std::memory_order_relaxed);
    playback.callback_frames_.store(static_cast<std::uint32_t>(frames), std::memory_order_relaxed);
    playback.callbacks_.fetch_add(1, std::memory_order_release);
}

void DevicePlayback::want_paused(bool paused)
{
    paused_wanted_.store(paused);
    const std::unique_lock lock(device_mutex_, std::try_to_lock);
    if (lock.owns_lock()) {
        apply_pause();
    } else {
        pause_pending_.store(true); // the supervisor, busy with the device, applies it next round
    }
}

void DevicePlayback::apply_pause()
{
    const bool wanted = paused_wanted_.load();
    if (device_ && paused_ != wanted && AudioDevice::still_open()) {
        device_->set_paused(wanted);
        paused_ = wanted;
    }
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
        want_paused(true);
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
        last_callback_ns_.store(now);
        playing_.store(true);
    }
    want_paused(false);
    return true;
}

bool DevicePlayback::overdue(Nanoseconds now) const
{
    return now.count() - last_callback_ns_.load(std::memory_order_relaxed) >
           Nanoseconds(kStallBound).count();
}

PackedPosition DevicePlayback::position()
{
    if (const auto fixed = song_.position_without_clock()) {
        return *fixed;
    }
    const Nanoseconds now = clock_now();
    if (overdue(now)) {
        const std::lock_guard lock(song_mutex_);
        keep_time_alone(now);
    }
    return song_.timeline().heard_at(now);
}

void DevicePlayback::keep_time_alone(Nanoseconds now)
{
    if (!overdue(now)) {
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

bool DevicePlayback::still_open()
{
    // Tried rather than waited on with a timed mutex: libstdc++ waits on one with
    // pthread_mutex_clocklock, which ThreadSanitizer does not see, so it then takes the unlock
    // for a fault.
    std::unique_lock lock(device_mutex_, std::defer_lock);
    const auto give_up = std::chrono::steady_clock::now() + kSuperviseStep;
    while (!lock.try_lock()) {
        if (std::chrono::steady_clock::now() >= give_up) {
            return true; // the supervisor is opening it again
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return !shut_down_elsewhere_ && AudioDevice::still_open();
}

void DevicePlayback::supervise()
{
    Nanoseconds next_attempt{0};
    bool stopped_before = false;
    std::unique_lock lock(stop_mutex_);
    while (!stop_signal_.wait_for(lock, kSuperviseStep, [this] { return stopping_; })) {
        lock.unlock();
        // Only a pending pause or a lost output makes this thread call SDL: the program may call
        // SDL_Quit at any moment, and SDL's audio state is not safe to touch under it.
        if (pause_pending_.exchange(false)) {
            const std::lock_guard device_lock(device_mutex_);
            apply_pause();
        }
        const Nanoseconds now = clock_now();
        bool lost = false;
        if (playing_.load()) {
            // A server that goes away may leave the device calling back with nothing to play
            // into (SDL 2 under sdl12-compat does); SDL then reports it stopped. Seen twice in a
            // row, so that a program's own SDL_Quit, which passes through that state for an
            // instant, is not taken for it.
            const bool stopped = device_stopped_.load(std::memory_order_relaxed);
            // A server that went away says so to our own connection, even where SDL goes on
            // calling back into nothing and reports the device playing (SDL 2 under
            // sdl12-compat does, with a window open). Only this thread replaces the pointer.
            const bool server_lost = server_latency_ && server_latency_->server_lost();
            lost = overdue(now) || (stopped && stopped_before) || server_lost;
            stopped_before = stopped;
        }
        if (lost && now >= next_attempt) {
            next_attempt = now + kReopenInterval;
            reopen();
        }
        lock.lock();
    }
}

void DevicePlayback::reopen()
{
    const std::lock_guard lock(device_mutex_);
    if (shut_down_elsewhere_) {
        return;
    }
    if (device_) {
        if (!AudioDevice::still_open()) {
            shut_down_elsewhere_ = true; // the program quit SDL's audio: leave it so
            return;
        }
        server_latency_.reset();
        device_.reset(); // waits for SDL's audio thread, which a blocked driver may hold
        stay_if_abandoned();
    }
    device_ = AudioDevice::open(rate_, audio_callback, this);
    if (!device_) {
        return;
    }
    device_stopped_.store(false, std::memory_order_relaxed);
    follow_path();
    paused_ = true; // a device opens paused
    apply_pause();
}

void DevicePlayback::close_now()
{
    {
        const std::lock_guard lock(stop_mutex_);
        stopping_ = true;
    }
    stop_signal_.notify_all();
    if (supervisor_.joinable()) {
        supervisor_.join();
    }
    stay_if_abandoned();
    const std::lock_guard lock(device_mutex_);
    server_latency_.reset();
    device_.reset();
    stay_if_abandoned();
    closed_ = true;
}

void DevicePlayback::follow_path()
{
    const AudioPath &path = device_->path();
    song_.timeline().set_queued_buffers(queued_buffers_on(path));
    handover_buffers_ = handover_buffers_on(path);
    answers_ = 0;
    if (!ends_in_sound_server(path)) {
        return;
    }
    server_latency_ = ServerLatency::start(
        [this] {
            callbacks_when_asked_ = callbacks_.load(std::memory_order_acquire);
            callback_ns_when_asked_ = last_callback_ns_.load(std::memory_order_relaxed);
        },
        [this](const ServerLatency::Answer &answer) { take_server_answer(answer); });
}

void DevicePlayback::take_server_answer(const ServerLatency::Answer &answer)
{
    const std::uint32_t frames = callback_frames_.load(std::memory_order_relaxed);
    if (callbacks_.load(std::memory_order_acquire) != callbacks_when_asked_ ||
        callbacks_when_asked_ == 0 || frames == 0) {
        return; // a callback came in between: which buffer the server had is unclear
    }
    if (answer.answered_ns - answer.asked_ns > kLongestRoundTrip.count()) {
        return; // a busy machine or server: the moment the answer holds for is unclear
    }
    // The answer holds for the moment halfway between question and answer.
    const std::int64_t asked_at = answer.asked_ns + (answer.answered_ns - answer.asked_ns) / 2;
    const double queued =
        queued_buffers_from_server(std::chrono::microseconds(answer.latency_us),
                                   Nanoseconds(asked_at - callback_ns_when_asked_), frames,
                                   song_.timeline().sample_rate(), handover_buffers_);
    recent_queued_[answers_ % recent_queued_.size()] = queued;
    ++answers_;
    if (answers_ < kFirstAnswers) {
        return; // a stream that has just started may still be filling the server's buffer
    }
    const std::size_t count = std::min(answers_, recent_queued_.size());
    std::array<double, kRecentAnswers> sorted = recent_queued_;
    std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
    song_.timeline().set_queued_buffers(sorted[count / 2]);
}

void DevicePlayback::stay_if_abandoned() const
{
    // The program may be exiting by now, tearing down the heap that the mutexes and the
    // closing's result live in (the C runtime on Windows does): a thread that went on would
    // touch freed memory. It waits for the process to end instead, holding what it holds.
    while (abandoned_.load()) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

bool DevicePlayback::close(std::chrono::milliseconds bound)
{
    // SDL closes the device by waiting for its audio thread, which a blocked driver may hold
    // for ever; so the closing happens on a thread of its own, waited for within the bound.
    std::packaged_task<void()> task([this] { close_now(); });
    std::future<void> closed = task.get_future();
    std::thread closer(std::move(task));
    if (closed.wait_for(bound) != std::future_status::ready) {
        abandoned_.store(true);
        closer.detach();
        return false;
    }
    closer.join();
    return true;
}

} // namespace bassmod
