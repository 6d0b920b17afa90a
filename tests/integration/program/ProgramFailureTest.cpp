// Failures that say so: the program ends with status 1 and writes one line
// of its own on standard error, never a status of 0 and never silence. The
// libraries may add lines of theirs; only the program's lines are counted.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/NamedRows.h"
#include "integration/support/PageRuns.h"
#include "platform/gtk/ApplicationGtk.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

enum class Fault {
    // The report goes to a device that takes no byte.
    fullDevice,
    // The report goes to a pipe whose reader has gone.
    closedPipe,
    // The program runs where /proc is an empty folder, so it cannot read
    // its own path.
    noProcFiles,
};

struct FailureCase {
    const char* name;
    Fault fault;
    std::string line;  // The program's line on standard error.
};

class ProgramFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ProgramFailure, OneLineAndStatusOne) {
    const auto& row = GetParam();
    ProgramStart start;
    int fds[2] = {-1, -1};
    if (row.fault == Fault::fullDevice) {
        fds[1] = open("/dev/full", O_WRONLY | O_CLOEXEC);
    } else if (row.fault == Fault::closedPipe) {
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        close(fds[0]);
    } else {
        const std::vector<std::string> privateMounts = {"unshare", "--user", "--map-root-user",
                                                        "--mount"};
        auto probe = privateMounts;
        probe.push_back("true");
        if (!runTool(probe, {}).exitedWith(0)) {
            GTEST_SKIP() << "no user namespaces here to hide /proc in";
        }
        start.wrapper = privateMounts;
        start.wrapper.insert(start.wrapper.end(),
                             {"sh", "-c", "mount -t tmpfs none /proc && exec \"$0\""});
    }
    start.outputFd = fds[1];

    TestBundle bundle({{startPageName, htmlPage("", "<p>report</p>")}});
    const auto result = ProgramRun(bundle, selfTestEnvironment(), start).finish(runTimeout);
    close(fds[1]);

    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(programLines(result.standardError), std::vector<std::string>{row.line})
        << result.describe();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramFailure,
    testing::Values(
        FailureCase{"ReportOnAFullDevice", Fault::fullDevice,
                    "velmorin-hd: cannot write the self-test report: No space left on device"},
        FailureCase{"ReportOnAClosedPipe", Fault::closedPipe,
                    "velmorin-hd: cannot write the self-test report: Broken pipe"},
        FailureCase{"OwnPathUnreadable", Fault::noProcFiles,
                    "velmorin-hd: the system does not say where the program's own file is, so "
                    "the demo bundled beside it cannot be found"}),
    test::rowName);

// An exception out of the launch ends the event loop with a failure, which
// the program's entry turns into status 1, instead of leaving the program
// running with no window.
TEST(LaunchFailure, EndsTheRunAndSaysWhy) {
    class ThrowingLaunch final : public ApplicationDelegate {
    public:
        void applicationDidFinishLaunching() override {
            throw std::runtime_error("no player today");
        }
        bool applicationShouldTerminateAfterLastWindowClosed() override { return true; }
    };
    ThrowingLaunch delegate;
    gtk::ApplicationGtk application;
    application.setDelegate(&delegate);

    testing::internal::CaptureStderr();
    const RunEnd end = application.run();
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(end, RunEnd::launchFailed);
    EXPECT_EQ(programLines(said),
              std::vector<std::string>{"velmorin-hd: launch failed: no player today"})
        << said;
}

}  // namespace
}  // namespace velmorin::test
