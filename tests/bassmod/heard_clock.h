// heard_clock.h: records what a PulseAudio sink plays, through its monitor source, and tells
// when each recorded sample was played by the server's own accounting (the record stream's
// pa_stream_get_time, which counts the sink's latency out), on std::chrono::steady_clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace test
{

class HeardClock
{
  public:
    // Connects to the server in PULSE_SERVER and records the default sink's monitor, mono at
    // `rate` Hz; a helper thread samples the stream's clock every 2 ms. Null, with the reason in
    // `error`, on failure.
    static std::unique_ptr<HeardClock> start(std::uint32_t rate, std::string &error);
    ~HeardClock();
    HeardClock(const HeardClock &) = delete;
    HeardClock &operator=(const HeardClock &) = delete;

    // Stops recording; the results below stay.
    void stop();

    // Samples recorded so far (gaps in the stream are recorded as silence).
    std::vector<std::int16_t> samples() const;

    // The moment the server played recorded sample `index`, in steady_clock nanoseconds.
    // Meaningful once the clock has been sampled at least once (see clock_readings()).
    std::int64_t played_at_ns(std::uint64_t index) const;
    std::size_t clock_readings() const;

    // The name of the server's implementation, as it reports it ("pulseaudio" or PipeWire's).
    const std::string &server_name() const;

    struct State; // the mainloop, context and stream, and what they have recorded

  private:
    explicit HeardClock(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Indices of the sample that starts each click: the first sample whose magnitude reaches
// `threshold` after at least `quiet` samples below a tenth of it, and at least `spacing` samples
// after the previous click's start (so a dropout inside a click does not make two).
std::vector<std::uint64_t> find_clicks(const std::vector<std::int16_t> &samples,
                                       std::int16_t threshold, std::size_t quiet,
                                       std::size_t spacing);

} // namespace test
