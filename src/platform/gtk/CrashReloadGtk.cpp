#include "platform/gtk/CrashReloadGtk.h"

#include "rules/CrashReload.h"

namespace velmorin::gtk {

CrashReload::CrashReload(WebKitWebView* view)
    : view_(view),
      handlers_(view, {{"web-process-terminated", G_CALLBACK(onTerminated), this},
                       {"load-changed", G_CALLBACK(onLoadChanged), this},
                       {"map", G_CALLBACK(onMapped), this}}) {}

CrashReload::~CrashReload() {
    stopQuietPeriod();
}

void CrashReload::stopQuietPeriod() {
    if (quietPeriod_ != 0) {
        g_source_remove(quietPeriod_);
        quietPeriod_ = 0;
    }
}

void CrashReload::loadAgain() {
    WebKitBackForwardList* history = webkit_web_view_get_back_forward_list(view_);
    const auto way = howToLoadAgain(
        webkit_back_forward_list_get_current_item(history) == nullptr ? ViewHistory::empty
                                                                      : ViewHistory::hasCurrentPage,
        requestedPage_.empty() ? RequestedPage::none : RequestedPage::known);
    if (way == LoadAgainBy::loadingTheRequestedPage) {
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
    const LossAnswer answer = answerToLoss(reload->recentLosses_);
    reload->recentLosses_ = answer.recentLosses;
    if (answer.action == AfterLoss::leaveAsItIs) {
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
    reload->quietPeriod_ = g_timeout_add_seconds(static_cast<guint>(lossesForgottenAfter.count()),
                                                 onQuietPeriodOver, self);
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
