#include "platform/gtk/DownloadsGtk.h"

namespace velmorin::gtk {

namespace {

// A response is shown when the view can show its type and ignored when it
// cannot, whatever its headers say: left to itself, the engine would save an
// attachment. Navigations are left to the engine; one that turns into a
// download is cancelled below.
gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    if (webkit_response_policy_decision_is_mime_type_supported(
            WEBKIT_RESPONSE_POLICY_DECISION(decision))) {
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void onDownloadStarted(WebKitNetworkSession*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

}  // namespace

void refuseDownloads(WebKitWebView* view, WebKitNetworkSession* session) {
    // The handlers hold no data, so they are safe for as long as the view
    // and the session live, and go with them.
    g_signal_connect(view, "decide-policy", G_CALLBACK(onDecidePolicy), nullptr);
    g_signal_connect(session, "download-started", G_CALLBACK(onDownloadStarted), nullptr);
}

}  // namespace velmorin::gtk
