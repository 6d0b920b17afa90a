#pragma once

#include <webkit/webkit.h>

namespace velmorin::gtk {

// The player has no user interface of its own for what a page asks of its
// browser window: alert(), confirm(), prompt(), a "leave this page?" prompt,
// window.print() and <input type=file>. Left to WebKitGTK, each would open a
// modal GTK dialog over the demo, and a script dialog would also stop the
// page until someone answers it (a self-check run would never report). Here
// each is answered at once, without showing anything, the way a browser
// window with no such interface answers:
//
//     alert("hi")        returns undefined
//     confirm("sure?")   returns false
//     prompt("name?")    returns null
//     beforeunload       the page is left, no question asked
//     print(), file input  nothing opens; the file input stays empty
void answerPageDialogsSilently(WebKitWebView* view);

}  // namespace velmorin::gtk
