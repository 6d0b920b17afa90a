#pragma once

#include "platform/Platform.h"
#include "platform/gtk/ApplicationGtk.h"

namespace velmorin::gtk {

// The running program's own file, links resolved, or nothing when the
// system does not say.
std::optional<std::string> ownExecutable();

class ScreenGtk final : public Screen {
public:
    // The first monitor's geometry: GDK 4 names no primary monitor, and the
    // first one is where new windows open.
    Rect frame() const override;
};

class MainQueueGtk final : public MainQueue {
public:
    void asyncAfter(double delaySeconds, std::function<void()> work) override;
};

class PlatformGtk final : public Platform {
public:
    // `reportFd` is where standard output now goes, owned from here on; -1
    // when there is none.
    explicit PlatformGtk(int reportFd) : reportFd_(reportFd) {}
    ~PlatformGtk() override;

    PlatformGtk(const PlatformGtk&) = delete;
    PlatformGtk& operator=(const PlatformGtk&) = delete;

    Application& application() override { return application_; }
    MainQueue& mainQueue() override { return mainQueue_; }
    const Screen& mainScreen() override { return screen_; }
    std::optional<std::string> executablePath() override;
    void addIconSearchFolder(const std::string& folder) override;
    std::optional<std::string> writeStandardOutput(const std::string& text) override;

    std::unique_ptr<Menu> createMenu() override;
    std::unique_ptr<MenuItem> createMenuItem() override;
    std::unique_ptr<Alert> createAlert() override;
    std::shared_ptr<Checkbox> createCheckbox(const std::string& title) override;
    std::unique_ptr<WebViewConfiguration> createWebViewConfiguration() override;
    std::shared_ptr<WebView> createWebView(const Rect& frame,
                                           WebViewConfiguration& configuration) override;
    std::shared_ptr<Window> createWindow(const Rect& contentRect, StyleMask styleMask,
                                         Backing backing, Defer defer) override;

private:
    ApplicationGtk application_;
    MainQueueGtk mainQueue_;
    ScreenGtk screen_;
    int reportFd_;
};

}  // namespace velmorin::gtk
