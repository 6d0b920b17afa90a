#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/LaunchSettings.h"
#include "platform/Alert.h"
#include "platform/Geometry.h"

namespace velmorin {

enum class FullScreen {
    off,
    on,
};

// What the launch dialog decided: quit, or play windowed or full screen.
struct LaunchChoice {
    enum class Action { quit, play };

    Action action = Action::quit;
    FullScreen fullScreen = FullScreen::off;

    friend bool operator==(const LaunchChoice&, const LaunchChoice&) = default;
};

// Self-test mode plays windowed without asking. Otherwise only the "Play"
// response plays, full screen exactly when the box was ticked; every other
// response, however the dialog was closed, quits.
LaunchChoice dialogOutcome(SelfTestMode selfTest, std::optional<ModalResponse> response,
                           std::optional<ControlState> checkbox);

// The player window's content size: 640 x 360 in self-test mode; otherwise
// three quarters of the main screen's whole frame in each direction,
// unrounded (1366 x 768 gives 1024.5 x 576).
Size windowContentSize(SelfTestMode selfTest, const Rect& screenFrame);

// True only when the page title is exactly the exit title.
bool isExitTitle(const std::optional<std::string>& title, std::string_view exitTitle);

}  // namespace velmorin
