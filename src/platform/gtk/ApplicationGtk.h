#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "platform/Application.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/MenuGtk.h"
#include "platform/gtk/SignalHandlers.h"

namespace velmorin::gtk {

// The application object on GTK: a GtkApplication that is never unique, so
// every start is its own player (tests run several at once).
class ApplicationGtk final : public Application {
public:
    ApplicationGtk();

    ApplicationGtk(const ApplicationGtk&) = delete;
    ApplicationGtk& operator=(const ApplicationGtk&) = delete;

    void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
    void setActivationPolicy(ActivationPolicy policy) override;
    RunEnd run() override;
    void setMainMenu(std::unique_ptr<Menu> menu) override;
    void activateIgnoringOtherApps() override;
    void terminate() override;

    GtkApplication* handle() const { return application_.get(); }
    // The main menu as a window's menu button shows it, or null before one is set.
    GMenuModel* windowMenuModel() const;

private:
    static void onActivate(GtkApplication* application, gpointer self);
    static void onWindowRemoved(GtkApplication* application, GtkWindow* window, gpointer self);
    static void onQuitAction(GSimpleAction* action, GVariant* parameter, gpointer self);

    GObjectPtr<GtkApplication> application_;
    GObjectPtr<GSimpleAction> quit_;
    SignalHandlers applicationHandlers_;
    SignalHandlers quitHandlers_;
    ApplicationDelegate* delegate_ = nullptr;
    std::unique_ptr<MenuGtk> mainMenu_;
    GObjectPtr<GMenu> windowMenu_;
    bool terminating_ = false;
    RunEnd end_ = RunEnd::terminated;
};

}  // namespace velmorin::gtk
