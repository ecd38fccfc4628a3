// bench_main.cpp: runs the demo's benchmarks headless on the default asset set and prints the
// ratios of the speed targets.
//   bench_demo [--assets=DIR] [--require_targets] [Google Benchmark flags]
// --assets: the folder with the nine pictures (default: the build's asset set).
// --require_targets: exit with status 1 when a ratio misses its target.
// Exits with status 1 as well when a benchmark fails its set-up, for example when the fast
// recolouring paints other pixels than the literal pass.
#include "bench_stage.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef BENCH_ASSET_DIR
#define BENCH_ASSET_DIR "assets"
#endif

namespace
{

struct Options {
    std::string asset_dir = BENCH_ASSET_DIR;
    bool require_targets = false;
};

// Takes this program's own flags out of argv, leaving the rest to Google Benchmark.
Options TakeOptions(int *argc, char **argv)
{
    Options options;
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        if (std::strncmp(argv[i], "--assets=", 9) == 0)
            options.asset_dir = argv[i] + 9;
        else if (std::strcmp(argv[i], "--require_targets") == 0)
            options.require_targets = true;
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    argv[kept] = nullptr;
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    Options options = TakeOptions(&argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    // Headless unless told otherwise; the dummy driver's flip copies nothing.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    std::string failure = OpenBenchStage(options.asset_dir);
    if (!failure.empty()) {
        std::fprintf(stderr, "bench_demo: %s\n", failure.c_str());
        CloseBenchStage();
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bool met = reporter.PrintSummary();
    benchmark::Shutdown();
    CloseBenchStage();
    if (reporter.HadErrors())
        return 1;
    return options.require_targets && !met ? 1 : 0;
}
