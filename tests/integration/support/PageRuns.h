#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "integration/support/ProgramRun.h"

namespace velmorin::test {

// A whole HTML document with this head and body content.
inline std::string htmlPage(const std::string& head, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">" + head + "</head><body>" + body +
           "</body></html>\n";
}

inline std::string scriptElement(const std::string& code) {
    return "<script>" + code + "</script>";
}

// A run of the program on a bundle whose start page is watched, so the test
// knows when the program first asked for it.
struct WatchedRun {
    ChildResult result;
    std::optional<std::chrono::steady_clock::time_point> startPageOpened;

    // From the first request of the start page to the program's end.
    std::optional<Seconds> sinceStartPage() const {
        return startPageOpened ? std::optional<Seconds>(result.endedAt - *startPageOpened)
                               : std::nullopt;
    }
    // From the program's start to its first request of the start page.
    std::optional<Seconds> startPageDelay() const {
        return startPageOpened ? std::optional(result.wallTime - *sinceStartPage()) : std::nullopt;
    }
};

inline constexpr const char* startPageName = "index.html";
// The bound on one run: it covers a slow engine start on a busy machine.
inline constexpr Seconds runTimeout{90.0};

// The program is this build's unless another one is named.
WatchedRun runWatched(const DemoPages& pages, const ChildEnvironment& environment,
                      Seconds timeout = runTimeout, const std::filesystem::path& program = {});

// The screen every run gets: an Xvfb server of its own, so runs side by side
// share nothing, not even an X server that resets between its clients.
inline constexpr int screenWidth = 1920;
inline constexpr int screenHeight = 1080;

inline constexpr const char* pageLineStart = "selftest page: ";
inline constexpr const char* litLineStart = "selftest lit pixels: ";
// What the program reports for a snapshot it did not get.
inline constexpr const char* noSnapshotLine = "selftest lit pixels: -1.0 %";

// ASCII text as a JSON string, which is also a script's string literal:
// quotes, backslashes and line breaks escaped.
std::string quoted(const std::string& text);

// The probe's line for a page with this ASCII text, buttons and canvas size.
std::string probeLine(const std::string& text, int buttons = 0, const std::string& canvas = "null");

// A self-test run that ended by itself with status 0 and exactly the two
// report lines; returns them, or two empty lines with the failure recorded.
std::vector<std::string> twoLineReport(const ChildResult& result);

// The share of lit pixels a report's second line gives.
double litShare(const std::string& line);

// The program's own lines in `text`, those that begin "velmorin-hd: " and
// then `kind`; the libraries may add lines of theirs.
std::vector<std::string> programLines(const std::string& text, std::string_view kind = "");

// What the probe finds in the blank document the view shows before the start
// page has loaded. Every page of these tests has some text, so its report
// never reads like this.
inline constexpr const char* blankDocumentReport =
    "selftest page: {\"text\":\"\",\"buttons\":0,\"canvas\":null}\n";

// The self-test probes the page this long after the program asked for it.
inline constexpr Seconds probeDelay{4.0};

// Runs the page in self-test mode. The probe comes 4 s after the program
// asked for the start page; an engine slow to start (a machine busy with
// other work) leaves the page less of that time, or none, and the probe may
// then read the blank document. A run in which the page was asked for so late
// that it had less than pageTimeNeeded before the probe says nothing about
// the page, so it is made again, at most three times, each time counted in
// the test's output.
WatchedRun runSelfTestPage(const std::string& page, Seconds pageTimeNeeded = Seconds(1.5),
                           const std::filesystem::path& program = {});
// The same for a demo of several files, whose start page is index.html.
WatchedRun runSelfTestPages(const DemoPages& pages, Seconds pageTimeNeeded = Seconds(1.5),
                            const std::filesystem::path& program = {});

}  // namespace velmorin::test
