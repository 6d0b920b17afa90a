#include "platform/gtk/WindowGtk.h"

#include <cmath>

#include "platform/gtk/ApplicationGtk.h"
#include "platform/gtk/BackendCast.h"
#include "platform/gtk/CaptureKeyGtk.h"
#include "platform/gtk/WebViewGtk.h"

namespace velmorin::gtk {

namespace {

constexpr const char* playerCssClass = "velmorin-player";

void installBlackBackgroundStyle() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    const auto provider = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
    // Without a compositor GTK draws a solid frame around a window with its
    // own title bar, full screen too; a full screen player shows the page
    // edge to edge.
    static constexpr const char* playerStyle =
        "window.velmorin-player { background: black; }\n"
        "window.velmorin-player.fullscreen { margin: 0; padding: 0; "
        "border-width: 0; box-shadow: none; }";
    // GTK 4.12 replaced the length-taking loader with one for a string.
#if GTK_CHECK_VERSION(4, 12, 0)
    gtk_css_provider_load_from_string(provider.get(), playerStyle);
#else
    gtk_css_provider_load_from_data(provider.get(), playerStyle, -1);
#endif
    gtk_style_context_add_provider_for_display(gdk_display_get_default(),
                                               GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// Whether the window manager or compositor gives the window its size
// itself: full screen, maximized, or tiled (a tiling compositor such as sway
// places every window in its layout; GNOME and KDE tile a window dropped on a
// screen edge). A size asked for then does not change the window, and would
// only be used later, when the window is let go.
bool sizedByDesktop(GtkWindow* window) {
    if (gtk_window_is_fullscreen(window) || gtk_window_is_maximized(window)) {
        return true;
    }
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (surface == nullptr || !GDK_IS_TOPLEVEL(surface)) {
        return false;
    }
    constexpr auto tiled = GDK_TOPLEVEL_STATE_TILED | GDK_TOPLEVEL_STATE_TOP_TILED |
                           GDK_TOPLEVEL_STATE_RIGHT_TILED | GDK_TOPLEVEL_STATE_BOTTOM_TILED |
                           GDK_TOPLEVEL_STATE_LEFT_TILED;
    return (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & tiled) != 0;
}

void toggleFullScreenOf(GtkWindow* window) {
    if (gtk_window_is_fullscreen(window)) {
        gtk_window_unfullscreen(window);
    } else {
        gtk_window_fullscreen(window);
    }
}

gboolean onFullScreenKey(GtkWidget* window, GVariant*, gpointer) {
    toggleFullScreenOf(GTK_WINDOW(window));
    return TRUE;
}

// The key is caught before it reaches the page, which keeps the focus.
void addFullScreenKey(GtkWidget* window) {
    addCaptureKeysFor(window, FunctionKeyUse::toggleFullScreen, onFullScreenKey);
}

}  // namespace

WindowGtk::WindowGtk(ApplicationGtk& application, const Rect& contentRect, StyleMask styleMask)
    : window_(GObjectPtr<GtkWidget>::retain(gtk_window_new())),
      windowHandlers_(window_.get(),
                      {{"notify::fullscreened", G_CALLBACK(onFullScreenChanged), this}}),
      contentWidth_(static_cast<int>(std::lround(contentRect.width))),
      contentHeight_(static_cast<int>(std::lround(contentRect.height))) {
    GtkWindow* window = handle();
    // Sizes come in points, unrounded; a window has whole pixels.
    gtk_window_set_application(window, application.handle());
    gtk_window_set_resizable(window, contains(styleMask, StyleMask::resizable));
    gtk_window_set_deletable(window, contains(styleMask, StyleMask::closable));

    if (contains(styleMask, StyleMask::titled)) {
        headerBar_ = gtk_header_bar_new();
        if (GMenuModel* menu = application.windowMenuModel()) {
            GtkWidget* menuButton = gtk_menu_button_new();
            gtk_menu_button_set_icon_name(GTK_MENU_BUTTON(menuButton), "open-menu-symbolic");
            gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(menuButton), menu);
            gtk_widget_set_tooltip_text(menuButton, "Menu");
            gtk_header_bar_pack_end(GTK_HEADER_BAR(headerBar_), menuButton);
        }
        gtk_window_set_titlebar(window, headerBar_);
    }

    // The default size covers the title bar too, so it is added on top: the
    // content area below it gets exactly the size asked for.
    int titleBarHeight = 0;
    if (headerBar_ != nullptr) {
        gtk_widget_measure(headerBar_, GTK_ORIENTATION_VERTICAL, contentWidth_, nullptr,
                           &titleBarHeight, nullptr, nullptr);
    }
    gtk_window_set_default_size(window, contentWidth_, contentHeight_ + titleBarHeight);
    addFullScreenKey(window_.get());
}

WindowGtk::~WindowGtk() {
    // The content view and the toolkit's window may outlive this object;
    // neither may reach it any more (the window's handlers go with it).
    stopFitting();
}

void WindowGtk::stopFitting() {
    if (fitTick_ != 0) {
        GtkWidget* content = backendCast<WebViewGtk>(*contentView_).widget();
        gtk_widget_set_size_request(content, -1, -1);
        gtk_widget_remove_tick_callback(content, fitTick_);
    }
}

void WindowGtk::setTitle(const std::string& title) {
    gtk_window_set_title(handle(), title.c_str());
}

void WindowGtk::setBackgroundColor(Color color) {
    if (color == Color::black) {
        installBlackBackgroundStyle();
        gtk_widget_add_css_class(window_.get(), playerCssClass);
    }
}

void WindowGtk::setCollectionBehavior(CollectionBehavior) {
    // Every GTK window may go full screen; there is no space to join.
}

void WindowGtk::setContentView(std::shared_ptr<WebView> view) {
    auto& webView = backendCast<WebViewGtk>(*view);
    stopFitting();
    gtk_widget_set_hexpand(webView.widget(), TRUE);
    gtk_widget_set_vexpand(webView.widget(), TRUE);
    // Until the window has been laid out, the view asks for the whole content
    // size as its minimum. The window is then first shown with room for it,
    // whatever frame the theme draws around it, instead of being shown a few
    // pixels small and grown afterwards, which uncovers a strip nothing has
    // drawn yet.
    gtk_widget_set_size_request(webView.widget(), contentWidth_, contentHeight_);
    gtk_window_set_child(handle(), webView.widget());
    contentView_ = std::move(view);
    startFitting(webView.widget());
}

gboolean WindowGtk::fitContent(GtkWidget* content, GdkFrameClock*, gpointer self) {
    // The view's minimum size makes the window's first size right, frame
    // and all (on X11 without a compositing manager GTK draws a frame around
    // the window). The first frames still compare the content's real size
    // with the size asked for and correct the window by the difference, for
    // a window manager that gives it another size. A window the desktop
    // sizes itself is left alone: correcting it would only make its later
    // size wrong. Whatever the desktop does, the fit ends after a bounded
    // number of frames, so it never runs on for the life of the window.
    constexpr int maximumAttempts = 4;
    constexpr int maximumFrames = 120;
    auto* window = static_cast<WindowGtk*>(self);
    if (++window->fitFrames_ > maximumFrames) {
        gtk_widget_set_size_request(content, -1, -1);
        return G_SOURCE_REMOVE;
    }
    const int width = gtk_widget_get_width(content);
    const int height = gtk_widget_get_height(content);
    if (width == 0 || height == 0) {
        return G_SOURCE_CONTINUE;
    }
    // The window has its first size: from now on it may be made smaller.
    gtk_widget_set_size_request(content, -1, -1);
    // A window leaving full screen is told so a few frames before it has
    // its own size again; until then its content keeps the screen's size.
    if (width == window->fullScreenWidth_ && height == window->fullScreenHeight_) {
        return G_SOURCE_CONTINUE;
    }
    if (sizedByDesktop(window->handle()) || ++window->fitAttempts_ > maximumAttempts) {
        return G_SOURCE_REMOVE;
    }
    const int missingWidth = window->contentWidth_ - width;
    const int missingHeight = window->contentHeight_ - height;
    if (missingWidth == 0 && missingHeight == 0) {
        return G_SOURCE_REMOVE;
    }
    int windowWidth = 0;
    int windowHeight = 0;
    gtk_window_get_default_size(window->handle(), &windowWidth, &windowHeight);
    gtk_window_set_default_size(window->handle(), windowWidth + missingWidth,
                                windowHeight + missingHeight);
    return G_SOURCE_CONTINUE;
}

void WindowGtk::startFitting(GtkWidget* content) {
    fitAttempts_ = 0;
    fitFrames_ = 0;
    // The id is cleared when the callback ends, by itself or removed.
    fitTick_ = gtk_widget_add_tick_callback(content, fitContent, this, [](gpointer self) {
        static_cast<WindowGtk*>(self)->fitTick_ = 0;
    });
}

void WindowGtk::onFullScreenChanged(GObject* window, GParamSpec*, gpointer self) {
    // When the window is fitted again is the rule's (rules/FullScreenFit.h).
    auto* player = static_cast<WindowGtk*>(self);
    if (!player->contentView_) {
        return;
    }
    const auto answer = afterFullScreenChange(
        gtk_window_is_fullscreen(GTK_WINDOW(window)) ? FullScreenChange::entered
                                                     : FullScreenChange::left,
        player->fitTick_ != 0 ? Fitting::underWay : Fitting::over, player->fitOnLeavingFullScreen_);
    player->fitOnLeavingFullScreen_ = answer.fitOnLeaving;
    if (answer.startFit == FullScreenFitAnswer::StartFit::no) {
        return;
    }
    GtkWidget* content = backendCast<WebViewGtk>(*player->contentView_).widget();
    player->fullScreenWidth_ = gtk_widget_get_width(content);
    player->fullScreenHeight_ = gtk_widget_get_height(content);
    player->startFitting(content);
}

void WindowGtk::center() {
    // GTK 4 leaves placement to the window manager, which centres a new
    // window on its screen (and with no window manager, as under Xvfb, it
    // opens at the top left). On Wayland a client cannot place its windows
    // at all: the compositor alone decides, so this is a no-op there too.
}

void WindowGtk::makeKeyAndOrderFront() {
    gtk_window_present(handle());
}

void WindowGtk::makeFirstResponder(WebView& view) {
    auto& webView = backendCast<WebViewGtk>(view);
    gtk_window_set_focus(handle(), webView.widget());
    gtk_widget_grab_focus(webView.widget());
}

void WindowGtk::toggleFullScreen() {
    toggleFullScreenOf(handle());
}

}  // namespace velmorin::gtk
