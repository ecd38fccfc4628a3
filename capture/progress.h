// progress.h: the progress bar on standard error (only when it is a terminal) and the summary
// line at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace capture
{

class Progress
{
  public:
    // `what` names the work, e.g. the output file; `total` frames are to come.
    Progress(std::string what, std::int64_t total);

    // `done` frames of the total are finished; redraws the bar when it has moved.
    void update(std::int64_t done);

    // Clears the bar and prints the summary: frames, duration at `fps`, time taken, speed.
    void summary(int fps);

  private:
    std::string what_;
    std::int64_t total_;
    bool terminal_;
    int drawn_ = -1; // last permille drawn
    std::chrono::steady_clock::time_point start_;
};

} // namespace capture
