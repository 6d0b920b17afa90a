#include "platform/gtk/PageDialogsGtk.h"

namespace velmorin::gtk {

namespace {

gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer) {
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
            break;
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
            break;
        case WEBKIT_SCRIPT_DIALOG_ALERT:
        case WEBKIT_SCRIPT_DIALOG_PROMPT:
            // An alert has nothing to answer; a prompt whose text is never
            // set gives the page null, as a dismissed prompt does.
            break;
    }
    // The engine closes the dialog with these answers when this handler
    // returns without having taken a reference to it.
    return TRUE;
}

// Taking the signal without keeping the request ends it unanswered: no
// print dialog, and the file chooser is cancelled.
gboolean onRequestTaken(WebKitWebView*, GObject*, gpointer) {
    return TRUE;
}

}  // namespace

void answerPageDialogsSilently(WebKitWebView* view) {
    // The handlers hold no data, so they are safe for as long as the view
    // lives and go with it.
    g_signal_connect(view, "script-dialog", G_CALLBACK(onScriptDialog), nullptr);
    g_signal_connect(view, "print", G_CALLBACK(onRequestTaken), nullptr);
    g_signal_connect(view, "run-file-chooser", G_CALLBACK(onRequestTaken), nullptr);
}

}  // namespace velmorin::gtk
