#include "integration/support/DesktopWatch.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>

namespace velmorin::test {

namespace {

// A window that is gone by the time its events are asked for is no error
// here; any other display's errors go to the handler that was there.
XErrorHandler previousHandler = nullptr;
std::vector<Display*> watchedConnections;

int ignoreGoneWindows(Display* display, XErrorEvent* error) {
    if (std::find(watchedConnections.begin(), watchedConnections.end(), display) !=
        watchedConnections.end()) {
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

}  // namespace

DesktopWatch::DesktopWatch(const PrivateDisplay& display)
    : environment_(display.environment()), connection_(XOpenDisplay(display.name().c_str())) {
    if (connection_ == nullptr) {
        return;
    }
    if (watchedConnections.empty()) {
        previousHandler = XSetErrorHandler(ignoreGoneWindows);
    }
    watchedConnections.push_back(connection_);
    // The top windows are the program's own without a window manager, and
    // the manager's frames around them with one; a managed window's focus
    // and the list of windows are properties of the root window.
    XSelectInput(connection_, DefaultRootWindow(connection_),
                 SubstructureNotifyMask | PropertyChangeMask);
    XFlush(connection_);
}

DesktopWatch::~DesktopWatch() {
    if (connection_ != nullptr) {
        std::erase(watchedConnections, connection_);
        XCloseDisplay(connection_);
        if (watchedConnections.empty()) {
            XSetErrorHandler(previousHandler);
        }
    }
}

ChildResult DesktopWatch::tool(const std::vector<std::string>& arguments) const {
    return runTool(arguments, environment_);
}

std::vector<std::string> DesktopWatch::programWindows() const {
    return tool({"xdotool", "search", "--onlyvisible", "--name", "^Velmorin HD$"}).outputLines();
}

Wake DesktopWatch::wake() {
    return {ConnectionNumber(connection_),
            [this] {
                while (XPending(connection_) > 0) {
                    XEvent event;
                    XNextEvent(connection_, &event);
                }
            },
            [this] { return XEventsQueued(connection_, QueuedAlready) > 0; }};
}

void DesktopWatch::watch(const std::string& window) {
    XSelectInput(connection_, std::strtoul(window.c_str(), nullptr, 10),
                 StructureNotifyMask | FocusChangeMask | PropertyChangeMask);
    XSync(connection_, False);
}

bool DesktopWatch::waitUntil(Seconds bound, const std::function<bool()>& done,
                             std::vector<Wake> others) {
    others.push_back(wake());
    return test::waitUntil(bound, others, done);
}

std::string DesktopWatch::waitForProgramWindow(ChildProcess& program, Seconds bound) {
    std::string found;
    waitUntil(bound,
              [&] {
                  const auto windows = programWindows();
                  found = windows.empty() ? "" : windows.front();
                  return !found.empty() || !program.running();
              },
              {program.ended()});
    return found;
}

std::optional<WindowSize> DesktopWatch::size(const std::string& window) const {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    // A window that is gone makes the query fail (its error is ignored).
    if (XGetGeometry(connection_, std::strtoul(window.c_str(), nullptr, 10), &root, &x, &y, &width,
                     &height, &border, &depth) == 0) {
        return std::nullopt;
    }
    return WindowSize{static_cast<int>(width), static_cast<int>(height)};
}

bool DesktopWatch::focus(const std::string& window) {
    watch(window);
    tool({"xdotool", "windowfocus", "--sync", window});
    return waitUntil(Seconds(5.0), [&] {
        return tool({"xdotool", "getwindowfocus"}).outputLines() ==
               std::vector<std::string>{window};
    });
}

void DesktopWatch::type(const std::vector<std::string>& keys) const {
    for (const auto& key : keys) {
        tool({"xdotool", "key", key});
    }
}

}  // namespace velmorin::test
