// bench_stage.h: what the benchmarks draw on: the dummy video screen, the default picture set
// and two variants of the key picture.
#ifndef BENCH_STAGE_H
#define BENCH_STAGE_H

#include "SDL.h"

#include <string>

struct BenchStage {
    SDL_Surface *screen;
    SDL_Surface *plimsa;  // the default key picture, as loaded
    SDL_Surface *no_key;  // the same picture with every key pixel nudged to (254, 0, 0)
    SDL_Surface *all_key; // 800x480, every pixel pure red, in plimsa's format
};

// Starts SDL video, sets the demo's 800x480x16 mode and loads the nine pictures from
// `asset_dir` into the picture set. Returns an empty string on success, else what failed.
std::string OpenBenchStage(const std::string &asset_dir);

// Valid between a successful OpenBenchStage and CloseBenchStage.
const BenchStage &Stage();

// Frees the pictures and shuts SDL down.
void CloseBenchStage();

#endif // BENCH_STAGE_H
