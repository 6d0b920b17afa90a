#include "platform/gtk/HiddenTextViewKeysGtk.h"

namespace velmorin::gtk {

namespace {

gboolean swallowKey(GtkWidget*, GVariant*, gpointer) {
    return TRUE;
}

}  // namespace

void keepF7FromHiddenTextView(WebKitWebView* view) {
    // The capture phase runs before the view's own key handling, which is
    // where the key would be handed to the hidden text view.
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_F7, static_cast<GdkModifierType>(0)),
                         gtk_callback_action_new(swallowKey, nullptr, nullptr)));
    gtk_widget_add_controller(GTK_WIDGET(view), keys);
}

}  // namespace velmorin::gtk
