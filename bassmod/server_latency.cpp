// server_latency.cpp: the libpulse threaded main loop, its context and the periodic question.
#include "server_latency.h"

#include <pulse/pulseaudio.h>

#include <atomic>
#include <chrono>
#include <string>
#include <unistd.h>

namespace bassmod
{

namespace
{

constexpr pa_usec_t kAskInterval = 100'000; // microseconds

std::int64_t steady_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

struct ServerLatency::State {
    std::function<void()> on_ask;
    std::function<void(const Answer &)> on_answer;
    std::string pid = std::to_string(::getpid());
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    std::int64_t asked_ns = 0;
    bool asking = false; // a question is waiting for its answer
    bool connected = false;
    std::atomic<bool> lost{false};

    ~State()
    {
        if (loop != nullptr) {
            pa_threaded_mainloop_stop(loop);
        }
        if (context != nullptr) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop != nullptr) {
            pa_threaded_mainloop_free(loop);
        }
    }

    static void on_state(pa_context *context, void *userdata)
    {
        auto &state = *static_cast<State *>(userdata);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            state.connected = true;
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            // A server never reached says nothing of the output SDL found; one that went away
            // took this process's streams with it.
            if (state.connected) {
                state.lost.store(true, std::memory_order_relaxed);
            }
            break;
        default:
            break;
        }
    }

    static void on_sink_input(pa_context * /*context*/, const pa_sink_input_info *info, int eol,
                              void *userdata)
    {
        auto &state = *static_cast<State *>(userdata);
        if (eol != 0) {
            state.asking = false;
            return;
        }
        const char *owner = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
        if (owner != nullptr && state.pid == owner && info->corked == 0) {
            state.on_answer({state.asked_ns, steady_ns(), info->buffer_usec + info->sink_usec});
        }
    }

    static void ask(pa_mainloop_api * /*api*/, pa_time_event *timer, const timeval * /*when*/,
                    void *userdata)
    {
        auto &state = *static_cast<State *>(userdata);
        if (pa_context_get_state(state.context) == PA_CONTEXT_READY && !state.asking) {
            state.on_ask();
            state.asked_ns = steady_ns();
            if (pa_operation *operation =
                    pa_context_get_sink_input_info_list(state.context, on_sink_input, &state)) {
                state.asking = true;
                pa_operation_unref(operation);
            }
        }
        pa_context_rttime_restart(state.context, timer, pa_rtclock_now() + kAskInterval);
    }
};

std::unique_ptr<ServerLatency> ServerLatency::start(std::function<void()> on_ask,
                                                    std::function<void(const Answer &)> on_answer)
{
    auto state = std::make_unique<State>();
    state->on_ask = std::move(on_ask);
    state->on_answer = std::move(on_answer);
    state->loop = pa_threaded_mainloop_new();
    if (state->loop == nullptr) {
        return nullptr;
    }
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(state->loop);
    state->context = pa_context_new(api, "bassmod latency");
    if (state->context == nullptr) {
        return nullptr;
    }
    pa_context_set_state_callback(state->context, State::on_state, state.get());
    if (pa_context_connect(state->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return nullptr;
    }
    pa_context_rttime_new(state->context, pa_rtclock_now() + kAskInterval, State::ask, state.get());
    if (pa_threaded_mainloop_start(state->loop) < 0) {
        return nullptr;
    }
    return std::unique_ptr<ServerLatency>(new ServerLatency(std::move(state)));
}

ServerLatency::ServerLatency(std::unique_ptr<State> state) : state_(std::move(state)) {}

bool ServerLatency::server_lost() const
{
    return state_->lost.load(std::memory_order_relaxed);
}

ServerLatency::~ServerLatency() = default;

} // namespace bassmod
