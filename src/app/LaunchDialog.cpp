#include "app/LaunchDialog.h"

#include "app/ProgramTexts.h"
#include "platform/Platform.h"

namespace velmorin {

LaunchChoice askLaunchChoice(Platform& platform, SelfTestMode selfTest) {
    if (selfTest == SelfTestMode::on) {
        return dialogOutcome(selfTest, std::nullopt, std::nullopt);
    }

    auto alert = platform.createAlert();
    alert->setMessageText(programTitle);
    alert->setInformativeText(creditsLine);
    auto fullscreen = platform.createCheckbox(fullscreenCheckboxTitle);
    fullscreen->setState(ControlState::on);
    alert->setAccessoryView(fullscreen);
    alert->addButtonWithTitle(playButtonTitle);
    alert->addButtonWithTitle(quitButtonTitle);

    const ModalResponse response = alert->runModal();
    // The box is read only after the dialog closed, and only for "Play".
    const auto state =
        response == firstButtonResponse ? std::optional(fullscreen->state()) : std::nullopt;
    const auto choice = dialogOutcome(selfTest, response, state);
    if (choice.action == LaunchChoice::Action::quit) {
        platform.application().terminate();
    }
    return choice;
}

}  // namespace velmorin
