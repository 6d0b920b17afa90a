#include "platform/gtk/ApplicationGtk.h"

#include "platform/gtk/BackendCast.h"
#include "platform/gtk/CallbackGuard.h"

namespace velmorin::gtk {

ApplicationGtk::ApplicationGtk()
    : application_(GObjectPtr<GtkApplication>::adopt(
          gtk_application_new(VELMORIN_APP_ID, G_APPLICATION_NON_UNIQUE))),
      quit_(GObjectPtr<GSimpleAction>::adopt(g_simple_action_new("quit", nullptr))),
      // The application and its action may outlive this object (the
      // toolkit holds references of its own); the handlers go with it.
      applicationHandlers_(application_.get(),
                           {{"activate", G_CALLBACK(onActivate), this},
                            {"window-removed", G_CALLBACK(onWindowRemoved), this}}),
      quitHandlers_(quit_.get(), {{"activate", G_CALLBACK(onQuitAction), this}}) {
    g_action_map_add_action(G_ACTION_MAP(application_.get()), G_ACTION(quit_.get()));
}

void ApplicationGtk::setActivationPolicy(ActivationPolicy) {
    // A GTK application is always an ordinary one: it shows in the launcher
    // and the task bar with its windows. There is nothing to switch.
}

RunEnd ApplicationGtk::run() {
    // The application stays alive by this hold, not by its windows: whether
    // closing the last one ends the program is the delegate's answer.
    g_application_hold(G_APPLICATION(application_.get()));
    // No arguments are passed on: the program reads no command line.
    g_application_run(G_APPLICATION(application_.get()), 0, nullptr);
    return end_;
}

void ApplicationGtk::setMainMenu(std::unique_ptr<Menu> menu) {
    mainMenu_ = backendCast<MenuGtk>(std::move(menu));
    windowMenu_ = mainMenu_->sectionsModel();
    for (const auto& accelerator : mainMenu_->accelerators()) {
        const char* accels[] = {accelerator.accelerator.c_str(), nullptr};
        gtk_application_set_accels_for_action(application_.get(), actionName(accelerator.action),
                                              accels);
    }
}

GMenuModel* ApplicationGtk::windowMenuModel() const {
    return windowMenu_ ? G_MENU_MODEL(windowMenu_.get()) : nullptr;
}

void ApplicationGtk::activateIgnoringOtherApps() {
    // GTK brings an application forward through its windows: each window is
    // presented when it is shown, which asks the window manager for focus.
}

void ApplicationGtk::terminate() {
    terminating_ = true;
    g_application_quit(G_APPLICATION(application_.get()));
}

void ApplicationGtk::onActivate(GtkApplication*, gpointer self) {
    auto* application = static_cast<ApplicationGtk*>(self);
    const bool launched = guardCallback("launch", [application] {
        if (application->delegate_ != nullptr) {
            application->delegate_->applicationDidFinishLaunching();
        }
    });
    // A launch cut short leaves no player to go on with: the program ends,
    // and says so in its exit status.
    if (!launched) {
        application->end_ = RunEnd::launchFailed;
        application->terminate();
    }
}

void ApplicationGtk::onWindowRemoved(GtkApplication* gtkApplication, GtkWindow*, gpointer self) {
    auto* application = static_cast<ApplicationGtk*>(self);
    guardCallback("window close", [application, gtkApplication] {
        if (application->terminating_ || gtk_application_get_windows(gtkApplication) != nullptr) {
            return;
        }
        if (application->delegate_ != nullptr &&
            application->delegate_->applicationShouldTerminateAfterLastWindowClosed()) {
            application->terminate();
        }
    });
}

void ApplicationGtk::onQuitAction(GSimpleAction*, GVariant*, gpointer self) {
    static_cast<ApplicationGtk*>(self)->terminate();
}

}  // namespace velmorin::gtk
