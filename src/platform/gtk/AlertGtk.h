#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Alert.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::gtk {

class CheckboxGtk final : public Checkbox {
public:
    explicit CheckboxGtk(const std::string& title);

    void setState(ControlState state) override;
    ControlState state() const override;

    GtkWidget* widget() const { return button_.get(); }

private:
    GObjectPtr<GtkWidget> button_;
};

// A modal alert built from a plain GtkWindow, since this GTK has no alert
// dialog of its own: message, informative text, an optional checkbox and a
// row of buttons, the first of which is the default (Enter presses it).
class AlertGtk final : public Alert {
public:
    void setMessageText(const std::string& text) override { message_ = text; }
    void setInformativeText(const std::string& text) override { informative_ = text; }
    void setAccessoryView(std::shared_ptr<Checkbox> checkbox) override;
    void addButtonWithTitle(const std::string& title) override { buttons_.push_back(title); }
    ModalResponse runModal() override;

    // The response of an alert closed without a button (its close button or
    // Escape); anything but a button's response counts as "not that button".
    static constexpr ModalResponse closedResponse = 0;

private:
    std::string message_;
    std::string informative_;
    std::shared_ptr<CheckboxGtk> accessory_;
    std::vector<std::string> buttons_;
};

}  // namespace velmorin::gtk
