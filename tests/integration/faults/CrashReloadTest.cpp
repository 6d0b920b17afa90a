// The web process ends unasked while the page plays (here it is killed):
// the page is loaded again, in a new web process, once. A second loss within
// 30 s of that load leaves the view as it is, and the program plays on. A
// process lost before its page got anywhere is no different: the start page
// is loaded again, and that counts as the one reload.

#include <thread>

#include "FaultRuns.h"
#include "common/NamedRows.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

constexpr Seconds appearBound{60.0};
// Longer than a new web process takes to start, on a busy machine too.
constexpr Seconds quietBound{8.0};

struct LossCase {
    std::string name;
    // How many times the start page has been asked for when each of the two
    // losses comes. Once it has been, the page gets a moment to load first.
    int loadsBeforeLoss[2];
};

class CrashReload : public testing::TestWithParam<LossCase> {};

TEST_P(CrashReload, OnceThenTheViewIsLeftAsItIs) {
    const auto& row = GetParam();
    const auto page = htmlPage("<style>body { background: #000; color: #fff; }</style>",
                               "<p>playing</p>" + scriptElement("setInterval(() => {}, 16);"));
    WatchedProgram program({{startPageName, page}}, dialogEnvironment());
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    ASSERT_TRUE(playFromTheDialog(program.display())) << "the launch dialog was not answered";
    const pid_t root = program.run().pid();

    std::vector<pid_t> seen;
    for (const int loads : row.loadsBeforeLoss) {
        std::vector<pid_t> live;
        ASSERT_TRUE(waitUntil(
            appearBound,
            [&] {
                live = liveWebProcessesBelow(root);
                return !live.empty() && program.openings(startPageName) >= loads;
            },
            std::chrono::milliseconds(5)))
            << "no web process with the page asked for " << loads << " times, "
            << program.openings(startPageName) << " page loads" << program.run().finish(Seconds(0)).describe();
        // Once the page has been asked for, it gets a moment to load; before,
        // the new process gets a moment to be up (the engine ends the whole
        // program when a process it is still starting goes), and no more.
        std::this_thread::sleep_for(std::chrono::milliseconds(loads > 0 ? 1000 : 800));
        if (loads == 0 && program.openings(startPageName) > 0) {
            GTEST_SKIP() << "the web process asked for the page before it could be killed";
        }
        std::cout << "web process " << live.front() << " killed after "
                  << program.openings(startPageName) << " page loads\n";
        seen.push_back(live.front());
        killAll(live);
    }
    EXPECT_NE(seen[0], seen[1]);

    const bool restarted = waitUntil(quietBound, [&] {
        return !liveWebProcessesBelow(root).empty() || !program.run().running();
    });
    EXPECT_FALSE(restarted) << "a web process after the second loss, or the program ended";
    EXPECT_EQ(program.openings(startPageName), row.loadsBeforeLoss[1]);
    EXPECT_TRUE(program.run().running());
}

INSTANTIATE_TEST_SUITE_P(Losses, CrashReload,
                         testing::Values(LossCase{"WhilePlaying", {1, 2}},
                                         LossCase{"BeforeTheFirstLoad", {0, 1}}),
                         test::rowName);

}  // namespace
}  // namespace velmorin::test
