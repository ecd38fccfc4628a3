// quiet_stdout.h: sends standard output to /dev/null while a benchmark draws scene 5, whose
// frames print their row, and restores it for the report.
#ifndef QUIET_STDOUT_H
#define QUIET_STDOUT_H

class QuietStdout
{
  public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout &) = delete;
    QuietStdout &operator=(const QuietStdout &) = delete;

  private:
    int saved_fd_;
};

#endif // QUIET_STDOUT_H
