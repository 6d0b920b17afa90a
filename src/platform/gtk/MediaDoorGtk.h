#pragma once

#include <webkit/webkit.h>

#include <string>

namespace velmorin::gtk {

// The media door lets the engine's media player play the files of the demo
// folder from URLs of the demo scheme, through the program's own GStreamer
// plugin, which opens them by the same rules as the scheme's handler. It
// takes two steps.
//
// prepareMediaDoor() sets the process environment that the engine's web
// processes inherit: the plugin's folder for GStreamer, the scheme for the
// engine's list of URL schemes media may use, and `folder` for the plugin.
// glibc's setenv() races any getenv() of another thread, so this must come
// before the toolkit starts and its threads with it; called later, it sets
// nothing and says so in a critical. Nothing is set when the plugin is not
// beside the program, or when `folder` does not exist (the sandbox cannot
// show a folder that is not there: the web process would not start at all).
void prepareMediaDoor(const std::string& folder);

// Shows the prepared folder to `context`'s sandboxed web processes, read
// only, when `scheme` is the demo scheme and `folder` the prepared one. Must
// come before the context starts its first web process. Otherwise nothing
// changes, and media of the scheme fail to load, as they would without the
// plugin.
void openMediaDoor(WebKitWebContext* context, const std::string& scheme, const std::string& folder);

}  // namespace velmorin::gtk
