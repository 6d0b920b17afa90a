// Whatever goes wrong with the demo or the engine, self-test mode still
// prints its two lines and exits with status 0: a missing demo, a start page
// that never finishes loading, a web process that dies while the page plays,
// a page that asks for downloads.
// Only a page that never gives its thread back leaves it waiting, silently,
// for as long as the program runs.

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "FaultRuns.h"
#include "common/NamedRows.h"
#include "common/TempTree.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

constexpr Seconds runBound{120.0};

// Every request fails; WebKit then shows its own error page, whose text is
// the failure the program gave.
struct MissingCase {
    std::string name;
    DemoPages pages;
    bool removeDemoFolder = false;
};

class MissingDemo : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingDemo, ReportsTheEnginesErrorPage) {
    const auto& c = GetParam();
    WatchedProgram program(c.pages, selfTestEnvironment(), [&c](TestBundle& bundle) {
        if (c.removeDemoFolder) {
            std::filesystem::remove_all(bundle.demoDirectory());
        }
    });
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    const auto result = program.runToEnd(runBound);

    const auto lines = twoLineReport(result);
    EXPECT_EQ(lines[0], probeLine("The requested file does not exist.")) << result.describe();
    EXPECT_GE(result.wallTime.count(), 3.9);
    EXPECT_FALSE(program.opened("other.txt"));
}

INSTANTIATE_TEST_SUITE_P(Bundles, MissingDemo,
                         testing::Values(MissingCase{"NoDemoFolder", {}, true},
                                         MissingCase{"NoStartPage",
                                                     {{"other.txt", "other"}, {"js/a.js", "1;"}}}),
                         test::rowName);

// A local port that takes connections and never answers: an image from it
// keeps the page's load event from firing for as long as the test runs.
TEST(NeverLoaded, ReportsOnTimeWhileTheLoadGoesOn) {
    const auto server = gtk::GObjectPtr<GSocketListener>::adopt(g_socket_listener_new());
    const guint16 port = g_socket_listener_add_any_inet_port(server.get(), nullptr, nullptr);
    ASSERT_NE(port, 0) << "no listening socket";
    // A second of busy script while parsing, then the state shortly after
    // the document is parsed; "loaded" would mean the load event fired.
    const auto page = htmlPage(
        "", "<p id=\"state\">parsing</p><img hidden src=\"http://127.0.0.1:" +
                std::to_string(port) + "/never.png\">" +
                scriptElement("const start = performance.now();\n"
                              "while (performance.now() - start < 1000) {}\n"
                              "const state = document.getElementById('state');\n"
                              "addEventListener('load', () => { state.textContent = 'loaded'; });\n"
                              "addEventListener('DOMContentLoaded', () => setTimeout(() => {\n"
                              "  state.textContent = 'state ' + document.readyState; }, 300));"));
    const auto run = runSelfTestPage(page, Seconds(2.0));

    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], probeLine("state interactive"));
    EXPECT_GE(run.result.wallTime.count(), 3.9);
}

// A script that loops for ever answers neither the probe nor the snapshot,
// and the self-test waits for them as long as the program lives: nothing is
// written, and the program is still there when the test gives up on it.
TEST(SpinningPage, LeavesTheSelfTestWaitingAndNoEngineSpinningAfterIt) {
    WatchedProgram program(
        {{startPageName,
          htmlPage(
              "", "<p>spinning</p>" + scriptElement("addEventListener('load', () => "
                                                    "setTimeout(() => { for (;;) {} }, 1000));"))}},
        selfTestEnvironment());
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    std::vector<pid_t> seen;
    const auto result = program.runToEnd(Seconds(12.0), [&] {
        for (const pid_t pid : webProcessesBelow(program.run().pid())) {
            if (std::find(seen.begin(), seen.end(), pid) == seen.end()) {
                seen.push_back(pid);
            }
        }
    });

    ASSERT_TRUE(program.opened(startPageName)) << result.describe();
    EXPECT_TRUE(result.timedOut) << "the program ended by itself: " << result.describe();
    EXPECT_EQ(result.standardOutput, "");
    // The spinning web process goes with the program that started it.
    EXPECT_FALSE(seen.empty());
    EXPECT_TRUE(waitForEnds(seen, Seconds(15.0))) << "a web process outlived the program";
}

// The web process is killed 1 s after it asked for the start page. The page
// is loaded again in a new web process (CrashReloadTest.cpp follows that
// load), and the report, 4 s after the program asked for the page, is of
// whatever the view shows then: the page loaded again, or, on a machine too
// busy to have got that far, the blank document before it. Never an error,
// and never no picture. A run whose engine started so late that the report
// came right after the kill says nothing about the reload, so it is made
// again, a bounded number of times.
TEST(WebProcessKilled, ReportsWhatTheReloadedViewShows) {
    constexpr int attempts = 3;
    constexpr auto reloadTime = std::chrono::milliseconds(2500);
    const auto page = htmlPage("<style>body { background: #fff; }</style>",
                               "<p>alive</p>" + scriptElement("setInterval(() => {}, 16);"));
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        WatchedProgram program({{startPageName, page}}, selfTestEnvironment());
        ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
        std::vector<pid_t> killed;
        std::vector<pid_t> after;
        std::chrono::steady_clock::time_point killedAt;
        const auto result = program.runToEnd(runBound, [&] {
            const auto asked = program.opened(startPageName);
            if (killed.empty() && asked &&
                std::chrono::steady_clock::now() - *asked > std::chrono::milliseconds(1000)) {
                killed = webProcessesBelow(program.run().pid());
                killedAt = std::chrono::steady_clock::now();
                killAll(killed);
            } else if (!killed.empty() && after.empty()) {
                after = liveWebProcessesBelow(program.run().pid());
                std::erase_if(after, [&](pid_t pid) {
                    return std::find(killed.begin(), killed.end(), pid) != killed.end();
                });
            }
        });
        ASSERT_FALSE(killed.empty()) << "no web process was found to kill: " << result.describe();
        if (result.endedAt - killedAt < reloadTime && attempt < attempts) {
            // Counted in the output, so an engine that is often this late shows up.
            testing::Test::RecordProperty("runsMadeAgain", attempt);
            std::cerr << "the report came right after the kill (run " << attempt << " of at most "
                      << attempts << "); running again\n";
            continue;
        }

        const auto lines = twoLineReport(result);
        std::cout << "web process " << killed.front() << " killed, "
                  << (after.empty() ? 0 : after.front()) << " started; " << lines[0] << '\n';
        EXPECT_FALSE(after.empty()) << "no new web process: " << result.describe();
        EXPECT_TRUE(lines[0] == probeLine("alive") || lines[0] + "\n" == blankDocumentReport)
            << lines[0];
        EXPECT_NE(lines[1], noSnapshotLine);
        return;
    }
}

// A program started with standard descriptors closed. Were one left closed,
// the next file the program opened would take its number and get what the
// libraries write there: the X server's connection took standard error in
// one run of four or more, and a warning written into it hung the program.
// Each row is run several times, two runs at a time on one display, and in
// every run the three descriptors are looked at directly once the engine has
// started: /dev/null or one of the test's captures, nothing else.
enum class Outcome {
    // The two report lines on standard output, status 0.
    report,
    // No standard output to write the report to: status 1, and the
    // program's line on standard error when there is one.
    failedReport,
};

struct ClosedCase {
    std::string name;
    std::string redirections;  // As a shell writes them.
    Outcome outcome;
    bool errorOpen;
    int runs;
};

class ClosedDescriptors : public testing::TestWithParam<ClosedCase> {};

void expectStandardDescriptorsHeld(pid_t pid) {
    for (int fd = 0; fd <= 2; ++fd) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(
            "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error);
        EXPECT_TRUE(!error && (target == "/dev/null" || target.string().starts_with("/memfd:")))
            << "descriptor " << fd << ": "
            << (error ? "closed or unreadable: " + error.message() : target.string());
    }
}

TEST_P(ClosedDescriptors, NothingElseTakesTheirPlace) {
    constexpr int atOnce = 2;
    const auto& row = GetParam();
    PrivateDisplay display(screenWidth, screenHeight);
    ASSERT_TRUE(display.ready()) << "no Xvfb server for the runs";
    TestBundle bundle({{startPageName, htmlPage("", "<p>closed</p>")}});
    const ProgramStart start{{"sh", "-c", "exec \"$0\" " + row.redirections}};
    for (int done = 0; done < row.runs; done += atOnce) {
        std::vector<std::unique_ptr<ProgramRun>> batch;
        for (int i = 0; i < std::min(atOnce, row.runs - done); ++i) {
            batch.push_back(std::make_unique<ProgramRun>(
                bundle, display.environment(selfTestEnvironment()), start));
        }
        // A child of the engine's means the program is well past its start.
        std::vector<bool> looked(batch.size(), false);
        ProcessTableLooks looks;
        waitUntil(runBound, {looks.wake()}, [&] {
            for (std::size_t i = 0; i < batch.size(); ++i) {
                if (looked[i] || !batch[i]->running()) {
                    looked[i] = true;
                } else if (!webProcessesBelow(batch[i]->pid()).empty()) {
                    expectStandardDescriptorsHeld(batch[i]->pid());
                    looked[i] = true;
                }
            }
            return std::find(looked.begin(), looked.end(), false) == looked.end();
        });
        for (auto& run : batch) {
            const auto result = run->finish(runBound);
            SCOPED_TRACE(result.describe());
            if (row.outcome == Outcome::report) {
                twoLineReport(result);
                continue;
            }
            EXPECT_FALSE(result.timedOut);
            EXPECT_TRUE(result.exitedWith(1));
            EXPECT_EQ(result.standardOutput, "");
            EXPECT_EQ(result.standardError.find("velmorin-hd: cannot write the self-test report: "
                                                "Bad file descriptor\n") != std::string::npos,
                      row.errorOpen);
        }
    }
}

// Standard error closed is the row that hung; its runs are enough to see a
// hang of one in four with a chance of nine in ten, beside the descriptors
// looked at in every run, which find a stray descriptor in any one run. The
// other rows share its start-up code and need fewer.
INSTANTIATE_TEST_SUITE_P(
    Redirections, ClosedDescriptors,
    testing::Values(ClosedCase{"Output", ">&-", Outcome::failedReport, true, 1},
                    ClosedCase{"Error", "2>&-", Outcome::report, false, 8},
                    ClosedCase{"OutputAndError", ">&- 2>&-", Outcome::failedReport, false, 2},
                    ClosedCase{"All", "<&- >&- 2>&-", Outcome::failedReport, false, 1}),
    test::rowName);

// A page that saves files through links with a download attribute, one to a
// data: URL and one to a blob: URL, clicked once it has loaded. Nothing is
// downloaded (the home folder and the download folder stay empty) and the
// page goes on to the report. The engine's runtime files go to a folder of
// their own, which is not looked at, and the libraries' caches are allowed.
TEST(Downloads, NoFileIsWritten) {
    TempTree home("velmorin-home");
    TempTree runtime("velmorin-runtime");
    std::filesystem::permissions(runtime.root(), std::filesystem::perms::owner_all);
    const auto downloads = home.root() / "Downloads";
    const auto page = htmlPage(
        "",
        "<p id=\"state\">waiting</p><a id=\"data\" download=\"bars-dl-data.txt\" "
        "href=\"data:text/plain,bars\">data</a><a id=\"blob\" download=\"bars-dl-blob.bin\">"
        "blob</a>" +
            scriptElement("addEventListener('load', () => {\n"
                          "  const blob = document.getElementById('blob');\n"
                          "  blob.href = URL.createObjectURL(new Blob(['bars'], { type: "
                          "'application/octet-stream' }));\n"
                          "  document.getElementById('data').click();\n"
                          "  setTimeout(() => { blob.click(); document.getElementById('state')"
                          ".textContent = 'clicked'; }, 500);\n"
                          "});"));
    WatchedProgram program({{startPageName, page}},
                           selfTestEnvironment()
                               .set("HOME", home.root().string())
                               .set("XDG_DOWNLOAD_DIR", downloads.string())
                               .set("XDG_RUNTIME_DIR", runtime.root().string()));
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    const auto result = program.runToEnd(runBound);

    const auto lines = twoLineReport(result);
    EXPECT_EQ(lines[0], probeLine("clicked\n\ndatablob"));
    // The libraries' own caches (GStreamer's plugin list, Mesa's shader
    // cache, whatever a release adds) go under ~/.cache, as the README says;
    // anything else in the home folder was written by the program.
    std::vector<std::string> written;
    const auto caches = home.root() / ".cache";
    for (auto entry = std::filesystem::recursive_directory_iterator(home.root());
         entry != std::filesystem::recursive_directory_iterator(); ++entry) {
        if (entry->path() == caches) {
            entry.disable_recursion_pending();
            continue;
        }
        written.push_back(entry->path().string());
    }
    EXPECT_EQ(written, std::vector<std::string>{}) << result.describe();
}

}  // namespace
}  // namespace velmorin::test
