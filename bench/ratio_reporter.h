// ratio_reporter.h: the console report, followed by a summary of the ratios that the demo's
// speed targets are stated in.
#ifndef RATIO_REPORTER_H
#define RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

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

    // CPU seconds per iteration of each benchmark: the fastest repetition, and the median of
    // the repetitions where Google Benchmark reported one (preferred).
    std::map<std::string, double> fastest_;
    std::map<std::string, double> median_;
    bool had_errors_ = false;
};

#endif // RATIO_REPORTER_H
