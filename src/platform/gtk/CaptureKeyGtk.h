#pragma once

#include <gtk/gtk.h>

#include "rules/FunctionKeys.h"

namespace velmorin::gtk {

// Calls `action` for `keyval` pressed with no modifier, in the capture
// phase: before the widget's children, the web view's page among them, see
// the key. The action's answer says whether the key was used up.
inline void addCaptureKey(GtkWidget* widget, guint keyval, GtkShortcutFunc action) {
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(keyval, static_cast<GdkModifierType>(0)),
                         gtk_callback_action_new(action, nullptr, nullptr)));
    gtk_widget_add_controller(widget, keys);
}

// Calls `action` for each function key F`number` that `chosen(number)` picks.
template <typename Choice>
void addCaptureFunctionKeys(GtkWidget* widget, Choice chosen, GtkShortcutFunc action) {
    for (int number = 1; number <= functionKeyCount; ++number) {
        if (chosen(number)) {
            // GDK's function key values follow each other from F1 on.
            addCaptureKey(widget, GDK_KEY_F1 + static_cast<guint>(number - 1), action);
        }
    }
}

// Calls `action` for each function key of this use (rules/FunctionKeys.h).
inline void addCaptureKeysFor(GtkWidget* widget, FunctionKeyUse use, GtkShortcutFunc action) {
    addCaptureFunctionKeys(
        widget, [use](int number) { return useOfFunctionKey(number) == use; }, action);
}

}  // namespace velmorin::gtk
