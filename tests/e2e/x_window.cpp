// x_window.cpp: Xlib queries, screenshots and client messages for the end-to-end tests.
#include "x_window.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <stdexcept>
#include <thread>

namespace e2e
{
namespace
{

// Position of the lowest set bit of a colour mask, and the channel's width.
void MaskShape(unsigned long mask, int *shift, int *bits)
{
    *shift = 0;
    *bits = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

// A channel value scaled to 8 bits (the display has 8-bit channels, so this is a plain shift).
std::uint32_t Channel(unsigned long pixel, unsigned long mask)
{
    int shift, bits;
    MaskShape(mask, &shift, &bits);
    const unsigned long value = (pixel & mask) >> shift;
    return bits >= 8 ? static_cast<std::uint32_t>(value >> (bits - 8))
                     : static_cast<std::uint32_t>(value << (8 - bits));
}

} // namespace

std::vector<WindowId> VisibleTopLevelWindows(Display *display)
{
    Window root_return, parent;
    Window *children = nullptr;
    unsigned count = 0;
    std::vector<WindowId> visible;
    if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children,
                    &count)) {
        return visible;
    }
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            visible.push_back(children[i]);
        }
    }
    if (children) {
        XFree(children);
    }
    return visible;
}

std::optional<WindowId> WaitForWindow(Display *display, DemoProcess &demo,
                                      std::chrono::milliseconds timeout)
{
    // SDL 1.2 over SDL2 (sdl12-compat) shows a first window within the video-mode call and
    // replaces it a millisecond of the demo's own time later. The window that stays is the one
    // still shown after the demo has run on for a while, counted in its main thread's processor
    // time: a busy machine holding the demo back cannot make a passing window look settled.
    constexpr std::chrono::milliseconds kSettled(50);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    WindowId candidate = kNoWindow;
    std::chrono::milliseconds seen_at{};
    for (;;) {
        const std::vector<WindowId> windows = VisibleTopLevelWindows(display);
        const std::optional<std::chrono::milliseconds> cpu = demo.CpuTime();
        if (windows.empty()) {
            candidate = kNoWindow;
        } else if (windows.front() != candidate && cpu) {
            candidate = windows.front();
            seen_at = *cpu;
        } else if (cpu && *cpu >= seen_at + kSettled) {
            return candidate;
        }
        if (!demo.Running() || std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Geometry WindowGeometry(Display *display, WindowId window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        throw std::runtime_error("window vanished");
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, static_cast<unsigned>(attributes.width),
            static_cast<unsigned>(attributes.height)};
}

Screenshot Capture(Display *display, WindowId window)
{
    const Geometry geometry = WindowGeometry(display, window);
    XImage *image =
        XGetImage(display, window, 0, 0, geometry.width, geometry.height, AllPlanes, ZPixmap);
    if (!image) {
        throw std::runtime_error("XGetImage failed");
    }
    Screenshot shot;
    shot.width = static_cast<int>(geometry.width);
    shot.height = static_cast<int>(geometry.height);
    shot.rgb.reserve(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            shot.rgb.push_back(Channel(pixel, image->red_mask) << 16 |
                               Channel(pixel, image->green_mask) << 8 |
                               Channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return shot;
}

bool AcceptsDeleteWindow(Display *display, WindowId window)
{
    const Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom *protocols = nullptr;
    int count = 0;
    bool found = false;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i) {
            found = found || protocols[i] == delete_window;
        }
        XFree(protocols);
    }
    return found;
}

void SendDeleteWindow(Display *display, WindowId window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event)) {
        throw std::runtime_error("XSendEvent failed");
    }
    XSync(display, False);
}

void CycleInputFocus(Display *display, WindowId window)
{
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    XSetInputFocus(display, None, RevertToNone, CurrentTime);
    XSync(display, False);
    XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
}

void WatchWindowCreation(Display *display)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True); // start from an empty queue
}

int CreatedWindows(Display *display)
{
    XSync(display, False);
    int created = 0;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        // Wine creates hidden windows of its own in every process: a Windows demo's count
        // is of the windows it showed.
        if (event.type == (WindowsDemo() ? MapNotify : CreateNotify)) {
            ++created;
        }
    }
    return created;
}

} // namespace e2e
