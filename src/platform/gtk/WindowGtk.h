#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "platform/Window.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/SignalHandlers.h"
#include "rules/FullScreenFit.h"

namespace velmorin::gtk {

class ApplicationGtk;

// The player window: a GtkWindow with a header bar as its title bar, which
// carries the menu button, and one child that fills the rest.
class WindowGtk final : public Window {
public:
    WindowGtk(ApplicationGtk& application, const Rect& contentRect, StyleMask styleMask);
    ~WindowGtk() override;

    WindowGtk(const WindowGtk&) = delete;
    WindowGtk& operator=(const WindowGtk&) = delete;

    void setTitle(const std::string& title) override;
    void setBackgroundColor(Color color) override;
    void setCollectionBehavior(CollectionBehavior behavior) override;
    void setContentView(std::shared_ptr<WebView> view) override;
    void center() override;
    void makeKeyAndOrderFront() override;
    void makeFirstResponder(WebView& view) override;
    void toggleFullScreen() override;

    GtkWindow* handle() const { return GTK_WINDOW(window_.get()); }

private:
    static gboolean fitContent(GtkWidget* content, GdkFrameClock* clock, gpointer self);
    static void onFullScreenChanged(GObject* window, GParamSpec* property, gpointer self);
    void startFitting(GtkWidget* content);
    void stopFitting();

    GObjectPtr<GtkWidget> window_;
    SignalHandlers windowHandlers_;
    GtkWidget* headerBar_ = nullptr;
    int contentWidth_ = 0;
    int contentHeight_ = 0;
    std::shared_ptr<WebView> contentView_;
    int fitAttempts_ = 0;
    int fitFrames_ = 0;
    guint fitTick_ = 0;
    FitOnLeavingFullScreen fitOnLeavingFullScreen_ = FitOnLeavingFullScreen::no;
    // The content's size in full screen, while the window leaves it.
    int fullScreenWidth_ = -1;
    int fullScreenHeight_ = -1;
};

}  // namespace velmorin::gtk
