#include "platform/gtk/WebViewGtk.h"

#include <utility>

#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/DefaultTextTracksGtk.h"
#include "platform/gtk/DeveloperExtrasGtk.h"
#include "platform/gtk/DownloadsGtk.h"
#include "platform/gtk/DrawingPathGtk.h"
#include "platform/gtk/HiddenTextViewKeysGtk.h"
#include "platform/gtk/ImageGtk.h"
#include "platform/gtk/MediaDoorGtk.h"
#include "platform/gtk/PageDialogsGtk.h"
#include "platform/gtk/SchemeTaskGtk.h"
#include "platform/gtk/SignalHandlers.h"

namespace velmorin::gtk {

namespace {

// The document title, or nothing when the page has none.
std::optional<std::string> titleOf(WebKitWebView* view) {
    const char* title = webkit_web_view_get_title(view);
    return title != nullptr ? std::optional<std::string>(title) : std::nullopt;
}

// Keeps a signal connection for as long as the observation is held. It
// holds no reference to the view: a view that goes first takes the
// connection with it.
class TitleObservation final : public Observation {
public:
    TitleObservation(WebKitWebView* view, WebView::TitleChange onChange)
        : onChange_(std::move(onChange)),
          handlers_(view, {{"notify::title", G_CALLBACK(onTitleChanged), this}}) {}

private:
    static void onTitleChanged(WebKitWebView* view, GParamSpec*, gpointer self) {
        auto* observation = static_cast<TitleObservation*>(self);
        guardCallback("title change",
                      [observation, view] { observation->onChange_(titleOf(view)); });
    }

    WebView::TitleChange onChange_;
    SignalHandlers handlers_;
};

// One script or snapshot call, held by its engine callback. The engine
// answers each call exactly once, however long the page takes: a page whose
// script never gives its thread back is never answered, and the call waits
// with it. The answer is handed on only while the view that asked still
// exists, its calls not cancelled; after that it is dropped.
template <typename Result>
struct PageCall {
    std::function<void(Result)> completion;
    GObjectPtr<GCancellable> calls;
    const char* where;

    void answer(Result result) {
        if (g_cancellable_is_cancelled(calls.get())) {
            return;
        }
        guardCallback(where, [this, &result] { completion(std::move(result)); });
    }
};

template <typename Result>
gpointer startPageCall(std::function<void(Result)> completion,
                       const GObjectPtr<GCancellable>& calls, const char* where) {
    return new PageCall<Result>{std::move(completion), calls, where};
}

template <typename Result>
std::unique_ptr<PageCall<Result>> takePageCall(gpointer data) {
    return std::unique_ptr<PageCall<Result>>(static_cast<PageCall<Result>*>(data));
}

void onScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
    const auto call = takePageCall<ScriptResult>(data);
    GError* error = nullptr;  // Taken over by scriptResultFrom().
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    call->answer(scriptResultFrom(value, error));
}

void onSnapshotFinished(GObject* source, GAsyncResult* result, gpointer data) {
    const auto call = takePageCall<SnapshotResult>(data);
    g_autoptr(GError) error = nullptr;
    auto texture = GObjectPtr<GdkTexture>::adopt(
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error));
    SnapshotResult outcome;
    if (texture) {
        outcome.image = std::make_unique<ImageGtk>(std::move(texture));
    }
    if (error != nullptr) {
        outcome.errorDescription = error->message;
    }
    call->answer(std::move(outcome));
}

}  // namespace

ScriptResult scriptResultFrom(JSCValue* value, GError* error) {
    const auto heldValue = GObjectPtr<JSCValue>::adopt(value);
    g_autoptr(GError) heldError = error;
    ScriptResult outcome;
    // undefined and null are no value at all; any other value is given in its
    // text form, and a string as its own characters.
    if (value != nullptr && !jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
        g_autofree char* text = jsc_value_to_string(value);
        outcome.value = text != nullptr ? text : "";
    }
    if (error != nullptr) {
        outcome.errorDescription = error->message;
    }
    return outcome;
}

WebViewConfigurationGtk::WebViewConfigurationGtk()
    : context_(GObjectPtr<WebKitWebContext>::adopt(webkit_web_context_new())),
      settings_(GObjectPtr<WebKitSettings>::adopt(webkit_settings_new())) {
    // A page cannot take an element to full screen on its own: the
    // Fullscreen API is off, so document.fullscreenEnabled is false and
    // requestFullscreen() is not offered. Full screen is the player window's,
    // chosen in the launch dialog.
    webkit_settings_set_enable_fullscreen(settings_.get(), FALSE);
    // Where the only OpenGL is a software rasterizer, pages are drawn without
    // compositing; everywhere else the engine's default stays.
    applyDrawingPath(settings_.get());
}

void WebViewConfigurationGtk::setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                                                  const std::string& scheme) {
    if (const auto folder = handler->mediaFolder()) {
        openMediaDoor(context_.get(), scheme, *folder);
    }
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
    const auto policies = GObjectPtr<WebKitWebsitePolicies>::adopt(
        webkit_website_policies_new_with_policies("autoplay", autoplay, nullptr));
    // An ephemeral session keeps cookies, caches and storage in memory: the
    // player writes no files of its own.
    const auto session =
        GObjectPtr<WebKitNetworkSession>::adopt(webkit_network_session_new_ephemeral());
    // A new view starts floating, like every widget; the pointer sinks it.
    view_ = GObjectPtr<WebKitWebView>::retain(
        WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW,                    //
                                     "web-context", configuration.context(),  //
                                     "settings", configuration.settings(),    //
                                     "website-policies", policies.get(),      //
                                     "network-session", session.get(),        //
                                     nullptr)));
    addDeveloperExtras(view_.get());
    answerPageDialogsSilently(view_.get());
    refuseDownloads(view_.get(), session.get());
    keepKeysFromHiddenTextView(view_.get());
    showDefaultTextTracks(view_.get());
    lossReloader_ = std::make_unique<LossReloader>(view_.get());
}

WebViewGtk::~WebViewGtk() {
    g_cancellable_cancel(calls_.get());
}

void WebViewGtk::loadRequest(const UrlRequest& request) {
    // WebKitGTK's requests carry no cache policy and no timeout: the engine
    // uses the protocol's caching rules, and app: answers arrive at once, so
    // only the URL is passed on.
    const auto uriRequest =
        GObjectPtr<WebKitURIRequest>::adopt(webkit_uri_request_new(request.url.c_str()));
    webkit_web_view_load_request(view_.get(), uriRequest.get());
    lossReloader_->setRequestedPage(request.url);
}

std::optional<std::string> WebViewGtk::title() const {
    return titleOf(view_.get());
}

std::unique_ptr<Observation> WebViewGtk::observeTitle(TitleChange onChange) {
    return std::make_unique<TitleObservation>(view_.get(), std::move(onChange));
}

void WebViewGtk::evaluateJavaScript(const std::string& script,
                                    std::function<void(ScriptResult)> completion) {
    webkit_web_view_evaluate_javascript(
        view_.get(), script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
        calls_.get(), onScriptFinished,
        startPageCall(std::move(completion), calls_, "script completion"));
}

void WebViewGtk::takeSnapshot(std::function<void(SnapshotResult)> completion) {
    webkit_web_view_get_snapshot(
        view_.get(), WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, calls_.get(),
        onSnapshotFinished, startPageCall(std::move(completion), calls_, "snapshot completion"));
}

}  // namespace velmorin::gtk
