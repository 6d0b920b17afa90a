#pragma once

#include <memory>

namespace velmorin {

class Menu;

// The callbacks the application object makes into the program. They arrive
// on the main thread, from inside Application::run().
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    // Called once, when the event loop has started and the toolkit is ready.
    virtual void applicationDidFinishLaunching() = 0;

    // Asked when the last window has closed; answering true ends the program.
    virtual bool applicationShouldTerminateAfterLastWindowClosed() = 0;
};

enum class ActivationPolicy {
    // An ordinary application with its own launcher entry and menu.
    regular,
};

// How the event loop ended.
enum class RunEnd {
    // terminate() was called.
    terminated,
    // The delegate's applicationDidFinishLaunching failed (it threw); the
    // failure has been written to standard error and the loop stopped.
    launchFailed,
};

// The process-wide application object: owns the event loop and the main menu.
class Application {
public:
    virtual ~Application() = default;

    // The delegate is not owned; the caller keeps it alive while the loop runs.
    virtual void setDelegate(ApplicationDelegate* delegate) = 0;
    virtual void setActivationPolicy(ActivationPolicy policy) = 0;

    // Runs the event loop until terminate() takes effect, or until the
    // launch failed, then returns.
    virtual RunEnd run() = 0;

    virtual void setMainMenu(std::unique_ptr<Menu> menu) = 0;
    virtual void activateIgnoringOtherApps() = 0;

    // Ends the program: the event loop stops and run() returns.
    virtual void terminate() = 0;
};

}  // namespace velmorin
