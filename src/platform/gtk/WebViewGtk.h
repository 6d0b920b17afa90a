#pragma once

#include <webkit/webkit.h>

#include <memory>

#include "platform/WebView.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/LossReloaderGtk.h"

namespace velmorin::gtk {

// A configuration is a web context of the program's own (so the app: scheme
// is registered before anything loads) and the settings the view starts with.
class WebViewConfigurationGtk final : public WebViewConfiguration {
public:
    WebViewConfigurationGtk();

    void setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                             const std::string& scheme) override;
    void setMediaTypesRequiringUserActionForPlayback(MediaTypes types) override;

    WebKitWebContext* context() const { return context_.get(); }
    WebKitSettings* settings() const { return settings_.get(); }
    MediaTypes mediaTypesRequiringUserAction() const { return mediaTypes_; }

private:
    GObjectPtr<WebKitWebContext> context_;
    GObjectPtr<WebKitSettings> settings_;
    MediaTypes mediaTypes_ = MediaTypes::all;
};

// What a finished script evaluation gives, as the program reads it. Takes
// over the value and the error, either of which may be null.
ScriptResult scriptResultFrom(JSCValue* value, GError* error);

class WebViewGtk final : public WebView {
public:
    explicit WebViewGtk(WebViewConfigurationGtk& configuration);
    ~WebViewGtk() override;

    WebViewGtk(const WebViewGtk&) = delete;
    WebViewGtk& operator=(const WebViewGtk&) = delete;

    void loadRequest(const UrlRequest& request) override;
    std::optional<std::string> title() const override;
    std::unique_ptr<Observation> observeTitle(TitleChange onChange) override;
    void evaluateJavaScript(const std::string& script,
                            std::function<void(ScriptResult)> completion) override;
    void takeSnapshot(std::function<void(SnapshotResult)> completion) override;

    GtkWidget* widget() const { return GTK_WIDGET(view_.get()); }
    WebKitWebView* handle() const { return view_.get(); }

private:
    GObjectPtr<WebKitWebView> view_;
    // Goes before the view it watches.
    std::unique_ptr<LossReloader> lossReloader_;
    // Passed to every script and snapshot call, and cancelled when this
    // goes: answers that arrive after that are dropped.
    GObjectPtr<GCancellable> calls_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
};

}  // namespace velmorin::gtk
