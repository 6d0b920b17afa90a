#include "integration/support/PageRuns.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

namespace velmorin::test {

std::string quoted(const std::string& text) {
    std::string literal = "\"";
    for (const char c : text) {
        if (c == '\n') {
            literal += "\\n";
            continue;
        }
        if (c == '"' || c == '\\') {
            literal += '\\';
        }
        literal += c;
    }
    return literal + "\"";
}

std::string probeLine(const std::string& text, int buttons, const std::string& canvas) {
    return std::string(pageLineStart) + "{\"text\":" + quoted(text) +
           ",\"buttons\":" + std::to_string(buttons) + ",\"canvas\":" + canvas + "}";
}

std::vector<std::string> twoLineReport(const ChildResult& result) {
    EXPECT_FALSE(result.timedOut) << result.describe();
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
    const auto lines = result.outputLines();
    EXPECT_EQ(lines.size(), 2u) << result.describe();
    if (lines.size() != 2 || result.standardOutput.back() != '\n') {
        ADD_FAILURE() << "not two whole lines: " << result.describe();
        return {"", ""};
    }
    EXPECT_TRUE(lines[0].starts_with(pageLineStart)) << lines[0];
    EXPECT_TRUE(lines[1].starts_with(litLineStart)) << lines[1];
    return lines;
}

double litShare(const std::string& line) {
    return line.starts_with(litLineStart) ? std::atof(line.c_str() + std::strlen(litLineStart))
                                          : -100.0;
}

std::vector<std::string> programLines(const std::string& text, std::string_view kind) {
    const std::string start = "velmorin-hd: " + std::string(kind);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(start)) {
            lines.push_back(line);
        }
    }
    return lines;
}

WatchedRun runWatched(const DemoPages& pages, const ChildEnvironment& environment, Seconds timeout,
                      const std::filesystem::path& program) {
    TestBundle bundle(pages);
    if (!program.empty()) {
        bundle.replaceProgram(program);
    }
    OpenedFiles watch(bundle.demoDirectory());
    WatchedRun outcome;
    outcome.result = ProgramRun(bundle, environment).finish(timeout, {watch.wake()});
    outcome.startPageOpened = watch.firstOpened(startPageName);
    return outcome;
}

WatchedRun runSelfTestPage(const std::string& page, Seconds pageTimeNeeded,
                           const std::filesystem::path& program) {
    return runSelfTestPages({{startPageName, page}}, pageTimeNeeded, program);
}

WatchedRun runSelfTestPages(const DemoPages& pages, Seconds pageTimeNeeded,
                            const std::filesystem::path& program) {
    constexpr int runs = 4;
    WatchedRun run;
    for (int made = 1; made <= runs; ++made) {
        PrivateDisplay display(screenWidth, screenHeight);
        if (!display.ready()) {
            ADD_FAILURE() << "no Xvfb server for the run";
            return run;
        }
        run = runWatched(pages, display.environment(selfTestEnvironment()), runTimeout, program);
        // Only a run that ended well by itself, and in which the page came
        // too late for the probe, is made again: a failed run is the
        // program's, and so is a page asked for in time but not yet shown.
        const auto delay = run.startPageDelay();
        const bool late = !delay || *delay > probeDelay - pageTimeNeeded;
        if (!late || !run.result.exitedWith(0) || run.result.standardOutput.empty()) {
            return run;
        }
        // Each run made again is counted where the test's output shows it,
        // so a program that is often slow to start shows up.
        testing::Test::RecordProperty("selfTestRunsMadeAgain", made);
        std::cerr << "the start page was asked for "
                  << (delay ? std::to_string(delay->count()) + " s" : std::string("never"))
                  << " after the start, too late for the probe (run " << made << " of at most "
                  << runs << "); running again\n";
    }
    return run;
}

}  // namespace velmorin::test
