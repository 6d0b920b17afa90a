#include "integration/support/EngineWait.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/ImageGtk.h"
#include "platform/gtk/MediaDoorGtk.h"
#include "scheme/DemoFiles.h"
#include "scheme/PageContract.h"

namespace velmorin::test {

namespace {

// The state of one asynchronous call. The callback holds its own reference,
// so a call that ends after the caller gave up still has somewhere to land;
// the wait under way, if any, is quit by the answer.
template <typename Outcome>
struct Pending {
    bool done = false;
    Outcome outcome;
    LoopWait* wait = nullptr;

    void finish() {
        done = true;
        if (wait != nullptr) {
            wait->quit();
        }
    }
};

template <typename Outcome>
gpointer holdPending(const std::shared_ptr<Pending<Outcome>>& pending) {
    return new std::shared_ptr<Pending<Outcome>>(pending);
}

template <typename Outcome>
std::shared_ptr<Pending<Outcome>> releasePending(gpointer data) {
    std::unique_ptr<std::shared_ptr<Pending<Outcome>>> held(
        static_cast<std::shared_ptr<Pending<Outcome>>*>(data));
    return *held;
}

// Runs the default main loop until `pending` is answered and gives its
// outcome; on a timeout cancels the call and gives an outcome marked as
// timed out.
template <typename Outcome>
Outcome waitForPending(const std::shared_ptr<Pending<Outcome>>& pending, GCancellable* cancellable,
                       Timeout timeout) {
    LoopWait wait(g_main_context_default(), timeout);
    pending->wait = &wait;
    wait.run();
    pending->wait = nullptr;
    if (pending->done) {
        return std::move(pending->outcome);
    }
    g_cancellable_cancel(cancellable);
    Outcome late;
    late.timedOut = true;
    return late;
}

// The end of an async function call, read the way the player reads a
// script's result, so the tests see what the program sees.
void onScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
    auto pending = releasePending<ScriptOutcome>(data);
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source),
                                                                            result, &error);
    auto read = gtk::scriptResultFrom(value, error);
    pending->outcome.value = std::move(read.value);
    pending->outcome.error = std::move(read.errorDescription);
    pending->finish();
}

void onSnapshotTaken(GObject* source, GAsyncResult* result, gpointer data) {
    auto pending = releasePending<SnapshotOutcome>(data);
    GError* error = nullptr;
    GdkTexture* texture =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (texture != nullptr) {
        gtk::ImageGtk image(gtk::GObjectPtr<GdkTexture>::adopt(texture));
        pending->outcome.bitmap = image.bitmap();
        if (!pending->outcome.bitmap) {
            pending->outcome.error = "the snapshot's pixels could not be read";
        }
    }
    if (error != nullptr) {
        pending->outcome.error = error->message;
        g_error_free(error);
    }
    pending->finish();
}

// Watches one load of a view from its start to its end.
struct LoadWatch {
    LoadOutcome outcome;
    LoopWait& wait;

    static void onChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
        if (event == WEBKIT_LOAD_FINISHED) {
            auto* watch = static_cast<LoadWatch*>(self);
            watch->outcome.finished = true;
            watch->wait.quit();
        }
    }

    // "load-failed" comes before the FINISHED load event that ends every load.
    static gboolean onFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                             gpointer self) {
        auto* watch = static_cast<LoadWatch*>(self);
        watch->outcome.error = std::string(uri != nullptr ? uri : "") + ": " +
                               (error != nullptr ? error->message : "unknown error");
        return FALSE;
    }
};

// Waits for the load just started in `view` to end.
LoadOutcome waitForLoadFinished(WebKitWebView* view, Timeout timeout) {
    LoopWait wait(g_main_context_default(), timeout);
    LoadWatch watch{{}, wait};
    const gulong changed =
        g_signal_connect(view, "load-changed", G_CALLBACK(LoadWatch::onChanged), &watch);
    const gulong failed =
        g_signal_connect(view, "load-failed", G_CALLBACK(LoadWatch::onFailed), &watch);
    wait.run();
    g_signal_handler_disconnect(view, changed);
    g_signal_handler_disconnect(view, failed);
    return watch.outcome;
}

}  // namespace

std::optional<std::string> ensureToolkit() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        started = gtk_init_check();
        // A critical is a toolkit call the program got wrong; in these tests
        // it ends the run where it happens rather than going by on stderr.
        g_log_set_always_fatal(
            static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
    });
    if (!started) {
        return std::string(
            "GTK cannot open a display; run the integration tests under "
            "xvfb-run -a -s \"-screen 0 1920x1080x24\"");
    }
    return std::nullopt;
}

bool waitUntilTitle(WebKitWebView* view, std::string_view expected, Timeout timeout,
                    std::string* lastTitle) {
    // Every change is seen as it happens, so a title that is set and soon
    // replaced still counts.
    struct TitleWatch {
        std::string_view expected;
        LoopWait& wait;

        static void onTitle(WebKitWebView* view, GParamSpec*, gpointer self) {
            auto* watch = static_cast<TitleWatch*>(self);
            const char* title = webkit_web_view_get_title(view);
            if (title != nullptr && watch->expected == title) {
                watch->wait.quit();
            }
        }
    };
    LoopWait wait(g_main_context_default(), timeout);
    TitleWatch watch{expected, wait};
    TitleWatch::onTitle(view, nullptr, &watch);
    const gulong handler =
        g_signal_connect(view, "notify::title", G_CALLBACK(TitleWatch::onTitle), &watch);
    const bool matched = wait.run();
    g_signal_handler_disconnect(view, handler);
    if (lastTitle != nullptr) {
        const char* title = webkit_web_view_get_title(view);
        *lastTitle = title != nullptr ? title : "(no title)";
    }
    return matched;
}

std::string ScriptOutcome::describe() const {
    if (timedOut) {
        return "the script did not finish in time";
    }
    if (error) {
        return "the script failed: " + *error;
    }
    return "the script gave " + (value ? "\"" + *value + "\"" : std::string("no value"));
}

ScriptOutcome callAsyncAndWait(WebKitWebView* view, const std::string& body, GVariant* arguments,
                               Timeout timeout) {
    auto pending = std::make_shared<Pending<ScriptOutcome>>();
    auto cancellable = gtk::GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    webkit_web_view_call_async_javascript_function(
        view, body.c_str(), static_cast<gssize>(body.size()), arguments, nullptr, nullptr,
        cancellable.get(), onScriptDone, holdPending(pending));
    return waitForPending(pending, cancellable.get(), timeout);
}

std::string pageAnswer(WebKitWebView* view, const std::string& body,
                       const std::map<std::string, std::string>& parameters, Timeout timeout) {
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    for (const auto& [name, value] : parameters) {
        g_variant_dict_insert(&arguments, name.c_str(), "s", value.c_str());
    }
    const auto outcome = callAsyncAndWait(view, body, g_variant_dict_end(&arguments), timeout);
    EXPECT_TRUE(outcome.succeeded() && outcome.value) << outcome.describe();
    return outcome.value.value_or("");
}

std::string LoadOutcome::describe() const {
    if (!finished) {
        return "the load did not finish in time";
    }
    if (error) {
        return "the load failed: " + *error;
    }
    return "the load finished";
}

SnapshotOutcome snapshotAndWait(WebKitWebView* view, Timeout timeout) {
    auto pending = std::make_shared<Pending<SnapshotOutcome>>();
    auto cancellable = gtk::GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    webkit_web_view_get_snapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE,
                                 cancellable.get(), onSnapshotTaken, holdPending(pending));
    return waitForPending(pending, cancellable.get(), timeout);
}

std::unique_ptr<EngineView> EngineView::create(const std::string& resourceDirectory,
                                               std::string* error) {
    return create(std::make_shared<DemoFiles>(resourceDirectory), error);
}

std::unique_ptr<EngineView> EngineView::create(std::shared_ptr<SchemeHandler> handler,
                                               std::string* error) {
    // As the program does, before the toolkit starts; a process's first view
    // decides which folder its media come from.
    if (const auto folder = handler->mediaFolder(); folder && !gtk_is_initialized()) {
        gtk::prepareMediaDoor(*folder);
    }
    if (auto problem = ensureToolkit()) {
        if (error != nullptr) {
            *error = *problem;
        }
        return nullptr;
    }
    std::unique_ptr<EngineView> engine(new EngineView());
    engine->configuration_ = std::make_unique<gtk::WebViewConfigurationGtk>();
    engine->configuration_->setUrlSchemeHandler(std::move(handler), demoScheme);
    engine->configuration_->setMediaTypesRequiringUserActionForPlayback(MediaTypes::none);
    engine->webView_ = std::make_shared<gtk::WebViewGtk>(*engine->configuration_);
    engine->view_ = G_OBJECT(engine->view());
    g_object_weak_ref(engine->view_, onViewFinalized, engine.get());

    // Undecorated, so the view gets the whole 640x360 and nothing else.
    engine->window_ = GTK_WINDOW(gtk_window_new());
    gtk_window_set_decorated(engine->window_, FALSE);
    gtk_window_set_default_size(engine->window_, 640, 360);
    gtk_window_set_child(engine->window_, engine->webView_->widget());
    gtk_window_present(engine->window_);
    return engine;
}

EngineView::~EngineView() {
    if (window_ != nullptr) {
        gtk_window_destroy(window_);
    }
    webView_.reset();
    configuration_.reset();
    // Once the window and the backend let go, nothing may keep the view: a
    // reference left behind is a leak of the whole page. The view's
    // finalization quits the wait.
    LoopWait wait(g_main_context_default(), Timeout{5'000});
    finalizing_ = &wait;
    const bool finalized = view_ == nullptr || wait.run();
    finalizing_ = nullptr;
    if (!finalized) {
        g_object_weak_unref(view_, onViewFinalized, this);
    }
    EXPECT_TRUE(finalized) << "the test's web view was not finalized";
    // Lets the engine finish what the view's end set going before the next
    // test starts a view: the loop runs until nothing more urgent than an idle
    // callback waits.
    LoopWait drained(g_main_context_default(), Timeout{5'000});
    const guint idle = g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer wait) -> gboolean {
            static_cast<LoopWait*>(wait)->quit();
            return G_SOURCE_REMOVE;
        },
        &drained, nullptr);
    if (!drained.run()) {
        g_source_remove(idle);
    }
}

void EngineView::onViewFinalized(gpointer self, GObject*) {
    auto* engine = static_cast<EngineView*>(self);
    engine->view_ = nullptr;
    if (engine->finalizing_ != nullptr) {
        engine->finalizing_->quit();
    }
}

LoadOutcome EngineView::load(const std::string& url, Timeout timeout) {
    webView_->loadRequest(UrlRequest{.url = url});
    return waitForLoadFinished(view(), timeout);
}

}  // namespace velmorin::test
