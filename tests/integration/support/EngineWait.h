#pragma once

// Synchronous helpers for tests that drive WebKitGTK inside the test process.
// Each one runs a main loop on the default context that the awaited signal or
// answer quits, bounded by a timeout source (EventWait.h), so none of them
// ever blocks without a bound. Callbacks that come after a deadline find
// their state still alive and do nothing.

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "integration/support/EventWait.h"
#include "platform/Bitmap.h"
#include "platform/SchemeTask.h"
#include "platform/gtk/WebViewGtk.h"

namespace velmorin::test {

using Timeout = std::chrono::milliseconds;

inline constexpr Timeout defaultEngineTimeout{30'000};

// Initializes GTK once per process. Empty on success, otherwise why it could
// not start (usually: no display; run the tests under xvfb-run).
std::optional<std::string> ensureToolkit();

// Waits until the view's title equals `expected`, now or at any change
// while it waits. On a timeout the title seen
// last is returned in `lastTitle`, when given.
bool waitUntilTitle(WebKitWebView* view, std::string_view expected, Timeout timeout,
                    std::string* lastTitle = nullptr);

// The outcome of a script: its value in text form (undefined and null give no
// value), or the error the engine reported, or a timeout.
struct ScriptOutcome {
    std::optional<std::string> value;
    std::optional<std::string> error;
    bool timedOut = false;

    bool succeeded() const { return !timedOut && !error; }
    // One line for a failure message.
    std::string describe() const;
};

// Runs `body` as the body of an async function in the page's main world and
// waits until the promise it returns settles. `arguments` is a floating or
// owned GVariant of type a{sv} (or null): each entry is a parameter of the
// function under its key. The engine takes the reference.
ScriptOutcome callAsyncAndWait(WebKitWebView* view, const std::string& body, GVariant* arguments,
                               Timeout timeout);

// Runs `body` as an async function in the page of `view` (string parameters
// by name) and returns the text of what it resolves to; a failure is recorded.
std::string pageAnswer(WebKitWebView* view, const std::string& body,
                       const std::map<std::string, std::string>& parameters = {},
                       Timeout timeout = defaultEngineTimeout);

// The end of a load: finished, failed with the engine's message, or neither
// before the deadline.
struct LoadOutcome {
    bool finished = false;
    std::optional<std::string> error;

    bool succeeded() const { return finished && !error; }
    std::string describe() const;
};

struct SnapshotOutcome {
    std::optional<Bitmap> bitmap;
    std::optional<std::string> error;
    bool timedOut = false;
};

// Snapshots the visible part of the view and downloads its pixels.
SnapshotOutcome snapshotAndWait(WebKitWebView* view, Timeout timeout);

// A web view built the way the player builds its own: the program's
// configuration with the demo folder of `resourceDirectory` answering every
// app: URL, no media waiting for a gesture, in a shown 640x360 window.
class EngineView {
public:
    // Fails (null, with the reason in `error`) only when the toolkit cannot
    // start.
    // Criticals are fatal in a process that made one, and destroying it
    // fails the test when the web view is not finalized soon after.
    static std::unique_ptr<EngineView> create(const std::string& resourceDirectory,
                                              std::string* error = nullptr);
    // The same view with `handler` answering every app: URL instead.
    static std::unique_ptr<EngineView> create(std::shared_ptr<SchemeHandler> handler,
                                              std::string* error = nullptr);
    ~EngineView();

    EngineView(const EngineView&) = delete;
    EngineView& operator=(const EngineView&) = delete;

    WebKitWebView* view() const { return webView_->handle(); }
    gtk::WebViewGtk& webView() { return *webView_; }

    // Loads `url` through the backend and waits for the load to end.
    LoadOutcome load(const std::string& url, Timeout timeout = defaultEngineTimeout);

private:
    EngineView() = default;

    std::unique_ptr<gtk::WebViewConfigurationGtk> configuration_;
    std::shared_ptr<gtk::WebViewGtk> webView_;
    GtkWindow* window_ = nullptr;
    // Cleared when the view is finalized, which quits the wait under way.
    static void onViewFinalized(gpointer self, GObject* view);
    GObject* view_ = nullptr;
    LoopWait* finalizing_ = nullptr;
};

}  // namespace velmorin::test
