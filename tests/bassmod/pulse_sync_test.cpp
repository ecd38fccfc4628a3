// pulse_sync_test.cpp: the reported position against what a real sound server plays. A private
// PulseAudio daemon with a null sink; a click track played through the library's operations on
// each audio path this SDL offers to reach it; the moment each row is first reported compared
// with the moment the server plays its click (from the sink monitor's stream clock).
#include "bassmod.h"
#include "library_fixture.h"
#include "pulse_server.h"
#include "sync_probe.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

// A buffer of 512 frames, the smallest any path uses, lasts 11.6 ms: a miscounted buffer in
// flight puts the median far outside this.
constexpr double kToleranceMs = 3.0;
constexpr std::size_t kMinimumRows = 50; // of the 62 measured; the rest a busy poller may miss
constexpr int kAttempts = 3;
// With 80 ms of client buffering the server takes audio in uneven bursts: single play-throughs
// scatter more. A wrong model misses by tens of milliseconds in every one.
constexpr int kAttemptsWithLargeBuffers = 6;
// sdl12-compat's PulseAudio path with 80 ms of client buffering: SDL 2 keeps back a part of the
// latest buffer that depends on where the server's requests fell when its stream started, which
// neither SDL nor the server tells (see the README's sync figures). Runs measured 2 to 5 ms
// early; this still tells a model that miscounts a buffer (23 ms) from one that holds.
constexpr double kToleranceUnseenPhaseMs = 8.0;

class PulseSyncTest : public test::LibraryTest
{
  protected:
    static void SetUpTestSuite() { server_ = test::PulseServer::start(error_); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override { ASSERT_TRUE(server_) << "no PulseAudio server: " << error_; }

    // Plays the click track on `driver` until one play-through holds: enough rows heard and
    // their median offset within the tolerance. A busy machine may starve the audio thread or
    // the server in one play-through (audio drops out, rows go unheard, the median shifts by
    // the dropout); a wrong model fails every one.
    static void expect_in_sync(const char *driver, int attempts = kAttempts,
                               double tolerance_ms = kToleranceMs)
    {
        setenv("SDL_AUDIODRIVER", driver, 1);
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            const test::SyncMeasurement run = test::measure_sync_once();
            const test::SyncSummary summary = test::summarise(run.offsets_ms);
            const char *latency = std::getenv("PULSE_LATENCY_MSEC");
            const std::string buffering =
                latency != nullptr ? std::string(", client ") + latency + " ms" : "";
            std::printf("%s on %s (%s%s), play-through %d: reported minus heard: median %+.2f "
                        "ms, p5 %+.2f, p95 %+.2f (%zu rows)%s%s\n",
                        driver, run.server.c_str(),
                        test::is_sdl12_compat() ? "sdl12-compat" : "SDL 1.2", buffering.c_str(),
                        attempt, summary.median_ms, summary.p5_ms, summary.p95_ms,
                        run.offsets_ms.size(), run.error.empty() ? "" : "; ", run.error.c_str());
            if (run.error.empty() && run.offsets_ms.size() >= kMinimumRows &&
                std::fabs(summary.median_ms) <= tolerance_ms) {
                return;
            }
        }
        ADD_FAILURE() << driver << ": no play-through of " << attempts
                      << " had its median offset within " << tolerance_ms << " ms";
    }

    static std::unique_ptr<test::PulseServer> server_;
    static std::string error_;
};

std::unique_ptr<test::PulseServer> PulseSyncTest::server_;
std::string PulseSyncTest::error_;

TEST_F(PulseSyncTest, PulseBackendReportsRowsWhenTheServerPlaysThem)
{
    // SDL 2 (under sdl12-compat) names its backend "pulseaudio".
    expect_in_sync(test::is_sdl12_compat() ? "pulseaudio" : "pulse");
}

TEST_F(PulseSyncTest, AlsaThroughThePulsePluginReportsRowsWhenTheServerPlaysThem)
{
    expect_in_sync("alsa");
}

// A client that asks the server for far more buffering than SDL does (libpulse applies
// PULSE_LATENCY_MSEC to the player's stream, not to the recording): the server's answer follows.
TEST_F(PulseSyncTest, BothPathsStayInSyncWithTheClientsBufferingChanged)
{
    setenv("PULSE_LATENCY_MSEC", "80", 1);
    if (test::is_sdl12_compat()) {
        expect_in_sync("pulseaudio", kAttemptsWithLargeBuffers, kToleranceUnseenPhaseMs);
    } else {
        expect_in_sync("pulse", kAttemptsWithLargeBuffers);
    }
    expect_in_sync("alsa", kAttemptsWithLargeBuffers);
    unsetenv("PULSE_LATENCY_MSEC");
}

} // namespace
