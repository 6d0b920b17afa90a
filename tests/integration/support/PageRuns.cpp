#include "integration/support/PageRuns.h"

#include <gtest/gtest.h>

#include <iostream>

namespace velmorin::test {

WatchedRun runWatched(const DemoPages& pages, const ChildEnvironment& environment, Seconds timeout,
                      const std::filesystem::path& program) {
    TestBundle bundle(pages);
    if (!program.empty()) {
        bundle.replaceProgram(program);
    }
    OpenedFiles watch(bundle.demoDirectory());
    ProgramRun run(bundle, environment);
    WatchedRun outcome;
    outcome.result = run.process().finishWaking(timeout, {watch.wake()});
    outcome.startPageOpened = watch.firstOpened(startPageName);
    return outcome;
}

WatchedRun runSelfTestPage(const std::string& page, Seconds pageTimeNeeded,
                           const std::filesystem::path& program) {
    return runSelfTestPages({{startPageName, page}}, pageTimeNeeded, program);
}

WatchedRun runSelfTestPages(const DemoPages& pages, Seconds pageTimeNeeded,
                            const std::filesystem::path& program) {
    constexpr int attempts = 4;
    WatchedRun run;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        PrivateDisplay display(screenWidth, screenHeight);
        if (!display.ready()) {
            ADD_FAILURE() << "no Xvfb server for the run";
            return run;
        }
        run = runWatched(pages, display.environment(selfTestEnvironment()), runTimeout, program);
        const bool blank = run.result.standardOutput.rfind(blankDocumentReport, 0) == 0;
        const auto delay = run.startPageDelay();
        const bool late = !delay || *delay > probeDelay - pageTimeNeeded;
        if (!blank && !(late && !run.result.standardOutput.empty())) {
            return run;
        }
        std::cerr << "the start page was asked for "
                  << (delay ? std::to_string(delay->count()) + " s" : std::string("never"))
                  << " after the start, too late for the probe (attempt " << attempt
                  << "); running again\n";
    }
    return run;
}

}  // namespace velmorin::test
