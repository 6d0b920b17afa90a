#pragma once

#include <webkit/webkit.h>

#include <string>
#include <utility>

namespace velmorin::gtk {

// When the view's web process ends without being asked to (it crashed, or it
// went over its memory limit), the page is loaded again, as soon as the view
// is on screen, in a new web process. This happens at most once in a row: a
// second loss before the count of recent losses is cleared leaves the view as
// it is. The count is cleared 30 s after a page finishes loading.
class CrashReload {
public:
    explicit CrashReload(WebKitWebView* view);
    ~CrashReload();

    // The page the view was asked to load: loaded again when the web
    // process is lost before any page of the view got as far as its
    // history, where a reload starts a new process and loads nothing.
    void setRequestedPage(std::string uri) { requestedPage_ = std::move(uri); }

    CrashReload(const CrashReload&) = delete;
    CrashReload& operator=(const CrashReload&) = delete;

private:
    static void onTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                             gpointer self);
    static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static void onMapped(GtkWidget* view, gpointer self);
    static gboolean onQuietPeriodOver(gpointer self);

    void stopQuietPeriod();
    void loadAgain();

    WebKitWebView* view_;  // Not owned: the view outlives this.
    std::string requestedPage_;
    int recentLosses_ = 0;
    bool reloadWhenMapped_ = false;
    guint quietPeriod_ = 0;
};

}  // namespace velmorin::gtk
