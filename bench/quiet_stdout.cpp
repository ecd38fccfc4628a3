// quiet_stdout.cpp: standard output to /dev/null and back, flushing at each switch so that no
// buffered text ends up on the wrong side.
#include "quiet_stdout.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QuietStdout::QuietStdout() : saved_fd_(-1)
{
    std::fflush(stdout);
    int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null_fd < 0)
        return;
    saved_fd_ = dup(STDOUT_FILENO);
    if (saved_fd_ >= 0 && dup2(null_fd, STDOUT_FILENO) < 0) {
        close(saved_fd_);
        saved_fd_ = -1;
    }
    close(null_fd);
}

QuietStdout::~QuietStdout()
{
    std::fflush(stdout);
    if (saved_fd_ < 0)
        return;
    dup2(saved_fd_, STDOUT_FILENO);
    close(saved_fd_);
}
