#pragma once

// A recording stand-in for the whole platform seam. Every call the program
// makes into it appends one readable line to a shared log, and everything the
// toolkit would decide on its own (the screen, the dialog's answer, the page
// title, timers, script and snapshot completions) is scripted by the test.
// Calls made by the test to drive the fake are not logged.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Platform.h"
#include "platform/SchemeTask.h"

namespace velmorin::fake {

using Log = std::vector<std::string>;
using SchemeHandlers = std::map<std::string, std::shared_ptr<SchemeHandler>>;

// Arguments as the log shows them. Numbers are the shortest text that reads
// back to the same double (1080.0 is "1080", 1024.5 is "1024.5"), a
// rectangle is x, y, width and height, and an enumeration is its number, but
// for those with names here; a value without a name shows as "?".
inline const std::string& logText(const std::string& text) {
    return text;
}
std::string logText(double value);
std::string logText(const Rect& rect);
inline std::string logText(MenuAction action) {
    return action == MenuAction::terminate ? "terminate" : "?";
}
inline std::string logText(Color color) {
    return color == Color::black ? "black" : "?";
}
inline std::string logText(Defer defer) {
    return defer == Defer::no ? "no" : "yes";
}
template <typename Enum>
requires std::is_enum_v<Enum> std::string logText(Enum value) {
    return std::to_string(static_cast<long long>(value));
}

// What the fakes share: the log and the scheme handlers registered with any
// configuration (kept here because a configuration is dropped once its web
// view exists).
struct FakeState {
    Log log;
    SchemeHandlers schemeHandlers;
};

// The base of every fake: one line in the log per call, its name and then
// each argument after a space.
class Recorder {
public:
    explicit Recorder(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

protected:
    template <typename... Arguments>
    void record(std::string line, const Arguments&... arguments) const {
        ((line += ' ', line += logText(arguments)), ...);
        state_->log.push_back(std::move(line));
    }

    std::shared_ptr<FakeState> state_;
};

class FakeCheckbox final : public Checkbox, Recorder {
public:
    using Recorder::Recorder;

    void setState(ControlState state) override { record("checkbox.setState", current = state); }
    ControlState state() const override {
        record("checkbox.state");
        return current;
    }

    // Where the program, or the user at the dialog, left the box.
    ControlState current = ControlState::off;
};

class FakeAlert final : public Alert, Recorder {
public:
    FakeAlert(std::shared_ptr<FakeState> state, ModalResponse response,
              std::optional<ControlState> checkboxAfterModal)
        : Recorder(std::move(state)),
          response_(response),
          checkboxAfterModal_(checkboxAfterModal) {}

    void setMessageText(const std::string& text) override { record("alert.setMessageText", text); }
    void setInformativeText(const std::string& text) override {
        record("alert.setInformativeText", text);
    }
    void setAccessoryView(std::shared_ptr<Checkbox> checkbox) override {
        record("alert.setAccessoryView");
        accessory_ = std::move(checkbox);
    }
    void addButtonWithTitle(const std::string& title) override {
        record("alert.addButtonWithTitle", title);
    }
    // Answers with the scripted response, after moving the accessory checkbox
    // (when it is a FakeCheckbox) to the scripted state.
    ModalResponse runModal() override;

private:
    ModalResponse response_;
    std::optional<ControlState> checkboxAfterModal_;
    std::shared_ptr<Checkbox> accessory_;
};

class FakeMenuItem final : public MenuItem, Recorder {
public:
    FakeMenuItem(std::shared_ptr<FakeState> state, std::string title = {},
                 MenuAction action = MenuAction::none, std::string keyEquivalent = {})
        : Recorder(std::move(state)),
          title(std::move(title)),
          action(action),
          keyEquivalent(std::move(keyEquivalent)) {}

    void setSubmenu(std::unique_ptr<Menu> submenu) override {
        record("menuItem.setSubmenu");
        submenu_ = std::move(submenu);
    }
    Menu* submenu() override {
        record("menuItem.submenu");
        return submenu_.get();
    }
    // Unlogged view for assertions.
    const Menu* attachedSubmenu() const { return submenu_.get(); }

    const std::string title;
    const MenuAction action;
    const std::string keyEquivalent;

private:
    std::unique_ptr<Menu> submenu_;
};

class FakeMenu final : public Menu, Recorder {
public:
    using Recorder::Recorder;

    MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                               const std::string& keyEquivalent) override {
        record("menu.addItemWithTitle", title, action, keyEquivalent);
        items_.push_back(std::make_unique<FakeMenuItem>(state_, title, action, keyEquivalent));
        return *items_.back();
    }
    void addItem(std::unique_ptr<MenuItem> item) override {
        record("menu.addItem");
        items_.push_back(std::move(item));
    }

    const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

private:
    std::vector<std::unique_ptr<MenuItem>> items_;
};

class FakeApplication final : public Application, Recorder {
public:
    using Recorder::Recorder;

    void setDelegate(ApplicationDelegate* delegate) override {
        record("application.setDelegate");
        delegate_ = delegate;
    }
    void setActivationPolicy(ActivationPolicy policy) override {
        record("application.setActivationPolicy", policy);
    }
    // Logs, then delivers applicationDidFinishLaunching to the delegate, if any.
    RunEnd run() override {
        record("application.run");
        if (delegate_ != nullptr) {
            delegate_->applicationDidFinishLaunching();
        }
        return RunEnd::terminated;
    }
    void setMainMenu(std::unique_ptr<Menu> menu) override {
        record("application.setMainMenu");
        mainMenu_ = std::move(menu);
    }
    void activateIgnoringOtherApps() override { record("application.activateIgnoringOtherApps"); }
    void terminate() override {
        record("application.terminate");
        ++terminateCount_;
    }

    const Menu* mainMenu() const { return mainMenu_.get(); }
    int terminateCount() const { return terminateCount_; }

private:
    ApplicationDelegate* delegate_ = nullptr;
    std::unique_ptr<Menu> mainMenu_;
    int terminateCount_ = 0;
};

// Takes the oldest of the pending work or requests off the queue and runs
// it with these arguments; false when none is pending.
template <typename Pending, typename... Arguments>
bool runOldest(std::deque<Pending>& pending, Arguments&&... arguments) {
    if (pending.empty()) {
        return false;
    }
    auto next = std::move(pending.front());
    pending.pop_front();
    if constexpr (requires { next.completion; }) {
        next.completion(std::forward<Arguments>(arguments)...);
    } else {
        next(std::forward<Arguments>(arguments)...);
    }
    return true;
}

class FakeMainQueue final : public MainQueue, Recorder {
public:
    using Recorder::Recorder;

    void asyncAfter(double delaySeconds, std::function<void()> work) override {
        record("mainQueue.asyncAfter", delaySeconds);
        pending_.push_back(std::move(work));
    }

    const std::deque<std::function<void()>>& pending() const { return pending_; }
    bool runNext() { return runOldest(pending_); }

private:
    std::deque<std::function<void()>> pending_;
};

class FakeScreen final : public Screen, Recorder {
public:
    using Recorder::Recorder;

    Rect frame() const override {
        record("mainScreen.frame");
        return scriptedFrame;
    }

    Rect scriptedFrame{0.0, 0.0, 1440.0, 900.0};
};

class FakeWebViewConfiguration final : public WebViewConfiguration, Recorder {
public:
    using Recorder::Recorder;

    void setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                             const std::string& scheme) override {
        record("configuration.setUrlSchemeHandler", scheme);
        handlers[scheme] = state_->schemeHandlers[scheme] = std::move(handler);
    }
    void setMediaTypesRequiringUserActionForPlayback(MediaTypes types) override {
        record("configuration.setMediaTypesRequiringUserActionForPlayback", *(mediaTypes = types));
    }

    SchemeHandlers handlers;
    std::optional<MediaTypes> mediaTypes;
};

class FakeWebView final : public WebView, Recorder {
public:
    FakeWebView(std::shared_ptr<FakeState> state, const FakeWebViewConfiguration* configuration);

    void loadRequest(const UrlRequest& request) override;
    std::optional<std::string> title() const override {
        record("webView.title");
        return title_;
    }
    std::unique_ptr<Observation> observeTitle(TitleChange onChange) override;
    void evaluateJavaScript(const std::string& script,
                            std::function<void(ScriptResult)> completion) override {
        record("webView.evaluateJavaScript");
        pendingScripts_.push_back({script, std::move(completion)});
    }
    void takeSnapshot(std::function<void(SnapshotResult)> completion) override {
        record("webView.takeSnapshot");
        pendingSnapshots_.push_back(std::move(completion));
    }

    // The page sets its title: observers still held are told.
    void changeTitle(std::optional<std::string> title);
    // When set, loading a request makes the page set this title at once,
    // from inside loadRequest().
    std::optional<std::string> titleOnLoad;

    std::size_t liveObservationCount() const;

    struct PendingScript {
        std::string script;
        std::function<void(ScriptResult)> completion;
    };
    const std::deque<PendingScript>& pendingScripts() const { return pendingScripts_; }
    std::size_t pendingSnapshotCount() const { return pendingSnapshots_.size(); }
    bool completeScript(ScriptResult result) {
        return runOldest(pendingScripts_, std::move(result));
    }
    bool completeSnapshot(SnapshotResult result) {
        return runOldest(pendingSnapshots_, std::move(result));
    }

    // The configuration as it stood when this view was made from it.
    const SchemeHandlers handlersAtCreation;
    const std::optional<MediaTypes> mediaTypesAtCreation;

private:
    struct Observer {
        std::shared_ptr<bool> live;
        TitleChange onChange;
    };

    std::optional<std::string> title_;
    std::vector<Observer> observers_;
    std::deque<PendingScript> pendingScripts_;
    std::deque<std::function<void(SnapshotResult)>> pendingSnapshots_;
};

class FakeWindow final : public Window, Recorder {
public:
    using Recorder::Recorder;

    void setTitle(const std::string& title) override { record("window.setTitle", title); }
    void setBackgroundColor(Color color) override { record("window.setBackgroundColor", color); }
    void setCollectionBehavior(CollectionBehavior behavior) override {
        record("window.setCollectionBehavior", behavior);
    }
    void setContentView(std::shared_ptr<WebView> view) override {
        record("window.setContentView");
        contentView = std::move(view);
    }
    void center() override { record("window.center"); }
    void makeKeyAndOrderFront() override { record("window.makeKeyAndOrderFront"); }
    void makeFirstResponder(WebView& view) override {
        record("window.makeFirstResponder");
        firstResponder = &view;
    }
    void toggleFullScreen() override { record("window.toggleFullScreen"); }

    std::shared_ptr<WebView> contentView;
    WebView* firstResponder = nullptr;
};

// A snapshot whose pixels the test chooses; nothing means bitmap() fails.
class FakeImage final : public Image {
public:
    explicit FakeImage(std::optional<Bitmap> bitmap) : bitmap_(std::move(bitmap)) {}

    std::optional<Bitmap> bitmap() const override {
        ++bitmapCalls;
        return bitmap_;
    }

    mutable int bitmapCalls = 0;

private:
    std::optional<Bitmap> bitmap_;
};

using Pixel = std::array<std::uint8_t, 4>;

// Sets the pixel at column x and row y, its bytes given in memory order.
inline void setPixel(Bitmap& bitmap, std::int64_t x, std::int64_t y, Pixel pixel) {
    const auto offset =
        static_cast<std::size_t>(y) * bitmap.stride + static_cast<std::size_t>(x) * 4;
    std::copy(pixel.begin(), pixel.end(),
              bitmap.pixels.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A bitmap of one colour (given in memory order), with `padding` spare
// bytes at the end of every row.
inline Bitmap filledBitmap(std::int64_t width, std::int64_t height, Pixel pixel,
                           ChannelOrder order = ChannelOrder::rgba,
                           AlphaMode alpha = AlphaMode::straight, std::size_t padding = 0) {
    Bitmap bitmap{width, height, static_cast<std::size_t>(width) * 4 + padding, order, alpha, {}};
    bitmap.pixels.assign(bitmap.stride * static_cast<std::size_t>(height), 0);
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            setPixel(bitmap, x, y, pixel);
        }
    }
    return bitmap;
}

class FakePlatform final : public Platform, Recorder {
public:
    FakePlatform() : Recorder(std::make_shared<FakeState>()) {}

    Application& application() override { return application_; }
    MainQueue& mainQueue() override { return mainQueue_; }
    const Screen& mainScreen() override { return screen_; }
    // The entry asks for these two before the launch; the program's delegate never does.
    std::optional<std::string> executablePath() override {
        record("executablePath");
        return "/nonexistent/bundle/bin/velmorin-hd";
    }
    void addIconSearchFolder(const std::string& folder) override {
        record("addIconSearchFolder", folder);
    }
    // Takes the text in, unless a failure is scripted.
    std::optional<std::string> writeStandardOutput(const std::string& text) override {
        record("stdout", text);
        if (!standardOutputError) {
            standardOutput_ += text;
        }
        return standardOutputError;
    }

    std::unique_ptr<Menu> createMenu() override {
        record("createMenu");
        return std::make_unique<FakeMenu>(state_);
    }
    std::unique_ptr<MenuItem> createMenuItem() override {
        record("createMenuItem");
        return std::make_unique<FakeMenuItem>(state_);
    }
    std::unique_ptr<Alert> createAlert() override {
        record("createAlert");
        return std::make_unique<FakeAlert>(state_, alertResponse, checkboxAfterModal);
    }
    std::shared_ptr<Checkbox> createCheckbox(const std::string& title) override {
        record("createCheckbox", title);
        return std::make_shared<FakeCheckbox>(state_);
    }
    std::unique_ptr<WebViewConfiguration> createWebViewConfiguration() override {
        record("createWebViewConfiguration");
        return std::make_unique<FakeWebViewConfiguration>(state_);
    }
    std::shared_ptr<WebView> createWebView(const Rect& frame,
                                           WebViewConfiguration& configuration) override;
    std::shared_ptr<Window> createWindow(const Rect& contentRect, StyleMask styleMask,
                                         Backing backing, Defer defer) override {
        record("createWindow", contentRect, "style=" + logText(styleMask),
               "backing=" + logText(backing), "defer=" + logText(defer));
        return remember(lastWindow_, std::make_shared<FakeWindow>(state_));
    }

    // --- Script ---
    void setScreenFrame(const Rect& frame) { screen_.scriptedFrame = frame; }
    ModalResponse alertResponse = firstButtonResponse;
    // The checkbox state once the dialog closes; nothing leaves it as the
    // program set it.
    std::optional<ControlState> checkboxAfterModal;
    // When set, every write to standard output fails with this error.
    std::optional<std::string> standardOutputError;
    // Given to every web view made from now on as its titleOnLoad.
    std::optional<std::string> pageTitleOnLoad;

    // --- What the program did ---
    const Log& log() const { return state_->log; }
    void clearLog() { state_->log.clear(); }
    FakeApplication& fakeApplication() { return application_; }
    FakeMainQueue& fakeMainQueue() { return mainQueue_; }
    // The handler registered for `scheme` by any configuration, or null.
    std::shared_ptr<SchemeHandler> schemeHandler(const std::string& scheme) const;
    const std::string& standardOutput() const { return standardOutput_; }
    // The last of each made, while something else still holds it.
    std::shared_ptr<FakeWebView> lastWebView() const { return lastWebView_.lock(); }
    std::shared_ptr<FakeWindow> lastWindow() const { return lastWindow_.lock(); }

private:
    template <typename Made>
    static std::shared_ptr<Made> remember(std::weak_ptr<Made>& last, std::shared_ptr<Made> made) {
        last = made;
        return made;
    }

    FakeApplication application_{state_};
    FakeMainQueue mainQueue_{state_};
    FakeScreen screen_{state_};
    std::string standardOutput_;
    std::weak_ptr<FakeWebView> lastWebView_;
    std::weak_ptr<FakeWindow> lastWindow_;
};

// A scheme task that records what its handler answers, in order.
class RecordingSchemeTask final : public SchemeTask {
public:
    explicit RecordingSchemeTask(std::string url) : url_(std::move(url)) {}

    std::string requestUrl() const override { return url_; }
    void didReceiveResponse(const HttpResponse& response) override {
        calls.push_back(Call::response);
        responses.push_back(response);
    }
    void didReceiveData(Bytes&& data) override {
        calls.push_back(Call::data);
        dataBlocks.push_back(std::move(data));
    }
    void didFinish() override { calls.push_back(Call::finish); }
    void didFailWithError(UrlError error) override {
        calls.push_back(Call::fail);
        errors.push_back(error);
    }

    enum class Call { response, data, finish, fail };

    // The file came whole, or the one failure a handler gives was all.
    bool served() const { return calls == std::vector{Call::response, Call::data, Call::finish}; }
    bool failed() const {
        return calls == std::vector{Call::fail} &&
               errors == std::vector{UrlError::fileDoesNotExist};
    }
    // The bytes of every data block, one after another.
    std::string body() const;

    // The calls received, in order, and what each brought.
    std::vector<Call> calls;
    std::vector<HttpResponse> responses;
    std::vector<Bytes> dataBlocks;
    std::vector<UrlError> errors;

private:
    std::string url_;
};

// Has the handler answer `url` on a thread of its own, so a read that blocks
// (a named pipe waiting for a writer) fails the test instead of hanging it:
// after five seconds `pipe` is opened for writing and closed again, which
// releases such a read.
RecordingSchemeTask answerOnItsOwnThread(SchemeHandler& handler, const std::string& url,
                                         const std::filesystem::path& pipe);

}  // namespace velmorin::fake
