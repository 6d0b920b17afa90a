#pragma once

#include <webkit/webkit.h>

#include "platform/gtk/SignalHandlers.h"

#include <string>
#include <utility>

namespace velmorin::gtk {

// Loads the page again after a lost web process, as rules/CrashReload.h and
// platform/gtk/rules/EmptyHistoryReload.h say: the rules answer, and this
// watches the view, counts the losses, waits for the view to be on screen and
// clears the count on a timer.
class LossReloader {
public:
    explicit LossReloader(WebKitWebView* view);
    ~LossReloader();

    // The page the view was asked to load: loaded again when the web
    // process is lost before any page of the view got as far as its
    // history, where a reload starts a new process and loads nothing.
    void setRequestedPage(std::string uri) { requestedPage_ = std::move(uri); }

    LossReloader(const LossReloader&) = delete;
    LossReloader& operator=(const LossReloader&) = delete;

private:
    static void onTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                             gpointer self);
    static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static void onMapped(GtkWidget* view, gpointer self);
    static gboolean onQuietPeriodOver(gpointer self);

    void stopQuietPeriod();
    void loadAgain();

    WebKitWebView* view_;  // Not owned: the view outlives this.
    SignalHandlers handlers_;
    std::string requestedPage_;
    int recentLosses_ = 0;
    bool reloadWhenMapped_ = false;
    guint quietPeriod_ = 0;
};

}  // namespace velmorin::gtk
