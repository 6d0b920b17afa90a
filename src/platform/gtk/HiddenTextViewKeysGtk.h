#pragma once

#include <webkit/webkit.h>

namespace velmorin::gtk {

// WebKitGTK works out which editing command a key stands for by handing
// every key to a GTK text view of its own that is never shown. F7 is that
// text view's key for turning its cursor on and off, and the cursor of a
// text view that is never shown blinks into an assertion of GTK's that
// aborts the program: a viewer pressing F7 would end the demo with a crash.
// F7 is therefore stopped before it reaches the view. Nothing else changes:
// the view has no caret to show, and the bundled demo has no use for F7.
void keepF7FromHiddenTextView(WebKitWebView* view);

}  // namespace velmorin::gtk
