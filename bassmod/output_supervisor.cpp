// output_supervisor.cpp: the device lock, the pause hand-over, reopening a lost output, and the
// bounded closing.
#include "output_supervisor.h"

#include <future>

namespace bassmod
{

namespace
{

Nanoseconds clock_now()
{
    return std::chrono::duration_cast<Nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

constexpr auto kSuperviseStep = std::chrono::milliseconds(50);

} // namespace

std::unique_ptr<OutputSupervisor> OutputSupervisor::open(Output output)
{
    std::unique_ptr<OutputSupervisor> supervisor(new OutputSupervisor(std::move(output)));
    const Output &opened = supervisor->output_;
    supervisor->device_ = AudioDevice::open(opened.rate, opened.callback, opened.userdata);
    if (!supervisor->device_) {
        return nullptr;
    }
    supervisor->follow_path();
    supervisor->supervisor_ = std::thread([raw = supervisor.get()] { raw->supervise(); });
    return supervisor;
}

OutputSupervisor::~OutputSupervisor()
{
    if (!closed_) {
        close_now();
    }
}

void OutputSupervisor::want_paused(bool paused)
{
    paused_wanted_.store(paused);
    const std::unique_lock lock(device_mutex_, std::try_to_lock);
    if (lock.owns_lock()) {
        apply_pause();
    } else {
        pause_pending_.store(true); // the supervisor, busy with the device, applies it next round
    }
}

void OutputSupervisor::apply_pause()
{
    const bool wanted = paused_wanted_.load();
    if (device_ && paused_ != wanted && AudioDevice::still_open()) {
        device_->set_paused(wanted);
        paused_ = wanted;
    }
}

bool OutputSupervisor::still_open()
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

void OutputSupervisor::supervise()
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
        if (output_.playing.load()) {
            // A server that goes away may leave the device calling back with nothing to play
            // into (SDL 2 under sdl12-compat does); SDL then reports it stopped. Seen twice in a
            // row, so that a program's own SDL_Quit, which passes through that state for an
            // instant, is not taken for it.
            const bool stopped = output_.stats.device_stopped();
            // A server that went away says so to our own connection, even where SDL goes on
            // calling back into nothing and reports the device playing (SDL 2 under
            // sdl12-compat does, with a window open). Only this thread replaces the pointer.
            const bool server_lost = server_latency_ && server_latency_->server_lost();
            lost = output_.stats.overdue(now) || (stopped && stopped_before) || server_lost;
            stopped_before = stopped;
        }
        if (lost && now >= next_attempt) {
            next_attempt = now + kReopenInterval;
            reopen();
        }
        lock.lock();
    }
}

void OutputSupervisor::reopen()
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
    device_ = AudioDevice::open(output_.rate, output_.callback, output_.userdata);
    if (!device_) {
        return;
    }
    output_.stats.forget_stop();
    follow_path();
    paused_ = true; // a device opens paused
    apply_pause();
}

void OutputSupervisor::follow_path()
{
    server_latency_ = output_.follow_path(device_->path());
}

void OutputSupervisor::close_now()
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

void OutputSupervisor::stay_if_abandoned() const
{
    // The program may be exiting by now, tearing down the heap that the mutexes and the
    // closing's result live in (the C runtime on Windows does): a thread that went on would
    // touch freed memory. It waits for the process to end instead, holding what it holds.
    while (abandoned_.load()) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

bool OutputSupervisor::close(std::chrono::milliseconds bound)
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
