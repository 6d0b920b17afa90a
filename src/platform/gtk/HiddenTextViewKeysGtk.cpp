#include "platform/gtk/HiddenTextViewKeysGtk.h"

#include "platform/gtk/CaptureKeyGtk.h"
#include "platform/gtk/rules/HiddenTextViewKeys.h"

namespace velmorin::gtk {

namespace {

gboolean swallowKey(GtkWidget*, GVariant*, gpointer) {
    return TRUE;
}

}  // namespace

void keepKeysFromHiddenTextView(WebKitWebView* view) {
    // The capture phase runs before the view's own key handling, which is
    // where the key would be handed to the hidden text view.
    addCaptureFunctionKeys(GTK_WIDGET(view), keptFromHiddenTextView, swallowKey);
}

}  // namespace velmorin::gtk
