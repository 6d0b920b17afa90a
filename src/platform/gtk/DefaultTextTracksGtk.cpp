#include "platform/gtk/DefaultTextTracksGtk.h"

#include <memory>

#include "platform/gtk/rules/DefaultTextTracks.h"

namespace velmorin::gtk {

void showDefaultTextTracks(WebKitWebView* view) {
    // In the page's own world, so that the modes it sets are the ones the
    // page reads, and the page's own mode changes pass through its setter.
    std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> script(
        webkit_user_script_new(defaultTextTracksScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        webkit_user_script_unref);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view),
                                           script.get());
}

}  // namespace velmorin::gtk
