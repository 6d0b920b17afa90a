#include "platform/gtk/PlatformGtk.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "app/BundleLayout.h"
#include "platform/gtk/AlertGtk.h"
#include "platform/gtk/BackendCast.h"
#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/MenuGtk.h"
#include "platform/gtk/WebViewGtk.h"
#include "platform/gtk/WindowGtk.h"

namespace velmorin {

namespace {

// GLib writes informational and debug messages to standard output, which
// belongs to the self-test report alone; every log message goes to standard
// error instead, filtered as GLib would (G_MESSAGES_DEBUG still works).
//
// GLib's own writer also stops the program at a message whose level is set
// always fatal (G_DEBUG=fatal-criticals or fatal-warnings), as GLib documents;
// this writer takes its place, so it does the same.
GLogWriterOutput writeLogToStandardError(GLogLevelFlags level, const GLogField* fields,
                                         gsize fieldCount, gpointer fatalLevels) {
    const char* domain = nullptr;
    for (gsize index = 0; index < fieldCount; ++index) {
        if (g_strcmp0(fields[index].key, "GLIB_DOMAIN") == 0) {
            domain = static_cast<const char*>(fields[index].value);
        }
    }
    const bool fatal = (level & GPOINTER_TO_UINT(fatalLevels)) != 0;
    if (g_log_writer_default_would_drop(level, domain) && !fatal) {
        return G_LOG_WRITER_HANDLED;
    }
    g_autofree gchar* line = g_log_writer_format_fields(level, fields, fieldCount, FALSE);
    std::fprintf(stderr, "%s\n", line);
    if (fatal) {
        G_BREAKPOINT();
    }
    return G_LOG_WRITER_HANDLED;
}

}  // namespace

PlatformStart createPlatform() {
    // The levels GLib makes fatal, read by setting them back as they were.
    const GLogLevelFlags fatalLevels =
        g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK));
    g_log_set_always_fatal(fatalLevels);
    const unsigned writerFatalLevels =
        fatalLevels & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE);
    g_log_set_writer_func(writeLogToStandardError, GUINT_TO_POINTER(writerFatalLevels), nullptr);
    // The window class and the desktop entry share the application id.
    g_set_prgname(VELMORIN_APP_ID);
    if (!gtk_init_check()) {
        return {nullptr,
                "no display to open the player on; to run without a screen, use: "
                "xvfb-run -a velmorin-hd (add VELM_SELFTEST=1 for the unattended check)"};
    }
    // The installed icon is named after the application id too.
    auto platform = std::make_unique<gtk::PlatformGtk>();
    // The bundle's own icons come first, so a bundle unpacked anywhere shows
    // its icon without being installed: <bundle>/share/velmorin-hd gives
    // <bundle>/share/icons.
    const std::string icons = platform->resourceDirectory() + "/../icons";
    gtk_icon_theme_add_search_path(gtk_icon_theme_get_for_display(gdk_display_get_default()),
                                   icons.c_str());
    gtk_window_set_default_icon_name(VELMORIN_APP_ID);
    return {std::move(platform), {}};
}

namespace gtk {

Rect ScreenGtk::frame() const {
    GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
    auto monitor =
        GObjectPtr<GdkMonitor>::adopt(static_cast<GdkMonitor*>(g_list_model_get_item(monitors, 0)));
    if (!monitor) {
        return {};
    }
    GdkRectangle geometry{};
    gdk_monitor_get_geometry(monitor.get(), &geometry);
    return {static_cast<double>(geometry.x), static_cast<double>(geometry.y),
            static_cast<double>(geometry.width), static_cast<double>(geometry.height)};
}

void MainQueueGtk::asyncAfter(double delaySeconds, std::function<void()> work) {
    const auto milliseconds = static_cast<guint>(std::ceil(delaySeconds * 1000.0));
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, milliseconds,
        [](gpointer data) -> gboolean {
            guardCallback("scheduled work",
                          [data] { (*static_cast<std::function<void()>*>(data))(); });
            return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(work)),
        [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::string PlatformGtk::resourceDirectory() {
    // The program's own path, with links resolved, locates the bundle.
    g_autofree char* path = g_file_read_link("/proc/self/exe", nullptr);
    return resourceDirectoryForExecutable(path != nullptr ? path : "");
}

void PlatformGtk::writeStandardOutput(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::unique_ptr<Menu> PlatformGtk::createMenu() {
    return std::make_unique<MenuGtk>();
}

std::unique_ptr<MenuItem> PlatformGtk::createMenuItem() {
    return std::make_unique<MenuItemGtk>();
}

std::unique_ptr<Alert> PlatformGtk::createAlert() {
    return std::make_unique<AlertGtk>();
}

std::shared_ptr<Checkbox> PlatformGtk::createCheckbox(const std::string& title) {
    return std::make_shared<CheckboxGtk>(title);
}

std::unique_ptr<WebViewConfiguration> PlatformGtk::createWebViewConfiguration() {
    return std::make_unique<WebViewConfigurationGtk>();
}

std::shared_ptr<WebView> PlatformGtk::createWebView(const Rect&,
                                                    WebViewConfiguration& configuration) {
    // The frame is always empty: the view takes its size from the window.
    return std::make_shared<WebViewGtk>(backendCast<WebViewConfigurationGtk>(configuration));
}

std::shared_ptr<Window> PlatformGtk::createWindow(const Rect& contentRect, StyleMask styleMask,
                                                  Backing, Defer) {
    // GTK windows are always buffered and created at once; there is no
    // choice to pass on.
    return std::make_shared<WindowGtk>(application_, contentRect, styleMask);
}

}  // namespace gtk
}  // namespace velmorin
