#pragma once

#include <webkit/webkit.h>

namespace velmorin::gtk {

// Stops the keys the engine's hidden text view must not see before they
// reach the view (platform/gtk/rules/HiddenTextViewKeys.h).
void keepKeysFromHiddenTextView(WebKitWebView* view);

}  // namespace velmorin::gtk
