#pragma once

namespace velmorin {

// How the GTK backend loads a page again after a lost web process, once
// rules/CrashReload.h has said it does. WebKitGTK's reload starts a new web
// process and loads the view's current history item; a process lost before
// the first page committed leaves the history empty, and a reload then loads
// nothing, leaving the view empty for good.

// Whether the view has a page in its history, where a reload would go.
enum class ViewHistory { empty, hasCurrentPage };
// Whether the view was asked to load a page.
enum class RequestedPage { none, known };

enum class LoadAgainBy {
    // A reload, which starts the new process and loads the current page.
    reloading,
    // The page the view was asked for, loaded anew, when there is no
    // history for a reload to go to.
    loadingTheRequestedPage,
};

constexpr LoadAgainBy howToLoadAgain(ViewHistory history, RequestedPage requested) {
    return history == ViewHistory::empty && requested == RequestedPage::known
               ? LoadAgainBy::loadingTheRequestedPage
               : LoadAgainBy::reloading;
}

}  // namespace velmorin
