#include "platform/gtk/AlertGtk.h"

#include <optional>
#include <vector>

#include "platform/gtk/BackendCast.h"
#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/SignalHandlers.h"

namespace velmorin::gtk {

namespace {

// What a running alert waits for: the response, and the nested loop to stop.
struct ModalRun {
    GMainLoop* loop = nullptr;
    std::optional<ModalResponse> response;

    void finish(ModalResponse answer) {
        if (!response) {
            response = answer;
        }
        g_main_loop_quit(loop);
    }
};

constexpr const char* responseKey = "velmorin-response";

void onButtonClicked(GtkButton* button, gpointer run) {
    const auto response = static_cast<ModalResponse>(
        GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), responseKey)));
    static_cast<ModalRun*>(run)->finish(response);
}

gboolean onCloseRequest(GtkWindow*, gpointer run) {
    static_cast<ModalRun*>(run)->finish(AlertGtk::closedResponse);
    return TRUE;  // The alert is destroyed by runModal, not here.
}

bool isEnterKey(guint keyval) {
    return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

// Enter is the default button's key: it presses that button whichever control
// has the focus, the checkbox and the other buttons included, which would
// otherwise take Enter as their own click. Space still presses the focused
// control: it toggles the checkbox, or presses "Quit" when that has the focus.
// The handler reads everything from the alert's window, so it holds no state
// that could go stale.
gboolean onKeyPressed(GtkEventControllerKey* controller, guint keyval, guint,
                      GdkModifierType modifiers, gpointer) {
    constexpr auto chordModifiers = GDK_CONTROL_MASK | GDK_ALT_MASK | GDK_SHIFT_MASK |
                                    GDK_SUPER_MASK | GDK_META_MASK | GDK_HYPER_MASK;
    if (!isEnterKey(keyval) || (modifiers & chordModifiers) != 0) {
        return FALSE;
    }
    GtkWindow* window =
        GTK_WINDOW(gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(controller)));
    GtkWidget* defaultButton = gtk_window_get_default_widget(window);
    if (defaultButton == nullptr) {
        return FALSE;
    }
    gtk_widget_activate(defaultButton);
    return TRUE;
}

GtkWidget* wrappedLabel(const std::string& text, const char* cssClass) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 40);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_widget_add_css_class(label, cssClass);
    return label;
}

}  // namespace

CheckboxGtk::CheckboxGtk(const std::string& title)
    : button_(GObjectPtr<GtkWidget>::retain(gtk_check_button_new_with_label(title.c_str()))) {}

void CheckboxGtk::setState(ControlState state) {
    GtkCheckButton* check = GTK_CHECK_BUTTON(button_.get());
    gtk_check_button_set_inconsistent(check, state == ControlState::mixed);
    gtk_check_button_set_active(check, state == ControlState::on);
}

ControlState CheckboxGtk::state() const {
    GtkCheckButton* check = GTK_CHECK_BUTTON(button_.get());
    if (gtk_check_button_get_inconsistent(check)) {
        return ControlState::mixed;
    }
    return gtk_check_button_get_active(check) ? ControlState::on : ControlState::off;
}

void AlertGtk::setAccessoryView(std::shared_ptr<Checkbox> checkbox) {
    accessory_ = backendCast<CheckboxGtk>(std::move(checkbox));
}

ModalResponse AlertGtk::runModal() {
    g_autoptr(GMainLoop) loop = g_main_loop_new(nullptr, FALSE);
    ModalRun run;
    run.loop = loop;

    GtkWidget* window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window), message_.c_str());
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_widget_add_css_class(window, "velmorin-alert");

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_set_margin_top(box, 24);
    gtk_widget_set_margin_bottom(box, 18);
    gtk_widget_set_margin_start(box, 24);
    gtk_widget_set_margin_end(box, 24);
    gtk_box_append(GTK_BOX(box), wrappedLabel(message_, "title-2"));
    gtk_box_append(GTK_BOX(box), wrappedLabel(informative_, "body"));
    if (accessory_) {
        gtk_widget_set_halign(accessory_->widget(), GTK_ALIGN_CENTER);
        gtk_box_append(GTK_BOX(box), accessory_->widget());
    }

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
    gtk_widget_set_margin_top(row, 6);
    std::vector<GtkWidget*> buttons;
    // The handlers point at this call's state: none may run once it is over,
    // however long something else keeps the alert's widgets.
    std::vector<SignalHandlers> handlers;
    for (std::size_t index = 0; index < buttons_.size(); ++index) {
        GtkWidget* button = gtk_button_new_with_label(buttons_[index].c_str());
        buttons.push_back(button);
        const auto response = firstButtonResponse + static_cast<ModalResponse>(index);
        g_object_set_data(G_OBJECT(button), responseKey, GINT_TO_POINTER(response));
        handlers.emplace_back(button, std::initializer_list<SignalHandlers::Handler>{
                                          {"clicked", G_CALLBACK(onButtonClicked), &run}});
        gtk_box_append(GTK_BOX(row), button);
        if (index == 0) {
            gtk_widget_add_css_class(button, "suggested-action");
        }
    }
    gtk_box_append(GTK_BOX(box), row);
    gtk_window_set_child(GTK_WINDOW(window), box);

    handlers.emplace_back(window, std::initializer_list<SignalHandlers::Handler>{
                                      {"close-request", G_CALLBACK(onCloseRequest), &run}});
    // Escape closes the alert, which answers like its close button.
    GtkEventController* shortcuts = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(shortcuts),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_named_action_new("window.close")));
    gtk_widget_add_controller(window, shortcuts);
    // Seen before the focused control, which would take Enter for itself.
    GtkEventController* enterKey = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(enterKey, GTK_PHASE_CAPTURE);
    g_signal_connect(enterKey, "key-pressed", G_CALLBACK(onKeyPressed), nullptr);
    gtk_widget_add_controller(window, enterKey);

    if (!buttons.empty()) {
        gtk_window_set_default_widget(GTK_WINDOW(window), buttons.front());
        gtk_window_set_focus(GTK_WINDOW(window), buttons.front());
    }
    gtk_window_present(GTK_WINDOW(window));
    g_main_loop_run(run.loop);

    if (accessory_) {
        // The checkbox outlives the alert so its state can still be read.
        gtk_box_remove(GTK_BOX(box), accessory_->widget());
    }
    handlers.clear();
    gtk_window_destroy(GTK_WINDOW(window));
    return run.response.value_or(closedResponse);
}

}  // namespace velmorin::gtk
