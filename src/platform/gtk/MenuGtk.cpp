#include "platform/gtk/MenuGtk.h"

#include "platform/gtk/BackendCast.h"

namespace velmorin::gtk {

const char* actionName(MenuAction action) {
    switch (action) {
        case MenuAction::terminate:
            return "app.quit";
        case MenuAction::none:
            break;
    }
    return nullptr;
}

MenuGtk::MenuGtk() : model_(GObjectPtr<GMenu>::adopt(g_menu_new())) {}

MenuItem& MenuGtk::addItemWithTitle(const std::string& title, MenuAction action,
                                    const std::string& keyEquivalent) {
    g_menu_append(model_.get(), title.c_str(), actionName(action));
    if (!keyEquivalent.empty() && action != MenuAction::none) {
        // "<Primary>" is Ctrl here and Command on macOS: the platform's
        // command modifier, as a key equivalent expects.
        accelerators_.push_back({action, "<Primary>" + keyEquivalent});
    }
    items_.push_back(std::make_unique<MenuItemGtk>(title));
    return *items_.back();
}

void MenuGtk::addItem(std::unique_ptr<MenuItem> item) {
    auto gtkItem = backendCast<MenuItemGtk>(std::move(item));
    if (gtkItem->submenuGtk() != nullptr) {
        g_menu_append_submenu(model_.get(), gtkItem->title().c_str(),
                              G_MENU_MODEL(gtkItem->submenuGtk()->model()));
    } else {
        g_menu_append(model_.get(), gtkItem->title().c_str(), nullptr);
    }
    items_.push_back(std::move(gtkItem));
}

std::vector<MenuGtk::Accelerator> MenuGtk::accelerators() const {
    auto all = accelerators_;
    for (const auto& item : items_) {
        if (item->submenuGtk() != nullptr) {
            const auto nested = item->submenuGtk()->accelerators();
            all.insert(all.end(), nested.begin(), nested.end());
        }
    }
    return all;
}

GObjectPtr<GMenu> MenuGtk::sectionsModel() const {
    auto sections = GObjectPtr<GMenu>::adopt(g_menu_new());
    for (const auto& item : items_) {
        if (item->submenuGtk() != nullptr) {
            g_menu_append_section(sections.get(), nullptr,
                                  G_MENU_MODEL(item->submenuGtk()->model()));
        }
    }
    return sections;
}

void MenuItemGtk::setSubmenu(std::unique_ptr<Menu> submenu) {
    submenu_ = backendCast<MenuGtk>(std::move(submenu));
}

}  // namespace velmorin::gtk
