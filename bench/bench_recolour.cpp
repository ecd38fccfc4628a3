// bench_recolour.cpp: RecolourKeyPixels alone on the default plimsa, against the literal
// per-pixel pass and the floor of reading plimsa's bytes once; and on the two variants.
#include "bench_stage.h"
#include "demo.h"
#include "literal_recolour.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace
{

const Uint32 kRow = 32;

void SetBytes(benchmark::State &state, const SDL_Surface *key)
{
    state.SetBytesProcessed((int64_t)state.iterations() * key->h * key->pitch);
}

// The fast pass and the literal one must paint the same pixels, or comparing them means nothing.
bool SamePixels(SDL_Surface *key)
{
    SDL_Surface *screen = Stage().screen;
    size_t size = (size_t)screen->h * screen->pitch;
    SDL_Surface *saved = plimsa;
    plimsa = key;
    SDL_FillRect(screen, nullptr, 0);
    RecolourKeyPixels(screen, kRow);
    std::string fast((const char *)screen->pixels, size);
    SDL_FillRect(screen, nullptr, 0);
    LiteralRecolourKeyPixels(screen, key, kRow);
    plimsa = saved;
    return std::memcmp(fast.data(), screen->pixels, size) == 0;
}

// The key picture prepared, as the demo's loading prepares plimsa.
void RecolourFast(benchmark::State &state, SDL_Surface *(*key_of)())
{
    SDL_Surface *key = key_of();
    PrepareKeyPicture(key);
    if (SamePixels(key)) {
        plimsa = key;
        while (state.KeepRunning()) {
            RecolourKeyPixels(Stage().screen, kRow);
            benchmark::ClobberMemory();
        }
        SetBytes(state, key);
    } else {
        state.SkipWithError("the fast pass differs from the literal one");
    }
    plimsa = Stage().plimsa;
    PrepareKeyPicture(plimsa);
}

void RecolourLiteral(benchmark::State &state, SDL_Surface *(*key_of)())
{
    SDL_Surface *key = key_of();
    while (state.KeepRunning()) {
        LiteralRecolourKeyPixels(Stage().screen, key, kRow);
        benchmark::ClobberMemory();
    }
    SetBytes(state, key);
}

void ReadFloor(benchmark::State &state, SDL_Surface *(*key_of)())
{
    SDL_Surface *key = key_of();
    while (state.KeepRunning()) {
        Uint64 sum = SumPixelWords(key);
        benchmark::DoNotOptimize(sum);
    }
    SetBytes(state, key);
}

SDL_Surface *DefaultKey()
{
    return Stage().plimsa;
}

SDL_Surface *NoKey()
{
    return Stage().no_key;
}

SDL_Surface *AllKey()
{
    return Stage().all_key;
}

} // namespace

BENCHMARK_CAPTURE(RecolourFast, plimsa, DefaultKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(RecolourLiteral, plimsa, DefaultKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(ReadFloor, plimsa, DefaultKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(RecolourFast, no_key, NoKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
BENCHMARK_CAPTURE(RecolourFast, all_key, AllKey)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", FastestRepetition);
