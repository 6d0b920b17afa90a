#pragma once

namespace velmorin {

// What the player does with a function key (F1 to F12) pressed with no
// modifier, before the page sees it.
enum class FunctionKeyUse {
    // The page gets it, like any other key.
    page,
    // The window leaves or enters full screen, as in GNOME's own programs: a
    // full screen window has no title bar to leave full screen with. The
    // page, which keeps the focus, does not see the key.
    toggleFullScreen,
    // No one gets it. WebKitGTK works out which editing command a key stands
    // for by handing every key to a GTK text view of its own that is never
    // shown; F7 turns that text view's cursor on, and the cursor of a text
    // view that is never shown blinks into an assertion of GTK's that aborts
    // the program. The view has no caret to show, and the bundled demo has
    // no use for F7.
    keptFromTheEngine,
};

inline constexpr int functionKeyCount = 12;

// The use of F`number`.
constexpr FunctionKeyUse useOfFunctionKey(int number) {
    switch (number) {
        case 7:
            return FunctionKeyUse::keptFromTheEngine;
        case 11:
            return FunctionKeyUse::toggleFullScreen;
        default:
            return FunctionKeyUse::page;
    }
}

}  // namespace velmorin
