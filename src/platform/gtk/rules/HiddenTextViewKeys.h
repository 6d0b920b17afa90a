#pragma once

namespace velmorin {

// Whether F`number`, pressed with no modifier, is kept from the engine, so
// that neither it nor the page gets it. WebKitGTK works out which editing
// command a key stands for by handing every key to a GTK text view of its own
// that is never shown; F7 turns that text view's cursor on, and the cursor of
// a text view that is never shown blinks into an assertion of GTK's that
// aborts the program. The view has no caret to show, and the bundled demo has
// no use for F7.
constexpr bool keptFromHiddenTextView(int number) {
    return number == 7;
}

}  // namespace velmorin
