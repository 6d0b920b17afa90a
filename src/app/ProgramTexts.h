#pragma once

#include "app/ProgramFacts.h"

namespace velmorin {

// The program's title: the launch dialog's message and the player window's title.
inline constexpr const char* programTitle = "Velmorin HD";

inline constexpr const char* fullscreenCheckboxTitle = "Fullscreen";
inline constexpr const char* playButtonTitle = "Play";
inline constexpr const char* quitButtonTitle = "Quit";
inline constexpr const char* quitMenuItemTitle = "Quit";
inline constexpr const char* quitKeyEquivalent = "q";

inline constexpr const char* startPageUrl = "app://demo/index.html";
inline constexpr const char* demoScheme = "app";

}  // namespace velmorin
