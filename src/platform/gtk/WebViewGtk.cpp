#include "platform/gtk/WebViewGtk.h"

#include <utility>

#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/DeveloperExtrasGtk.h"
#include "platform/gtk/ImageGtk.h"
#include "platform/gtk/SchemeTaskGtk.h"

namespace velmorin::gtk {

namespace {

// Keeps a signal connection for as long as the observation is held.
class TitleObservation final : public Observation {
public:
    TitleObservation(WebViewGtk& owner, std::function<void(WebView&)> onChange)
        : owner_(owner),
          view_(GObjectPtr<WebKitWebView>::retain(owner.handle())),
          onChange_(std::move(onChange)) {
        handlerId_ =
            g_signal_connect(view_.get(), "notify::title", G_CALLBACK(onTitleChanged), this);
    }
    ~TitleObservation() override { g_signal_handler_disconnect(view_.get(), handlerId_); }

    TitleObservation(const TitleObservation&) = delete;
    TitleObservation& operator=(const TitleObservation&) = delete;

private:
    static void onTitleChanged(WebKitWebView*, GParamSpec*, gpointer self) {
        auto* observation = static_cast<TitleObservation*>(self);
        guardCallback("title change",
                      [observation] { observation->onChange_(observation->owner_); });
    }

    WebViewGtk& owner_;
    GObjectPtr<WebKitWebView> view_;
    std::function<void(WebView&)> onChange_;
    gulong handlerId_ = 0;
};

// How long the page has to answer a script or a snapshot. Both are carried
// out by the web process, and a page whose script never gives its thread back
// (a loop without end) answers neither: past this bound the call ends with an
// error instead, so the self-test still reports, and a late answer is dropped.
constexpr guint pageAnswerSeconds = 10;
constexpr const char* pageAnswerTimeoutMessage = "The page did not answer in time.";

// One script or snapshot call, shared by its engine callback and its timer;
// whichever comes first hands the result on, once.
template <typename Result>
struct PageCall {
    std::function<void(Result)> completion;
    const char* where;
    guint timer = 0;
    bool answered = false;

    void answer(Result result) {
        if (answered) {
            return;
        }
        answered = true;
        if (timer != 0) {
            g_source_remove(timer);
            timer = 0;
        }
        guardCallback(where, [this, &result] { completion(std::move(result)); });
    }
};

template <typename Result>
using PageCallRef = std::shared_ptr<PageCall<Result>>;

// Starts the timer of a call; the returned pointer is the engine callback's
// own reference.
template <typename Result>
gpointer startPageCall(std::function<void(Result)> completion, const char* where) {
    auto call = std::make_shared<PageCall<Result>>(PageCall<Result>{std::move(completion), where});
    call->timer = g_timeout_add_seconds_full(
        G_PRIORITY_DEFAULT, pageAnswerSeconds,
        [](gpointer data) -> gboolean {
            auto& late = *static_cast<PageCallRef<Result>*>(data);
            late->timer = 0;  // Removed by returning G_SOURCE_REMOVE.
            Result result;
            result.errorDescription = pageAnswerTimeoutMessage;
            late->answer(std::move(result));
            return G_SOURCE_REMOVE;
        },
        new PageCallRef<Result>(call),
        [](gpointer data) { delete static_cast<PageCallRef<Result>*>(data); });
    return new PageCallRef<Result>(std::move(call));
}

template <typename Result>
PageCallRef<Result> takePageCall(gpointer data) {
    std::unique_ptr<PageCallRef<Result>> held(static_cast<PageCallRef<Result>*>(data));
    return std::move(*held);
}

void onScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
    const auto call = takePageCall<ScriptResult>(data);
    GError* error = nullptr;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    call->answer(scriptResultFrom(value, error));
}

void onSnapshotFinished(GObject* source, GAsyncResult* result, gpointer data) {
    const auto call = takePageCall<SnapshotResult>(data);
    GError* error = nullptr;
    GdkTexture* texture =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
    SnapshotResult outcome;
    if (texture != nullptr) {
        outcome.image = std::make_unique<ImageGtk>(GObjectPtr<GdkTexture>::adopt(texture));
    }
    if (error != nullptr) {
        outcome.errorDescription = error->message;
        g_error_free(error);
    }
    call->answer(std::move(outcome));
}

}  // namespace

ScriptResult scriptResultFrom(JSCValue* value, GError* error) {
    ScriptResult outcome;
    if (value != nullptr) {
        // undefined and null are no value at all; any other value is given
        // in its text form, and a string as its own characters.
        if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
            char* text = jsc_value_to_string(value);
            outcome.value = text != nullptr ? text : "";
            g_free(text);
        }
        g_object_unref(value);
    }
    if (error != nullptr) {
        outcome.errorDescription = error->message;
        g_error_free(error);
    }
    return outcome;
}

WebViewConfigurationGtk::WebViewConfigurationGtk()
    : context_(GObjectPtr<WebKitWebContext>::adopt(webkit_web_context_new())),
      settings_(GObjectPtr<WebKitSettings>::adopt(webkit_settings_new())) {}

void WebViewConfigurationGtk::setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                                                  const std::string& scheme) {
    registerSchemeHandler(context_.get(), scheme, std::move(handler));
}

void WebViewConfigurationGtk::setMediaTypesRequiringUserActionForPlayback(MediaTypes types) {
    mediaTypes_ = types;
    webkit_settings_set_media_playback_requires_user_gesture(settings_.get(),
                                                             types != MediaTypes::none);
}

WebViewGtk::WebViewGtk(WebViewConfigurationGtk& configuration) {
    // Sound may start on its own only when no media type waits for a gesture.
    const auto autoplay = configuration.mediaTypesRequiringUserAction() == MediaTypes::none
                              ? WEBKIT_AUTOPLAY_ALLOW
                              : WEBKIT_AUTOPLAY_ALLOW_WITHOUT_SOUND;
    WebKitWebsitePolicies* policies =
        webkit_website_policies_new_with_policies("autoplay", autoplay, nullptr);
    // An ephemeral session keeps cookies, caches and storage in memory: the
    // player writes no files of its own.
    WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW,                    //
                                              "web-context", configuration.context(),  //
                                              "settings", configuration.settings(),    //
                                              "website-policies", policies,            //
                                              "network-session", session,              //
                                              nullptr));
    addDeveloperExtras(view);
    g_object_unref(policies);
    g_object_unref(session);
    view_ = GObjectPtr<WebKitWebView>::retain(view);

    // Black until the page paints, like the window around it.
    const GdkRGBA black{0.0F, 0.0F, 0.0F, 1.0F};
    webkit_web_view_set_background_color(view, &black);
}

void WebViewGtk::loadRequest(const UrlRequest& request) {
    // WebKitGTK's requests carry no cache policy and no timeout: the engine
    // uses the protocol's caching rules, and app: answers arrive at once, so
    // only the URL is passed on.
    WebKitURIRequest* uriRequest = webkit_uri_request_new(request.url.c_str());
    webkit_web_view_load_request(view_.get(), uriRequest);
    g_object_unref(uriRequest);
}

std::optional<std::string> WebViewGtk::title() const {
    const char* title = webkit_web_view_get_title(view_.get());
    if (title == nullptr) {
        return std::nullopt;
    }
    return std::string(title);
}

std::unique_ptr<Observation> WebViewGtk::observeTitle(std::function<void(WebView&)> onChange) {
    return std::make_unique<TitleObservation>(*this, std::move(onChange));
}

void WebViewGtk::evaluateJavaScript(const std::string& script,
                                    std::function<void(ScriptResult)> completion) {
    webkit_web_view_evaluate_javascript(
        view_.get(), script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
        onScriptFinished, startPageCall(std::move(completion), "script completion"));
}

void WebViewGtk::takeSnapshot(std::function<void(SnapshotResult)> completion) {
    webkit_web_view_get_snapshot(view_.get(), WEBKIT_SNAPSHOT_REGION_VISIBLE,
                                 WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr, onSnapshotFinished,
                                 startPageCall(std::move(completion), "snapshot completion"));
}

}  // namespace velmorin::gtk
