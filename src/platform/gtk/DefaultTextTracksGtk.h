#pragma once

#include <webkit/webkit.h>

namespace velmorin::gtk {

// Adds the script that turns on a media element's default text tracks to
// every frame the view loads (platform/gtk/rules/DefaultTextTracks.h).
void showDefaultTextTracks(WebKitWebView* view);

}  // namespace velmorin::gtk
