// ratio_reporter.cpp: collects each benchmark's time per iteration and prints the ratios
// between them, each against its target where it has one.
#include "ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace
{

enum class Target { None, AtMost, AtLeast };

struct Ratio {
    const char *label;
    const char *numerator;
    const char *denominator;
    Target target;
    double limit;
};

const Ratio kRatios[] = {
    {"scene-5 frame / scene-0 frame", "DrawScreenScene/scene5", "DrawScreenScene/scene0",
     Target::AtMost, 1.05},
    {"scene-5 frame, no key / scene-0 frame", "DrawScreenScene/scene5_no_key",
     "DrawScreenScene/scene0", Target::None, 0},
    {"scene-5 frame, all key / scene-0 frame", "DrawScreenScene/scene5_all_key",
     "DrawScreenScene/scene0", Target::None, 0},
    {"RecolourKeyPixels / read floor", "RecolourFast/plimsa", "ReadFloor/plimsa", Target::AtMost,
     1.0},
    {"literal pass / RecolourKeyPixels", "RecolourLiteral/plimsa", "RecolourFast/plimsa",
     Target::AtLeast, 8.0},
};

// True when the run stopped on a failed check of its set-up.
bool RunFailed(const benchmark::BenchmarkReporter::Run &run)
{
#ifdef BENCH_RUN_HAS_SKIPPED
    return run.skipped == benchmark::internal::SkippedWithError;
#else
    return run.error_occurred;
#endif
}

// True when the run measured nothing: it failed, or (from Google Benchmark 1.8) skipped itself.
bool RunMeasuredNothing(const benchmark::BenchmarkReporter::Run &run)
{
#ifdef BENCH_RUN_HAS_SKIPPED
    return run.skipped != benchmark::internal::NotSkipped || run.iterations == 0;
#else
    return run.error_occurred || run.iterations == 0;
#endif
}

} // namespace

double FastestRepetition(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void RatioReporter::ReportRuns(const std::vector<Run> &runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        had_errors_ = had_errors_ || RunFailed(run);
        if (RunMeasuredNothing(run))
            continue;
        double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const std::string &name = run.run_name.function_name;
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min")
            continue;
        auto found = fastest_.find(name);
        if (found == fastest_.end())
            fastest_[name] = seconds;
        else
            found->second = std::min(found->second, seconds);
    }
}

double RatioReporter::Seconds(const std::string &name) const
{
    auto fastest = fastest_.find(name);
    return fastest != fastest_.end() ? fastest->second : 0;
}

bool RatioReporter::PrintSummary()
{
    bool all_met = true;
    std::ostream &out = GetOutputStream();
    out << "\nRatios of CPU time per iteration (fastest repetition of each):\n";
    for (const Ratio &ratio : kRatios) {
        double numerator = Seconds(ratio.numerator);
        double denominator = Seconds(ratio.denominator);
        if (numerator <= 0 || denominator <= 0)
            continue;
        double value = numerator / denominator;
        char line[160];
        int length = std::snprintf(line, sizeof line, "  %-40s %7.3f", ratio.label, value);
        if (ratio.target != Target::None) {
            bool met = ratio.target == Target::AtMost ? value <= ratio.limit : value >= ratio.limit;
            all_met = all_met && met;
            std::snprintf(line + length, sizeof line - length, "   target %s %.2f: %s",
                          ratio.target == Target::AtMost ? "<=" : ">=", ratio.limit,
                          met ? "met" : "MISSED");
        }
        out << line << "\n";
    }
    out.flush();
    return all_met;
}
