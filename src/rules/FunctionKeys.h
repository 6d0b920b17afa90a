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
};

inline constexpr int functionKeyCount = 12;

// The use of F`number`.
constexpr FunctionKeyUse useOfFunctionKey(int number) {
    return number == 11 ? FunctionKeyUse::toggleFullScreen : FunctionKeyUse::page;
}

}  // namespace velmorin
