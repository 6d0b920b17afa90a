#include "app/LaunchRules.h"

namespace velmorin {

namespace {

constexpr Size selfTestContentSize{640.0, 360.0};
constexpr double screenWidthFactor = 0.75;
constexpr double screenHeightFactor = 0.75;

}  // namespace

LaunchChoice dialogOutcome(SelfTestMode selfTest, std::optional<ModalResponse> response,
                           std::optional<ControlState> checkbox) {
    if (selfTest == SelfTestMode::on) {
        return {LaunchChoice::Action::play, FullScreen::off};
    }
    if (response != firstButtonResponse) {
        return {LaunchChoice::Action::quit, FullScreen::off};
    }
    const bool ticked = checkbox == ControlState::on;
    return {LaunchChoice::Action::play, ticked ? FullScreen::on : FullScreen::off};
}

Size windowContentSize(SelfTestMode selfTest, const Rect& screenFrame) {
    if (selfTest == SelfTestMode::on) {
        return selfTestContentSize;
    }
    return {screenFrame.width * screenWidthFactor, screenFrame.height * screenHeightFactor};
}

bool isExitTitle(const std::optional<std::string>& title, std::string_view exitTitle) {
    return title.has_value() && *title == exitTitle;
}

}  // namespace velmorin
