// ratio_reporter.h: the console report, followed by a summary of the ratios that the demo's
// speed targets are stated in.
#ifndef RATIO_REPORTER_H
#define RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The "min" statistic over repetitions, which every benchmark here adds, so that the summary
// can use the fastest repetition even when only aggregates are reported.
double FastestRepetition(const std::vector<double> &values);

class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override;

    // Prints one line per ratio whose two benchmarks both ran. Returns false if a ratio missed
    // its target.
    bool PrintSummary();

    // True when a benchmark stopped with an error (a failed check of its set-up).
    bool HadErrors() const { return had_errors_; }

  private:
    // CPU seconds per iteration, 0 if the benchmark did not run.
    double Seconds(const std::string &name) const;

    // CPU seconds per iteration of each benchmark, its fastest repetition.
    std::map<std::string, double> fastest_;
    bool had_errors_ = false;
};

#endif // RATIO_REPORTER_H
