// x_window.h: what the tests ask the X server about the demo's window: where it is, what it
// shows, and the messages a window manager would send it.
#pragma once

#include "demo_process.h"
#include "x_server.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace e2e
{

// Mapped children of the root window, that is the visible top-level windows.
std::vector<WindowId> VisibleTopLevelWindows(XDisplay *display);

// Waits for the demo's top-level window to be visible and to stay so; nullopt if the demo exits
// first or the timeout passes.
std::optional<WindowId> WaitForWindow(XDisplay *display, DemoProcess &demo,
                                      std::chrono::milliseconds timeout);

struct Geometry {
    int x, y;
    unsigned width, height;
};
Geometry WindowGeometry(XDisplay *display, WindowId window);

// A window's contents, one 0xRRGGBB value per pixel, rows top to bottom.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
Screenshot Capture(XDisplay *display, WindowId window);

// True when the window lists WM_DELETE_WINDOW in its WM_PROTOCOLS.
bool AcceptsDeleteWindow(XDisplay *display, WindowId window);
// Sends WM_PROTOCOLS / WM_DELETE_WINDOW, as a window manager's close button does.
void SendDeleteWindow(XDisplay *display, WindowId window);

// Gives the window the keyboard focus, takes it away, and returns the focus to the pointer.
void CycleInputFocus(XDisplay *display, WindowId window);

// Reports the windows created on the display from now on (see CreatedWindows).
void WatchWindowCreation(XDisplay *display);
// Number of windows created since WatchWindowCreation (for a Windows demo: mapped).
int CreatedWindows(XDisplay *display);

} // namespace e2e
