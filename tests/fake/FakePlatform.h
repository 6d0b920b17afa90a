#pragma once

// A recording stand-in for the whole platform seam. Every call the program
// makes into it appends one readable line to a shared log, and everything the
// toolkit would decide on its own (the screen, the dialog's answer, the page
// title, timers, script and snapshot completions) is scripted by the test.
// Calls made by the test to drive the fake are not logged.

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SchemeTask.h"

namespace velmorin::fake {

using Log = std::vector<std::string>;

// Numbers as the log shows them: the shortest text that reads back to the
// same double, so 1080.0 is "1080" and 1024.5 is "1024.5".
std::string formatNumber(double value);

// Enumerations as the log shows them: their number.
template <typename Enum>
std::string enumNumber(Enum value) {
    return std::to_string(static_cast<long long>(value));
}

// What the fakes share: the log and the scheme handlers registered with any
// configuration (kept here because a configuration is dropped once its web
// view exists).
struct FakeState {
    Log log;
    std::map<std::string, std::shared_ptr<SchemeHandler>> schemeHandlers;

    void record(std::string line) { log.push_back(std::move(line)); }
};

class FakeCheckbox final : public Checkbox {
public:
    FakeCheckbox(std::shared_ptr<FakeState> state, std::string title);

    void setState(ControlState state) override {
        state_->record("checkbox.setState " + enumNumber(state));
        current_ = state;
    }
    ControlState state() const override {
        state_->record("checkbox.state");
        return current_;
    }

    // What the user leaves the box at; not logged.
    void setStateByUser(ControlState state) { current_ = state; }

    const std::string title;

private:
    std::shared_ptr<FakeState> state_;
    ControlState current_ = ControlState::off;
};

class FakeAlert final : public Alert {
public:
    FakeAlert(std::shared_ptr<FakeState> state, ModalResponse response,
              std::optional<ControlState> checkboxAfterModal);

    void setMessageText(const std::string& text) override {
        state_->record("alert.setMessageText " + text);
    }
    void setInformativeText(const std::string& text) override {
        state_->record("alert.setInformativeText " + text);
    }
    void setAccessoryView(std::shared_ptr<Checkbox> checkbox) override {
        state_->record("alert.setAccessoryView");
        accessory_ = std::move(checkbox);
    }
    void addButtonWithTitle(const std::string& title) override {
        state_->record("alert.addButtonWithTitle " + title);
    }
    // Answers with the scripted response, after moving the accessory checkbox
    // (when it is a FakeCheckbox) to the scripted state.
    ModalResponse runModal() override;

private:
    std::shared_ptr<FakeState> state_;
    ModalResponse response_;
    std::optional<ControlState> checkboxAfterModal_;
    std::shared_ptr<Checkbox> accessory_;
};

class FakeMenu;

class FakeMenuItem final : public MenuItem {
public:
    FakeMenuItem(std::shared_ptr<FakeState> state, std::string title, MenuAction action,
                 std::string keyEquivalent);

    void setSubmenu(std::unique_ptr<Menu> submenu) override {
        state_->record("menuItem.setSubmenu");
        submenu_ = std::move(submenu);
    }
    Menu* submenu() override {
        state_->record("menuItem.submenu");
        return submenu_.get();
    }

    // Unlogged view for assertions.
    const Menu* attachedSubmenu() const { return submenu_.get(); }

    const std::string title;
    const MenuAction action;
    const std::string keyEquivalent;

private:
    std::shared_ptr<FakeState> state_;
    std::unique_ptr<Menu> submenu_;
};

class FakeMenu final : public Menu {
public:
    explicit FakeMenu(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

    MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                               const std::string& keyEquivalent) override;
    void addItem(std::unique_ptr<MenuItem> item) override {
        state_->record("menu.addItem");
        items_.push_back(std::move(item));
    }

    const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

private:
    std::shared_ptr<FakeState> state_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

class FakeApplication final : public Application {
public:
    explicit FakeApplication(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

    void setDelegate(ApplicationDelegate* delegate) override {
        state_->record("application.setDelegate");
        delegate_ = delegate;
    }
    void setActivationPolicy(ActivationPolicy policy) override;
    // Logs, then delivers applicationDidFinishLaunching to the delegate, if any.
    RunEnd run() override {
        state_->record("application.run");
        if (delegate_ != nullptr) {
            delegate_->applicationDidFinishLaunching();
        }
        return RunEnd::terminated;
    }
    void setMainMenu(std::unique_ptr<Menu> menu) override {
        state_->record("application.setMainMenu");
        mainMenu_ = std::move(menu);
    }
    void activateIgnoringOtherApps() override {
        state_->record("application.activateIgnoringOtherApps");
    }
    void terminate() override {
        state_->record("application.terminate");
        ++terminateCount_;
    }

    ApplicationDelegate* delegate() const { return delegate_; }
    const Menu* mainMenu() const { return mainMenu_.get(); }
    int terminateCount() const { return terminateCount_; }

private:
    std::shared_ptr<FakeState> state_;
    ApplicationDelegate* delegate_ = nullptr;
    std::unique_ptr<Menu> mainMenu_;
    int terminateCount_ = 0;
};

class FakeMainQueue final : public MainQueue {
public:
    explicit FakeMainQueue(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

    void asyncAfter(double delaySeconds, std::function<void()> work) override;

    struct PendingWork {
        double delaySeconds = 0.0;
        std::function<void()> work;
    };

    const std::deque<PendingWork>& pending() const { return pending_; }
    // The delays of every piece of work ever scheduled, in order.
    const std::vector<double>& scheduledDelays() const { return scheduledDelays_; }
    // Runs the oldest pending work; false when there is none.
    bool runNext();

private:
    std::shared_ptr<FakeState> state_;
    std::deque<PendingWork> pending_;
    std::vector<double> scheduledDelays_;
};

class FakeScreen final : public Screen {
public:
    explicit FakeScreen(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

    Rect frame() const override {
        state_->record("mainScreen.frame");
        return scriptedFrame;
    }

    Rect scriptedFrame{0.0, 0.0, 1440.0, 900.0};

private:
    std::shared_ptr<FakeState> state_;
};

class FakeWebViewConfiguration final : public WebViewConfiguration {
public:
    explicit FakeWebViewConfiguration(std::shared_ptr<FakeState> state)
        : state_(std::move(state)) {}

    void setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                             const std::string& scheme) override;
    void setMediaTypesRequiringUserActionForPlayback(MediaTypes types) override;

    const std::map<std::string, std::shared_ptr<SchemeHandler>>& handlers() const {
        return handlers_;
    }
    std::optional<MediaTypes> mediaTypes() const { return mediaTypes_; }

private:
    std::shared_ptr<FakeState> state_;
    std::map<std::string, std::shared_ptr<SchemeHandler>> handlers_;
    std::optional<MediaTypes> mediaTypes_;
};

class FakeWebView final : public WebView {
public:
    FakeWebView(std::shared_ptr<FakeState> state, const Rect& frame,
                const FakeWebViewConfiguration* configuration);

    void loadRequest(const UrlRequest& request) override;
    std::optional<std::string> title() const override {
        state_->record("webView.title");
        return title_;
    }
    std::unique_ptr<Observation> observeTitle(TitleChange onChange) override;
    void evaluateJavaScript(const std::string& script,
                            std::function<void(ScriptResult)> completion) override {
        state_->record("webView.evaluateJavaScript");
        pendingScripts_.push_back({script, std::move(completion)});
    }
    void takeSnapshot(std::function<void(SnapshotResult)> completion) override {
        state_->record("webView.takeSnapshot");
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
    // Complete the oldest pending request; false when there is none.
    bool completeScript(ScriptResult result);
    bool completeSnapshot(SnapshotResult result);

    const std::vector<UrlRequest>& loadedRequests() const { return loadedRequests_; }

    const Rect frame;
    // The configuration as it stood when this view was made from it.
    const std::map<std::string, std::shared_ptr<SchemeHandler>> handlersAtCreation;
    const std::optional<MediaTypes> mediaTypesAtCreation;

private:
    struct Observer {
        std::shared_ptr<bool> live;
        TitleChange onChange;
    };

    std::shared_ptr<FakeState> state_;
    std::optional<std::string> title_;
    std::vector<Observer> observers_;
    std::deque<PendingScript> pendingScripts_;
    std::deque<std::function<void(SnapshotResult)>> pendingSnapshots_;
    std::vector<UrlRequest> loadedRequests_;
};

class FakeWindow final : public Window {
public:
    FakeWindow(std::shared_ptr<FakeState> state, const Rect& contentRect, StyleMask styleMask,
               Backing backing, Defer defer);

    void setTitle(const std::string& newTitle) override {
        state_->record("window.setTitle " + newTitle);
        title = newTitle;
    }
    void setBackgroundColor(Color color) override;
    void setCollectionBehavior(CollectionBehavior behavior) override;
    void setContentView(std::shared_ptr<WebView> view) override {
        state_->record("window.setContentView");
        contentView = std::move(view);
    }
    void center() override { state_->record("window.center"); }
    void makeKeyAndOrderFront() override { state_->record("window.makeKeyAndOrderFront"); }
    void makeFirstResponder(WebView& view) override {
        state_->record("window.makeFirstResponder");
        firstResponder = &view;
    }
    void toggleFullScreen() override { state_->record("window.toggleFullScreen"); }

    const Rect contentRect;
    const StyleMask styleMask;
    const Backing backing;
    const Defer defer;

    std::string title;
    std::shared_ptr<WebView> contentView;
    WebView* firstResponder = nullptr;

private:
    std::shared_ptr<FakeState> state_;
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

class FakePlatform final : public Platform {
public:
    FakePlatform();

    Application& application() override { return application_; }
    MainQueue& mainQueue() override { return mainQueue_; }
    const Screen& mainScreen() override { return screen_; }
    // The entry asks for these two before the launch; the program's delegate never does.
    std::optional<std::string> executablePath() override {
        state_->record("executablePath");
        return "/nonexistent/bundle/bin/velmorin-hd";
    }
    void addIconSearchFolder(const std::string& folder) override {
        state_->record("addIconSearchFolder " + folder);
    }
    // Takes the text in, unless a failure is scripted.
    std::optional<std::string> writeStandardOutput(const std::string& text) override {
        state_->record("stdout " + text);
        if (!standardOutputError) {
            standardOutput_ += text;
        }
        return standardOutputError;
    }

    std::unique_ptr<Menu> createMenu() override {
        state_->record("createMenu");
        return std::make_unique<FakeMenu>(state_);
    }
    std::unique_ptr<MenuItem> createMenuItem() override;
    std::unique_ptr<Alert> createAlert() override {
        state_->record("createAlert");
        ++alertCount_;
        return std::make_unique<FakeAlert>(state_, alertResponse, checkboxAfterModal);
    }
    std::shared_ptr<Checkbox> createCheckbox(const std::string& title) override;
    std::unique_ptr<WebViewConfiguration> createWebViewConfiguration() override {
        state_->record("createWebViewConfiguration");
        return std::make_unique<FakeWebViewConfiguration>(state_);
    }
    std::shared_ptr<WebView> createWebView(const Rect& frame,
                                           WebViewConfiguration& configuration) override;
    std::shared_ptr<Window> createWindow(const Rect& contentRect, StyleMask styleMask,
                                         Backing backing, Defer defer) override;

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
    std::shared_ptr<FakeCheckbox> lastCheckbox() const { return lastCheckbox_.lock(); }
    int alertCount() const { return alertCount_; }

private:
    std::shared_ptr<FakeState> state_;
    FakeApplication application_;
    FakeMainQueue mainQueue_;
    FakeScreen screen_;
    std::string standardOutput_;
    std::weak_ptr<FakeWebView> lastWebView_;
    std::weak_ptr<FakeWindow> lastWindow_;
    std::weak_ptr<FakeCheckbox> lastCheckbox_;
    int alertCount_ = 0;
};

// A scheme task that records what its handler answers, in order.
class RecordingSchemeTask final : public SchemeTask {
public:
    explicit RecordingSchemeTask(std::string url) : url_(std::move(url)) {}

    std::string requestUrl() const override { return url_; }
    void didReceiveResponse(const HttpResponse& response) override {
        calls_.push_back(Call::response);
        responses_.push_back(response);
    }
    void didReceiveData(Bytes&& data) override {
        calls_.push_back(Call::data);
        dataBlocks_.push_back(std::move(data));
    }
    void didFinish() override { calls_.push_back(Call::finish); }
    void didFailWithError(UrlError error) override {
        calls_.push_back(Call::fail);
        errors_.push_back(error);
    }

    enum class Call { response, data, finish, fail };

    // The calls received, in order.
    const std::vector<Call>& calls() const { return calls_; }
    const std::vector<HttpResponse>& responses() const { return responses_; }
    const std::vector<Bytes>& dataBlocks() const { return dataBlocks_; }
    const std::vector<UrlError>& errors() const { return errors_; }

private:
    std::string url_;
    std::vector<Call> calls_;
    std::vector<HttpResponse> responses_;
    std::vector<Bytes> dataBlocks_;
    std::vector<UrlError> errors_;
};

}  // namespace velmorin::fake
