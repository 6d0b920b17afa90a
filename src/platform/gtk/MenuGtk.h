#pragma once

#include <gio/gio.h>

#include <memory>
#include <vector>

#include "platform/Menu.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::gtk {

class MenuItemGtk;

// The detailed action name a menu action is sent as; the application object
// installs the actions themselves.
const char* actionName(MenuAction action);

// A menu as a GMenu model, with the accelerators its items ask for.
class MenuGtk final : public Menu {
public:
    MenuGtk();

    MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                               const std::string& keyEquivalent) override;
    void addItem(std::unique_ptr<MenuItem> item) override;

    GMenu* model() const { return model_.get(); }

    struct Accelerator {
        MenuAction action;
        std::string accelerator;  // In GTK's syntax, such as "<Primary>q".
    };
    // The accelerators of this menu and of all its submenus.
    std::vector<Accelerator> accelerators() const;

    // The menu as shown in the window's menu button: each top-level item's
    // submenu becomes one section, since a popover has no menu bar row.
    GObjectPtr<GMenu> sectionsModel() const;

private:
    GObjectPtr<GMenu> model_;
    std::vector<std::unique_ptr<MenuItemGtk>> items_;
    std::vector<Accelerator> accelerators_;
};

class MenuItemGtk final : public MenuItem {
public:
    explicit MenuItemGtk(std::string title = {}) : title_(std::move(title)) {}

    void setSubmenu(std::unique_ptr<Menu> submenu) override;
    Menu* submenu() override { return submenu_.get(); }

    MenuGtk* submenuGtk() const { return submenu_.get(); }
    const std::string& title() const { return title_; }

private:
    std::string title_;
    std::unique_ptr<MenuGtk> submenu_;
};

}  // namespace velmorin::gtk
