#include "platform/gtk/HiddenTextViewKeysGtk.h"

#include "platform/gtk/CaptureKeyGtk.h"

namespace velmorin::gtk {

namespace {

gboolean swallowKey(GtkWidget*, GVariant*, gpointer) {
    return TRUE;
}

}  // namespace

void keepF7FromHiddenTextView(WebKitWebView* view) {
    // The capture phase runs before the view's own key handling, which is
    // where the key would be handed to the hidden text view.
    addCaptureKey(GTK_WIDGET(view), GDK_KEY_F7, swallowKey);
}

}  // namespace velmorin::gtk
