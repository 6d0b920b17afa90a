#pragma once

#include <memory>
#include <string>

namespace velmorin {

// What a menu item does when chosen. Items have no target: the action goes to
// the application object, which is the only receiver the program needs.
enum class MenuAction {
    none,
    terminate,
};

class Menu;

class MenuItem {
public:
    virtual ~MenuItem() = default;

    virtual void setSubmenu(std::unique_ptr<Menu> submenu) = 0;
    // The submenu attached with setSubmenu(), or null when there is none.
    virtual Menu* submenu() = 0;
};

class Menu {
public:
    virtual ~Menu() = default;

    // Adds an item that sends `action` when chosen or when its key equivalent
    // is pressed with the platform's command modifier ("q" gives Command-Q on
    // macOS and Ctrl-Q elsewhere). Returns the new item, owned by the menu.
    virtual MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                                       const std::string& keyEquivalent) = 0;
    virtual void addItem(std::unique_ptr<MenuItem> item) = 0;
};

}  // namespace velmorin
