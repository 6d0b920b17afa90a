#include "platform/gtk/LossReloaderGtk.h"

#include "platform/gtk/rules/EmptyHistoryReload.h"
#include "rules/CrashReload.h"

namespace velmorin::gtk {

LossReloader::LossReloader(WebKitWebView* view)
    : view_(view),
      handlers_(view, {{"web-process-terminated", G_CALLBACK(onTerminated), this},
                       {"load-changed", G_CALLBACK(onLoadChanged), this},
                       {"map", G_CALLBACK(onMapped), this}}) {}

LossReloader::~LossReloader() {
    stopQuietPeriod();
}

void LossReloader::stopQuietPeriod() {
    if (quietPeriod_ != 0) {
        g_source_remove(quietPeriod_);
        quietPeriod_ = 0;
    }
}

void LossReloader::loadAgain() {
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

void LossReloader::onTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                gpointer self) {
    auto* reloader = static_cast<LossReloader*>(self);
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
        return;
    }
    reloader->stopQuietPeriod();
    const LossAnswer answer = answerToLoss(reloader->recentLosses_);
    reloader->recentLosses_ = answer.recentLosses;
    if (answer.action == AfterLoss::leaveAsItIs) {
        return;
    }
    if (gtk_widget_get_mapped(GTK_WIDGET(view))) {
        reloader->loadAgain();
    } else {
        reloader->reloadWhenMapped_ = true;
    }
}

void LossReloader::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
    auto* reloader = static_cast<LossReloader*>(self);
    if (event != WEBKIT_LOAD_FINISHED) {
        return;
    }
    reloader->stopQuietPeriod();
    reloader->quietPeriod_ = g_timeout_add_seconds(static_cast<guint>(lossesForgottenAfter.count()),
                                                   onQuietPeriodOver, self);
}

void LossReloader::onMapped(GtkWidget*, gpointer self) {
    auto* reloader = static_cast<LossReloader*>(self);
    if (reloader->reloadWhenMapped_) {
        reloader->reloadWhenMapped_ = false;
        reloader->loadAgain();
    }
}

gboolean LossReloader::onQuietPeriodOver(gpointer self) {
    auto* reloader = static_cast<LossReloader*>(self);
    reloader->recentLosses_ = 0;
    reloader->quietPeriod_ = 0;
    return G_SOURCE_REMOVE;
}

}  // namespace velmorin::gtk
