#include "app/MainMenu.h"

#include "app/ProgramTexts.h"
#include "platform/Platform.h"

namespace velmorin {

void installMainMenu(Platform& platform) {
    auto mainMenu = platform.createMenu();
    auto topItem = platform.createMenuItem();
    topItem->setSubmenu(platform.createMenu());
    // The item has no target: its action reaches the application object,
    // which ends the program.
    topItem->submenu()->addItemWithTitle(quitMenuItemTitle, MenuAction::terminate,
                                         quitKeyEquivalent);
    mainMenu->addItem(std::move(topItem));

    Application& application = platform.application();
    application.setMainMenu(std::move(mainMenu));
    application.activateIgnoringOtherApps();
}

}  // namespace velmorin
