#include "platform/gtk/CrashReloadGtk.h"

namespace velmorin::gtk {

namespace {

// At most this many reloads in a row, each after a lost web process.
constexpr int maximumReloads = 1;
// How long a loaded page must last before its losses are forgotten.
constexpr guint quietPeriodSeconds = 30;

}  // namespace

CrashReload::CrashReload(WebKitWebView* view) : view_(view) {
    g_signal_connect(view, "web-process-terminated", G_CALLBACK(onTerminated), this);
    g_signal_connect(view, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(view, "map", G_CALLBACK(onMapped), this);
}

CrashReload::~CrashReload() {
    g_signal_handlers_disconnect_by_data(view_, this);
    stopQuietPeriod();
}

void CrashReload::stopQuietPeriod() {
    if (quietPeriod_ != 0) {
        g_source_remove(quietPeriod_);
        quietPeriod_ = 0;
    }
}

void CrashReload::loadAgain() {
    // A reload starts the new process and loads the view's current history
    // item. A process lost before the first page committed leaves no such
    // item, and the reload would leave the view empty for good.
    WebKitBackForwardList* history = webkit_web_view_get_back_forward_list(view_);
    if (webkit_back_forward_list_get_current_item(history) == nullptr && !requestedPage_.empty()) {
        webkit_web_view_load_uri(view_, requestedPage_.c_str());
    } else {
        webkit_web_view_reload(view_);
    }
}

void CrashReload::onTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                               gpointer self) {
    auto* reload = static_cast<CrashReload*>(self);
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
        return;
    }
    reload->stopQuietPeriod();
    if (++reload->recentLosses_ > maximumReloads) {
        // The page is left as it is, and the count starts again.
        reload->recentLosses_ = 0;
        return;
    }
    if (gtk_widget_get_mapped(GTK_WIDGET(view))) {
        reload->loadAgain();
    } else {
        reload->reloadWhenMapped_ = true;
    }
}

void CrashReload::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
    auto* reload = static_cast<CrashReload*>(self);
    if (event != WEBKIT_LOAD_FINISHED) {
        return;
    }
    reload->stopQuietPeriod();
    reload->quietPeriod_ = g_timeout_add_seconds(quietPeriodSeconds, onQuietPeriodOver, self);
}

void CrashReload::onMapped(GtkWidget*, gpointer self) {
    auto* reload = static_cast<CrashReload*>(self);
    if (reload->reloadWhenMapped_) {
        reload->reloadWhenMapped_ = false;
        reload->loadAgain();
    }
}

gboolean CrashReload::onQuietPeriodOver(gpointer self) {
    auto* reload = static_cast<CrashReload*>(self);
    reload->recentLosses_ = 0;
    reload->quietPeriod_ = 0;
    return G_SOURCE_REMOVE;
}

}  // namespace velmorin::gtk
