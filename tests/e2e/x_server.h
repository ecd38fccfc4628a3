// x_server.h: a private Xvfb server for one test, on a display number the server picks itself.
#pragma once

#include <string>
#include <sys/types.h>

// Xlib's display, declared here so that tests need not see Xlib's macros (None, Bool, ...),
// which clash with GoogleTest.
struct _XDisplay;

namespace e2e
{

using XDisplay = _XDisplay;
// An X window id; 0 is no window.
using WindowId = unsigned long;
constexpr WindowId kNoWindow = 0;

class XServer
{
  public:
    // Starts Xvfb (1024x768, 24-bit, no reset when the last client leaves). The first use of
    // name() or display() waits until it accepts connections, so a test can prepare its files
    // meanwhile; it throws std::runtime_error when the server does not come up.
    XServer();
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    // The display name, ":N".
    const std::string &name();
    // The test's own connection to the server.
    XDisplay *display();

  private:
    void AwaitReady();

    pid_t pid_ = -1;
    int display_fd_ = -1;
    std::string name_;
    XDisplay *display_ = nullptr;
};

// A display name that no server answers on.
std::string UnusedDisplayName();

} // namespace e2e
