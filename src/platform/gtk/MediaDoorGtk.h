#pragma once

#include <webkit/webkit.h>

#include <string>

namespace velmorin::gtk {

// Lets the engine's media player play files of `folder` from URLs of
// `scheme`, through the program's own GStreamer plugin, which opens them by
// the same rules as the scheme's handler. Must come before the context starts
// its first web process, which takes the settings with it.
//
// Nothing changes when the plugin is not installed beside the program, for a
// scheme the plugin does not serve, or when the folder does not exist: media
// of the scheme then fail to load, as they would without the plugin.
void openMediaDoor(WebKitWebContext* context, const std::string& scheme, const std::string& folder);

}  // namespace velmorin::gtk
