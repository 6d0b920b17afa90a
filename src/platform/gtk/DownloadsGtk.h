#pragma once

#include <webkit/webkit.h>

namespace velmorin::gtk {

// The player downloads nothing and writes no files: a response the view
// cannot show is ignored rather than saved, and any download that starts
// anyway (a link with a download attribute, say) is cancelled before a file
// is made for it.
void refuseDownloads(WebKitWebView* view, WebKitNetworkSession* session);

}  // namespace velmorin::gtk
