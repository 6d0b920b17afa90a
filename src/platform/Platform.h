#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Geometry.h"
#include "platform/Menu.h"
#include "platform/Screen.h"
#include "platform/Timer.h"
#include "platform/WebView.h"
#include "platform/Window.h"

namespace velmorin {

// Everything the program needs of the operating system and the browser
// engine, behind one object. The program is written once against it; each
// backend under platform/<name>/ provides one.
class Platform {
public:
    virtual ~Platform() = default;

    virtual Application& application() = 0;
    virtual MainQueue& mainQueue() = 0;

    // The screen that holds the menu bar.
    virtual const Screen& mainScreen() = 0;

    // The running program's own file, links resolved, or nothing when the
    // system does not say.
    virtual std::optional<std::string> executablePath() = 0;
    // Icons named by windows are looked for in this folder (laid out as an
    // icon theme) before the system's own.
    virtual void addIconSearchFolder(const std::string& folder) = 0;

    // Writes all of `text` to standard output, at once: nothing when it was
    // written, or why it could not be.
    virtual std::optional<std::string> writeStandardOutput(const std::string& text) = 0;

    virtual std::unique_ptr<Menu> createMenu() = 0;
    virtual std::unique_ptr<MenuItem> createMenuItem() = 0;
    virtual std::unique_ptr<Alert> createAlert() = 0;
    virtual std::shared_ptr<Checkbox> createCheckbox(const std::string& title) = 0;
    virtual std::unique_ptr<WebViewConfiguration> createWebViewConfiguration() = 0;
    virtual std::shared_ptr<WebView> createWebView(const Rect& frame,
                                                   WebViewConfiguration& configuration) = 0;
    virtual std::shared_ptr<Window> createWindow(const Rect& contentRect, StyleMask styleMask,
                                                 Backing backing, Defer defer) = 0;
};

// Made by the backend chosen at build time. On failure (no display, say)
// `platform` is empty and `error` says why in one line.
struct PlatformStart {
    std::unique_ptr<Platform> platform;
    std::string error;
};

// Gives the demo folder of the program whose own file is at the path given.
// The backend asks it before its toolkit starts, while the process has one
// thread: whatever it must set in its environment for that folder is set
// then, before any thread could read the environment at the same time.
using DemoFolderRule = std::function<std::string(const std::string& executablePath)>;

PlatformStart createPlatform(const DemoFolderRule& demoFolderOf);

}  // namespace velmorin
