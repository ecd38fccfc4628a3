// x_server.cpp: starts Xvfb with -displayfd, so that parallel tests never race for a number.
#include "x_server.h"

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e
{
namespace
{

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(20);

// Windows of the demo may vanish at any moment, between two requests about them: the requests
// then fail, which the callers see in their results, instead of ending the test process.
int IgnoreXError(Display *, XErrorEvent *)
{
    return 0;
}

[[noreturn]] void ExecXvfb(int display_fd)
{
    // The server goes when the test goes, even when a timeout kills the test.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    const std::string fd = std::to_string(display_fd);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
           "1024x768x24", static_cast<char *>(nullptr));
    _exit(127);
}

// Reads the display number Xvfb writes once it listens; empty on timeout or early exit.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, 100) <= 0) {
            continue;
        }
        char c;
        if (read(fd, &c, 1) != 1) {
            break; // the server closed the pipe without a number: it failed
        }
        if (c == '\n') {
            return number;
        }
        number += c;
    }
    return number;
}

} // namespace

XServer::XServer()
{
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        close(fds[0]);
        ExecXvfb(fds[1]);
    }
    close(fds[1]);
    display_fd_ = fds[0];
}

const std::string &XServer::name()
{
    AwaitReady();
    return name_;
}

XDisplay *XServer::display()
{
    AwaitReady();
    return display_;
}

void XServer::AwaitReady()
{
    if (display_) {
        return;
    }
    if (display_fd_ < 0) {
        throw std::runtime_error("Xvfb failed to start earlier");
    }
    const std::string number = ReadDisplayNumber(display_fd_);
    close(display_fd_);
    display_fd_ = -1;
    if (number.empty()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start");
    }
    name_ = ":" + number;
    XSetErrorHandler(IgnoreXError);

    const auto deadline = Clock::now() + kStartTimeout;
    while (!(display_ = XOpenDisplay(name_.c_str())) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!display_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb on " + name_ + " accepts no connection");
    }
}

XServer::~XServer()
{
    if (display_fd_ >= 0) {
        close(display_fd_);
    }
    if (display_) {
        XCloseDisplay(display_);
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::string UnusedDisplayName()
{
    for (int number = 900;; ++number) {
        const std::string n = std::to_string(number);
        if (!std::filesystem::exists("/tmp/.X" + n + "-lock") &&
            !std::filesystem::exists("/tmp/.X11-unix/X" + n)) {
            return ":" + n;
        }
    }
}

} // namespace e2e
