// heard_clock.cpp: a libpulse record stream on the default sink's monitor, and the mapping from
// recorded samples to the moments the sink played them.
#include "heard_clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace test
{
namespace
{

using Clock = std::chrono::steady_clock;
constexpr auto kClockPeriod = std::chrono::milliseconds(2);
constexpr auto kConnectTimeout = std::chrono::seconds(10);

std::int64_t steady_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// Holds the threaded mainloop's lock for a scope.
class MainloopLock
{
  public:
    explicit MainloopLock(pa_threaded_mainloop *loop) : loop_(loop)
    {
        pa_threaded_mainloop_lock(loop_);
    }
    ~MainloopLock() { pa_threaded_mainloop_unlock(loop_); }
    MainloopLock(const MainloopLock &) = delete;
    MainloopLock &operator=(const MainloopLock &) = delete;

  private:
    pa_threaded_mainloop *loop_;
};

} // namespace

struct HeardClock::State {
    std::uint32_t rate = 0;
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    std::string server_name;
    std::string monitor;
    bool info_done = false;

    // Under the mainloop lock:
    std::vector<std::int16_t> samples;
    // Each reading: steady_clock minus the stream time, so a sample's moment is this plus its
    // index's duration. Kept sorted only when queried.
    std::vector<std::int64_t> offsets_ns;

    std::atomic<bool> sampling{false};
    std::thread sampler;

    ~State()
    {
        stop_sampler();
        if (loop != nullptr) {
            pa_threaded_mainloop_stop(loop);
        }
        if (stream != nullptr) {
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
        if (context != nullptr) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop != nullptr) {
            pa_threaded_mainloop_free(loop);
        }
    }

    void stop_sampler()
    {
        sampling = false;
        if (sampler.joinable()) {
            sampler.join();
        }
    }

    void read_available()
    {
        const void *data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0) {
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) {
                return;
            }
            const std::size_t count = bytes / sizeof(std::int16_t);
            if (data == nullptr) {
                samples.insert(samples.end(), count, 0); // a hole in the stream
            } else {
                const auto *pcm = static_cast<const std::int16_t *>(data);
                samples.insert(samples.end(), pcm, pcm + count);
            }
            pa_stream_drop(stream);
        }
    }

    // Asks the server for fresh timing and notes when, by its accounting, it was playing which
    // sample: the record stream's write index, plus what the source holds and the transport,
    // minus the owning sink's latency (the monitor sees samples that long before they play).
    void read_clock()
    {
        const MainloopLock lock(loop);
        pa_operation *update = pa_stream_update_timing_info(stream, on_timing_update, this);
        if (update == nullptr) {
            return;
        }
        while (pa_operation_get_state(update) == PA_OPERATION_RUNNING) {
            pa_threaded_mainloop_wait(loop);
        }
        pa_operation_unref(update);
        const pa_timing_info *timing = pa_stream_get_timing_info(stream);
        if (timing == nullptr || samples.empty()) {
            return; // nothing recorded yet: the sink is not running
        }
        const pa_sample_spec spec{PA_SAMPLE_S16NE, rate, 1};
        const auto played_usec =
            static_cast<std::int64_t>(
                pa_bytes_to_usec(static_cast<std::uint64_t>(timing->write_index), &spec)) +
            static_cast<std::int64_t>(timing->source_usec + timing->transport_usec) -
            static_cast<std::int64_t>(timing->sink_usec);
        // The timestamp is on the system's real-time clock; move it onto steady_clock.
        const std::int64_t real_to_steady_ns =
            steady_ns() - std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
        const std::int64_t stamp_ns =
            static_cast<std::int64_t>(timing->timestamp.tv_sec) * 1'000'000'000 +
            static_cast<std::int64_t>(timing->timestamp.tv_usec) * 1000 + real_to_steady_ns;
        offsets_ns.push_back(stamp_ns - played_usec * 1000);
    }

    static void on_timing_update(pa_stream *, int, void *userdata)
    {
        pa_threaded_mainloop_signal(static_cast<State *>(userdata)->loop, 0);
    }
};

namespace
{

void on_context_state(pa_context *, void *userdata)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(userdata), 0);
}

void on_stream_state(pa_stream *, void *userdata)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(userdata), 0);
}

void on_server_info(pa_context *, const pa_server_info *info, void *userdata)
{
    auto &state = *static_cast<HeardClock::State *>(userdata);
    if (info != nullptr) {
        state.server_name = info->server_name != nullptr ? info->server_name : "";
        if (info->server_version != nullptr) {
            state.server_name += std::string(" ") + info->server_version;
        }
        state.monitor =
            std::string(info->default_sink_name != nullptr ? info->default_sink_name : "") +
            ".monitor";
    }
    state.info_done = true;
    pa_threaded_mainloop_signal(state.loop, 0);
}

void on_read(pa_stream *, std::size_t, void *userdata)
{
    static_cast<HeardClock::State *>(userdata)->read_available();
}

// Waits, mainloop locked, until `done` or the timeout.
template <typename Done> bool wait_until(pa_threaded_mainloop *loop, Done done)
{
    const auto deadline = Clock::now() + kConnectTimeout;
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        pa_threaded_mainloop_wait(loop);
    }
    return true;
}

} // namespace

HeardClock::HeardClock(std::unique_ptr<State> state) : state_(std::move(state)) {}

HeardClock::~HeardClock() = default;

std::unique_ptr<HeardClock> HeardClock::start(std::uint32_t rate, std::string &error)
{
    auto state = std::make_unique<State>();
    state->rate = rate;
    state->loop = pa_threaded_mainloop_new();
    if (state->loop == nullptr) {
        error = "pa_threaded_mainloop_new failed";
        return nullptr;
    }
    state->context =
        pa_context_new(pa_threaded_mainloop_get_api(state->loop), "bassmod heard clock");
    if (state->context == nullptr) {
        error = "pa_context_new failed";
        return nullptr;
    }
    pa_context_set_state_callback(state->context, on_context_state, state->loop);
    if (pa_context_connect(state->context, std::getenv("PULSE_SERVER"), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr) < 0 ||
        pa_threaded_mainloop_start(state->loop) < 0) {
        error = std::string("cannot connect: ") + pa_strerror(pa_context_errno(state->context));
        return nullptr;
    }
    {
        const MainloopLock lock(state->loop);
        const bool ready = wait_until(state->loop, [&] {
            const pa_context_state_t now = pa_context_get_state(state->context);
            return now == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(now);
        });
        if (!ready || pa_context_get_state(state->context) != PA_CONTEXT_READY) {
            error =
                std::string("context not ready: ") + pa_strerror(pa_context_errno(state->context));
            return nullptr;
        }
        pa_operation *info =
            pa_context_get_server_info(state->context, on_server_info, state.get());
        if (info == nullptr || !wait_until(state->loop, [&] { return state->info_done; })) {
            error = "no server information";
            if (info != nullptr) {
                pa_operation_unref(info);
            }
            return nullptr;
        }
        pa_operation_unref(info);

        const pa_sample_spec spec{PA_SAMPLE_S16NE, rate, 1};
        state->stream = pa_stream_new(state->context, "monitor", &spec, nullptr);
        if (state->stream == nullptr) {
            error = "pa_stream_new failed";
            return nullptr;
        }
        pa_stream_set_state_callback(state->stream, on_stream_state, state->loop);
        pa_stream_set_read_callback(state->stream, on_read, state.get());
        // Small fragments keep the timing updates fresh; the clock itself counts latency out.
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(5000, &spec));
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        // libpulse gives every stream it connects the latency PULSE_LATENCY_MSEC asks for; the
        // recording keeps its small fragments whatever the program under measurement is told.
        const char *asked = std::getenv("PULSE_LATENCY_MSEC");
        const std::string client_latency = asked != nullptr ? asked : "";
        unsetenv("PULSE_LATENCY_MSEC");
        const int connected =
            pa_stream_connect_record(state->stream, state->monitor.c_str(), &attr, flags);
        if (asked != nullptr) {
            setenv("PULSE_LATENCY_MSEC", client_latency.c_str(), 1);
        }
        if (connected < 0) {
            error = std::string("cannot record: ") + pa_strerror(pa_context_errno(state->context));
            return nullptr;
        }
        const bool recording = wait_until(state->loop, [&] {
            const pa_stream_state_t now = pa_stream_get_state(state->stream);
            return now == PA_STREAM_READY || !PA_STREAM_IS_GOOD(now);
        });
        if (!recording || pa_stream_get_state(state->stream) != PA_STREAM_READY) {
            error = "record stream not ready on " + state->monitor;
            return nullptr;
        }
    }
    // Wait for the sink to run: a fresh server may hold its first samples back for a while.
    const auto deadline = Clock::now() + kConnectTimeout;
    for (;;) {
        {
            const MainloopLock lock(state->loop);
            if (state->samples.size() >= rate / 10) {
                break;
            }
        }
        if (Clock::now() > deadline) {
            error = "the sink's monitor delivers nothing";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    State *raw = state.get();
    raw->sampling = true;
    raw->sampler = std::thread([raw] {
        while (raw->sampling) {
            raw->read_clock();
            std::this_thread::sleep_for(kClockPeriod);
        }
    });
    return std::unique_ptr<HeardClock>(new HeardClock(std::move(state)));
}

void HeardClock::stop()
{
    state_->stop_sampler();
    const MainloopLock lock(state_->loop);
    if (state_->stream != nullptr) {
        pa_stream_set_read_callback(state_->stream, nullptr, nullptr);
    }
}

std::vector<std::int16_t> HeardClock::samples() const
{
    const MainloopLock lock(state_->loop);
    return state_->samples;
}

std::size_t HeardClock::clock_readings() const
{
    const MainloopLock lock(state_->loop);
    return state_->offsets_ns.size();
}

std::int64_t HeardClock::played_at_ns(std::uint64_t index) const
{
    std::vector<std::int64_t> offsets;
    {
        const MainloopLock lock(state_->loop);
        offsets = state_->offsets_ns;
    }
    if (offsets.empty()) {
        return 0;
    }
    // The stream's clock and steady_clock run at one rate; the median reading discards those a
    // late timing update or a descheduled sampler thread spoiled.
    const auto middle = offsets.begin() + static_cast<std::ptrdiff_t>(offsets.size() / 2);
    std::nth_element(offsets.begin(), middle, offsets.end());
    const std::int64_t offset = *middle;
    return offset + static_cast<std::int64_t>(index * 1'000'000'000ull / state_->rate);
}

const std::string &HeardClock::server_name() const
{
    return state_->server_name;
}

std::vector<std::uint64_t> find_clicks(const std::vector<std::int16_t> &samples,
                                       std::int16_t threshold, std::size_t quiet,
                                       std::size_t spacing)
{
    std::vector<std::uint64_t> clicks;
    const int low = threshold / 10;
    std::size_t quiet_run = 0;
    bool armed = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int magnitude = std::abs(static_cast<int>(samples[i]));
        if (magnitude < low) {
            armed = armed || ++quiet_run >= quiet;
            continue;
        }
        quiet_run = 0;
        if (armed && magnitude >= threshold && (clicks.empty() || i - clicks.back() >= spacing)) {
            clicks.push_back(i);
            armed = false;
        }
    }
    return clicks;
}

} // namespace test
