#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/LaunchSettings.h"
#include "platform/Application.h"

namespace velmorin {

class Observation;
class Platform;
class WebView;
class Window;

// The application delegate. It builds the whole player once launching has
// finished: menu, launch dialog, web view, title watch, window, start page.
class App final : public ApplicationDelegate {
public:
    App(Platform& platform, LaunchSettings settings);

    void applicationDidFinishLaunching() override;
    // Closing the player window ends the program.
    bool applicationShouldTerminateAfterLastWindowClosed() override { return true; }

    // The unattended check of self-test mode: probe the page, snapshot it,
    // print the two report lines, quit.
    void runSelfTest();

    // Each is filled at most once, by the launch, and kept until the process ends.
    std::shared_ptr<Window> window;
    std::shared_ptr<WebView> webView;
    std::unique_ptr<Observation> titleWatch;

    // Why the program failed, when it did: the entry says so on standard
    // error and ends with a non-zero status once the event loop is over.
    std::optional<std::string> failure;

private:
    void scheduleSelfTest();

    Platform& platform_;
    const LaunchSettings settings_;
};

}  // namespace velmorin
