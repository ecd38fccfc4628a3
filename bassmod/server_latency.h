// server_latency.h: asks the PulseAudio-protocol sound server (PulseAudio, or PipeWire's pulse
// server) how long the audio of this process's own playback stream waits in it before it is
// heard: the sink input whose application.process.id is ours, its buffer and sink latency. It
// asks ten times a second from libpulse's own thread, so neither the audio callback nor the
// program's thread ever waits for the server.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace bassmod
{

class ServerLatency
{
  public:
    struct Answer {
        std::int64_t asked_ns;    // steady-clock moment the question was sent
        std::int64_t answered_ns; // and the answer came
        std::uint64_t latency_us; // of the stream's audio written so far
    };

    // Connects to the server libpulse finds (PULSE_SERVER, or the user's), without starting
    // one, and from then on hands every answer to `on_answer`, on libpulse's thread; `on_ask`
    // runs on that thread just before each question. Null if libpulse cannot start; a server
    // that is absent or goes away just never answers.
    static std::unique_ptr<ServerLatency> start(std::function<void()> on_ask,
                                                std::function<void(const Answer &)> on_answer);

    // True once the server, after it had answered the connection, went away (died or
    // restarted): every stream this process had on it has gone with it.
    bool server_lost() const;

    // Stops libpulse's thread; it never waits for the server.
    ~ServerLatency();
    ServerLatency(const ServerLatency &) = delete;
    ServerLatency &operator=(const ServerLatency &) = delete;

    struct State;

  private:
    explicit ServerLatency(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace bassmod
