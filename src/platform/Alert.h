#pragma once

#include <memory>
#include <string>

namespace velmorin {

// Checkbox states, with the numeric values the program's rules are written in.
enum class ControlState : int {
    mixed = -1,
    off = 0,
    on = 1,
};

// The answer of a modal alert: the response code of the button pressed, or
// some other code when the alert was closed another way.
using ModalResponse = long;

// Buttons answer with these codes, in the order they were added.
inline constexpr ModalResponse firstButtonResponse = 1000;
inline constexpr ModalResponse secondButtonResponse = 1001;

class Checkbox {
public:
    virtual ~Checkbox() = default;

    virtual void setState(ControlState state) = 0;
    virtual ControlState state() const = 0;
};

class Alert {
public:
    virtual ~Alert() = default;

    virtual void setMessageText(const std::string& text) = 0;
    virtual void setInformativeText(const std::string& text) = 0;
    // Shows the checkbox inside the alert, below the texts.
    virtual void setAccessoryView(std::shared_ptr<Checkbox> checkbox) = 0;
    virtual void addButtonWithTitle(const std::string& title) = 0;

    // Shows the alert and runs a nested event loop on the main thread until
    // it is answered.
    virtual ModalResponse runModal() = 0;
};

}  // namespace velmorin
