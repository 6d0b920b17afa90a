#pragma once

#include <string>

#include "app/ProgramFacts.h"
#include "scheme/PageContract.h"

namespace velmorin {

// The program's title: the launch dialog's message and the player window's title.
inline constexpr const char* programTitle = "Velmorin HD";

inline constexpr const char* fullscreenCheckboxTitle = "Fullscreen";
inline constexpr const char* playButtonTitle = "Play";
inline constexpr const char* quitButtonTitle = "Quit";
inline constexpr const char* quitMenuItemTitle = "Quit";
inline constexpr const char* quitKeyEquivalent = "q";

// The demo folder's start page, "app://demo/index.html".
inline std::string startPageUrl() {
    return std::string(demoScheme) + "://demo/" + std::string(startPageName);
}

}  // namespace velmorin
