// bench_frames.cpp: DrawScreen per scene on the dummy video screen. Scene 0 is a plain
// converting blit; scene 5 adds the row's printf and the recolouring, with the default plimsa,
// one without any key pixel and one that is all key.
#include "bench_stage.h"
#include "demo.h"
#include "fixed_music.h"
#include "quiet_stdout.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

namespace
{

const Uint32 kRow = 32;

Uint32 Position(Uint32 order)
{
    return kRow << 16 | order;
}

enum class KeyPicture { Default, NoKey, AllKey };

SDL_Surface *Picture(KeyPicture which)
{
    switch (which) {
    case KeyPicture::NoKey:
        return Stage().no_key;
    case KeyPicture::AllKey:
        return Stage().all_key;
    default:
        return Stage().plimsa;
    }
}

// The key picture prepared, as the demo's loading prepares plimsa.
void DrawScreenScene(benchmark::State &state, Uint32 order, KeyPicture key)
{
    plimsa = Picture(key);
    PrepareKeyPicture(plimsa);
    SetFixedMusicPosition(Position(order));
    QuietStdout quiet;
    while (state.KeepRunning())
        DrawScreen(Stage().screen);
    plimsa = Stage().plimsa;
    PrepareKeyPicture(plimsa);
}

} // namespace

BENCHMARK_CAPTURE(DrawScreenScene, scene0, 0, KeyPicture::Default)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(DrawScreenScene, scene5, 5, KeyPicture::Default)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(DrawScreenScene, scene5_no_key, 5, KeyPicture::NoKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(DrawScreenScene, scene5_all_key, 5, KeyPicture::AllKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
