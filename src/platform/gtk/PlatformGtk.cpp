#include "platform/gtk/PlatformGtk.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <ctime>

#include "platform/gtk/AlertGtk.h"
#include "platform/gtk/BackendCast.h"
#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/MediaDoorGtk.h"
#include "platform/gtk/MenuGtk.h"
#include "platform/gtk/WebViewGtk.h"
#include "platform/gtk/WindowGtk.h"

namespace velmorin {

namespace {

// Whether the program was started with a standard output.
enum class StandardOutput { open, closed };

// A program started with a standard descriptor closed (`2>&-`, say) would
// hand that number to the next file it opens, and whatever the libraries
// write to standard error would then go into that file. Here that was the
// X server's connection: a warning written into it reads to the server as
// the start of a request over 100 KiB long, which swallows every request
// that follows, and the program waits for ever for an answer. So 0, 1 and 2
// are opened first, on /dev/null where they are not open, before anything
// else opens a file; the answer is whether standard output was there.
StandardOutput openStandardDescriptors() {
    auto output = StandardOutput::open;
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        if (fd == STDOUT_FILENO) {
            output = StandardOutput::closed;
        }
        // The lowest free number is taken, which is this one: those below
        // it are open by now.
        const int nowhere = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (nowhere >= 0 && nowhere != fd) {
            dup2(nowhere, fd);
            close(nowhere);
        }
    }
    return output;
}

// Standard output is the self-test report's alone, yet libraries and the
// engine's child processes write to descriptor 1 too (GLib's debug messages,
// for one). The report keeps a private duplicate of it, closed on exec so no
// child inherits it, and descriptor 1 becomes standard error for everyone
// else. The duplicate is -1 when there was no standard output to begin with:
// a report that cannot be written fails the check, and is not lost quietly
// in /dev/null.
int takeStandardOutputForTheReport() {
    const StandardOutput output = openStandardDescriptors();
    const int report = output == StandardOutput::open
                           ? fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1)
                           : -1;
    dup2(STDERR_FILENO, STDOUT_FILENO);
    return report;
}

}  // namespace

PlatformStart createPlatform(const DemoFolderRule& demoFolderOf) {
    const int reportFd = takeStandardOutputForTheReport();
    // Before the toolkit starts its threads: the media door is set up in
    // the environment, which the engine's web processes inherit.
    if (const auto executable = gtk::ownExecutable()) {
        gtk::prepareMediaDoor(demoFolderOf(*executable));
    }
    // The window class and the desktop entry share the application id.
    g_set_prgname(VELMORIN_APP_ID);
    if (!gtk_init_check()) {
        close(reportFd);
        return {nullptr,
                "no display to open the player on; to run without a screen, use: "
                "xvfb-run -a velmorin-hd (add VELM_SELFTEST=1 for the unattended check)"};
    }
    // The installed icon is named after the application id too.
    gtk_window_set_default_icon_name(VELMORIN_APP_ID);
    return {std::make_unique<gtk::PlatformGtk>(reportFd), {}};
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

PlatformGtk::~PlatformGtk() {
    close(reportFd_);
}

std::optional<std::string> ownExecutable() {
    g_autofree char* path = g_file_read_link("/proc/self/exe", nullptr);
    if (path == nullptr) {
        return std::nullopt;
    }
    return std::string(path);
}

std::optional<std::string> PlatformGtk::executablePath() {
    return ownExecutable();
}

void PlatformGtk::addIconSearchFolder(const std::string& folder) {
    // When several folders of the search path hold an icon of the same name
    // and size, GTK 4.8 takes the one of the last folder, which GTK's own call
    // to add a folder makes it. The folder also goes in front, so the bundle's
    // icon still wins with a GTK that takes the first folder's instead.
    GtkIconTheme* theme = gtk_icon_theme_get_for_display(gdk_display_get_default());
    g_auto(GStrv) current = gtk_icon_theme_get_search_path(theme);
    g_autoptr(GStrvBuilder) path = g_strv_builder_new();
    g_strv_builder_add(path, folder.c_str());
    if (current != nullptr) {
        g_strv_builder_addv(path, const_cast<const char**>(current));
    }
    g_strv_builder_add(path, folder.c_str());
    g_auto(GStrv) searched = g_strv_builder_end(path);
    gtk_icon_theme_set_search_path(theme, searched);
}

std::optional<std::string> PlatformGtk::writeStandardOutput(const std::string& text) {
    // A reader that has gone away answers with EPIPE like any other failure,
    // not with a signal that would end the program before it could say so:
    // the signal is held back while writing, and taken back if it came.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const ssize_t count = write(reportFd_, text.data() + done, text.size() - done);
        if (count >= 0) {
            done += static_cast<std::size_t>(count);
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    if (error == EPIPE) {
        const timespec noWait{};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error != 0) {
        return std::string(g_strerror(error));
    }
    return std::nullopt;
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
