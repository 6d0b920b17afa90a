// The web process ends unasked while the page plays (here it is killed):
// the page is loaded again, in a new web process, once. A second loss within
// 30 s of that load leaves the view as it is, and the program plays on. A
// process lost before its first page committed has the page loaded anew, as
// there is nothing yet to reload.

#include <unistd.h>

#include "FaultRuns.h"

namespace velmorin::test {
namespace {

constexpr Seconds appearBound{60.0};
// Longer than a new web process takes to start, on a busy machine too.
constexpr Seconds quietBound{8.0};

TEST(CrashReload, OnceThenTheViewIsLeftAsItIs) {
    // The page asks for "shown" once it is on the screen: its web process
    // has it loaded and drawn.
    const auto page = htmlPage(
        "<style>body { background: #000; color: #fff; }</style>",
        "<p>playing</p>" + scriptElement("setInterval(() => {}, 16);\n"
                                         "requestAnimationFrame(() => requestAnimationFrame(() => "
                                         "fetch('shown')));"));
    WatchedProgram program({{startPageName, page}, {"shown", ""}}, dialogEnvironment());
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    ASSERT_TRUE(playFromTheDialog(program)) << "the launch dialog was not answered";
    const pid_t root = program.run().pid();
    const auto wakes = program.fileWakes();

    // Each web process is killed once its page has been loaded and shown.
    std::vector<pid_t> seen;
    for (int loss = 1; loss <= 2; ++loss) {
        ASSERT_TRUE(
            waitUntil(appearBound, wakes, [&] { return program.openings("shown") == loss; }))
            << "the page was not shown, before loss " << loss << ", "
            << program.openings(startPageName) << " page loads";
        const auto live = liveWebProcessesBelow(root);
        ASSERT_FALSE(live.empty()) << "no web process with the page loaded, before loss " << loss;
        EXPECT_EQ(program.openings(startPageName), loss);
        std::cout << "loss " << loss << ": web process " << live.front() << " killed\n";
        seen.push_back(live.front());
        killAll(live);
    }
    EXPECT_NE(seen[0], seen[1]);

    // A reload would ask for the page again; the bound is the time a new
    // web process takes to start, and one started without a page is still
    // there at the end of it.
    auto ends = wakes;
    ends.push_back(program.run().ended());
    const bool restarted =
        waitUntil(
            quietBound, ends,
            [&] { return program.openings(startPageName) > 2 || !program.run().running(); }) ||
        !liveWebProcessesBelow(root).empty();
    EXPECT_FALSE(restarted) << "a web process after the second loss, or the program ended";
    EXPECT_EQ(program.openings(startPageName), 2);
    EXPECT_TRUE(program.run().running());
}

// Answers the start page, but for its first request: the web process that
// asked is killed before it can have an answer, so its page never commits.
class LostBeforeTheFirstPage final : public SchemeHandler {
public:
    int requests = 0;

    void startTask(SchemeTask& task) override {
        if (++requests == 1) {
            const auto live = liveWebProcessesBelow(getpid());
            killAll(live);
            waitForEnds(live, quietBound);
            return;  // Unanswered, the task fails as it goes.
        }
        const std::string page = htmlPage("<title>loaded again</title>", "<p>again</p>");
        task.didReceiveResponse(
            {task.requestUrl(), 200, "HTTP/1.1", {{"Content-Type", "text/html"}}});
        task.didReceiveData(Bytes(page.begin(), page.end()));
        task.didFinish();
    }
    void stopTask(SchemeTask&) override {}
};

TEST(CrashReload, ALossBeforeTheFirstPageLoadsItAgain) {
    auto handler = std::make_shared<LostBeforeTheFirstPage>();
    std::string problem;
    const auto engine = EngineView::create(handler, &problem);
    ASSERT_TRUE(engine) << problem;
    engine->webView().loadRequest(UrlRequest{.url = "app://demo/index.html"});
    std::string title;
    EXPECT_TRUE(waitUntilTitle(engine->view(), "loaded again", defaultEngineTimeout, &title))
        << handler->requests << " requests, the title \"" << title << "\"";
    EXPECT_EQ(handler->requests, 2);
}

}  // namespace
}  // namespace velmorin::test
