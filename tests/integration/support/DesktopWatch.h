#pragma once

// The program's windows on a display of a test's own, found and driven with
// xdotool, and waits that the display's own events wake: a window shown,
// hidden, moved, resized, renamed or given the focus.

#include <optional>
#include <string>
#include <vector>

#include "integration/support/ProgramRun.h"

struct _XDisplay;

namespace velmorin::test {

struct WindowSize {
    int width = 0;
    int height = 0;

    bool operator==(const WindowSize&) const = default;
};

class DesktopWatch {
public:
    explicit DesktopWatch(const PrivateDisplay& display);
    ~DesktopWatch();

    DesktopWatch(const DesktopWatch&) = delete;
    DesktopWatch& operator=(const DesktopWatch&) = delete;

    // False when the display could not be opened.
    bool ready() const { return connection_ != nullptr; }

    // Runs xdotool (or another tool) on the display.
    ChildResult tool(const std::vector<std::string>& arguments) const;
    // The shown windows titled as the program's, as xdotool names them.
    std::vector<std::string> programWindows() const;

    // Wakes a wait on any change of the windows at the top of the display,
    // and of the windows watched.
    Wake wake();
    // Also wakes on changes of this window itself: its size, its focus and
    // its properties.
    void watch(const std::string& window);

    // Answers `done` now and after each change on the display (and each of
    // the other wakes), until it holds or the bound passes.
    bool waitUntil(Seconds bound, const std::function<bool()>& done, std::vector<Wake> others = {});

    // The first program window shown, once one is, or empty after the bound
    // or once `program` ended.
    std::string waitForProgramWindow(ChildProcess& program, Seconds bound);
    // The window's size now; nothing for a window that is gone.
    std::optional<WindowSize> size(const std::string& window) const;
    // Gives the window the keyboard focus and waits until the display says
    // it has it. A key typed after that reaches the window after its focus
    // event, since the server hands a client its events in order.
    bool focus(const std::string& window);
    // Types each key in turn, as fast as xdotool types.
    void type(const std::vector<std::string>& keys) const;

private:
    ChildEnvironment environment_;
    _XDisplay* connection_ = nullptr;
};

}  // namespace velmorin::test
