// The bundle's icon folder comes before every other: an icon of the same
// name installed on the system does not stand in for the bundle's own.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <string>

#include "common/TempTree.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/PlatformGtk.h"

namespace velmorin::test {
namespace {

constexpr const char* iconName = "velmorin-test-icon";

// An icon folder laid out as the bundle's and the system's are. The icon is a
// PNG, as the bundle's sized icons are: GTK passes over SVG icons where no
// SVG loader is installed (Debian 13 installs none without recommends).
std::filesystem::path iconFolder(TempTree& tree, const std::string& name) {
    const auto pixbuf =
        gtk::GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 48, 48));
    gdk_pixbuf_fill(pixbuf.get(), 0xffffffff);
    gchar* png = nullptr;
    gsize length = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf.get(), &png, &length, "png", nullptr, nullptr));
    tree.write(name + "/hicolor/48x48/apps/" + iconName + ".png", std::string_view(png, length));
    g_free(png);
    return tree.root() / name;
}

// Installed icons of the same name stand both before and behind the folders
// the system starts with, as one in the home folder and one added later
// would: which of several folders GTK takes an icon from is its own rule,
// and the bundle's must win whatever it is.
TEST(BundleIcons, ComeBeforeInstalledOnes) {
    ASSERT_TRUE(gtk_init_check()) << "no display";
    TempTree tree("velmorin-icons");
    const auto bundled = iconFolder(tree, "bundled");
    GtkIconTheme* theme = gtk_icon_theme_get_for_display(gdk_display_get_default());
    g_auto(GStrv) system = gtk_icon_theme_get_search_path(theme);
    g_autoptr(GStrvBuilder) installed = g_strv_builder_new();
    g_strv_builder_add(installed, iconFolder(tree, "installed-first").c_str());
    g_strv_builder_addv(installed, const_cast<const char**>(system));
    g_strv_builder_add(installed, iconFolder(tree, "installed-last").c_str());
    g_auto(GStrv) path = g_strv_builder_end(installed);
    gtk_icon_theme_set_search_path(theme, path);

    gtk::PlatformGtk platform(-1);
    platform.addIconSearchFolder(bundled.string());

    const auto icon = gtk::GObjectPtr<GtkIconPaintable>::adopt(gtk_icon_theme_lookup_icon(
        theme, iconName, nullptr, 48, 1, GTK_TEXT_DIR_NONE, static_cast<GtkIconLookupFlags>(0)));
    ASSERT_TRUE(icon);
    const auto file = gtk::GObjectPtr<GFile>::adopt(gtk_icon_paintable_get_file(icon.get()));
    ASSERT_TRUE(file);
    g_autofree char* found = g_file_get_path(file.get());
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(std::string(found).starts_with(bundled.string() + "/")) << found;
}

}  // namespace
}  // namespace velmorin::test
