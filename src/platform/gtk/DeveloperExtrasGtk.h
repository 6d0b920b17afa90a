#pragma once

#include <webkit/webkit.h>

#include <string_view>

namespace velmorin::gtk {

// In the developer build (VELMORIN_DEVELOPER_EXTRAS), turns on the engine's
// web inspector for the view and writes what its pages say on their console,
// and their uncaught errors, to standard error as "velmorin-hd: console: …"
// lines. In every other build it does nothing at all.
void addDeveloperExtras(WebKitWebView* view);

// In the developer build, writes "velmorin-hd: TEXT" as one line of standard
// error; in every other build it does nothing.
void writeDeveloperNote(std::string_view text);

}  // namespace velmorin::gtk
