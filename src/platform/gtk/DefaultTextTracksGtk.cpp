#include "platform/gtk/DefaultTextTracksGtk.h"

#include "platform/gtk/UserScriptGtk.h"
#include "platform/gtk/rules/DefaultTextTracks.h"

namespace velmorin::gtk {

void showDefaultTextTracks(WebKitWebView* view) {
    // In the page's own world, so that the modes it sets are the ones the
    // page reads, and the page's own mode changes pass through its setter.
    addScriptToEveryFrame(webkit_web_view_get_user_content_manager(view), defaultTextTracksScript);
}

}  // namespace velmorin::gtk
