// The web process ends unasked while the page plays (here it is killed):
// the page is loaded again, in a new web process, once. A second loss within
// 30 s of that load leaves the view as it is, and the program plays on. A
// process lost before its first page committed has the page loaded anew, as
// there is nothing yet to reload.

#include <unistd.h>

#include <thread>

#include "FaultRuns.h"

namespace velmorin::test {
namespace {

constexpr Seconds appearBound{60.0};
// Longer than a new web process takes to start, on a busy machine too.
constexpr Seconds quietBound{8.0};

TEST(CrashReload, OnceThenTheViewIsLeftAsItIs) {
    const auto page = htmlPage("<style>body { background: #000; color: #fff; }</style>",
                               "<p>playing</p>" + scriptElement("setInterval(() => {}, 16);"));
    WatchedProgram program({{startPageName, page}}, dialogEnvironment());
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    ASSERT_TRUE(playFromTheDialog(program.display())) << "the launch dialog was not answered";
    const pid_t root = program.run().pid();

    // Each web process is killed once its page has been asked for and had a
    // moment to load.
    std::vector<pid_t> seen;
    for (int loss = 1; loss <= 2; ++loss) {
        std::vector<pid_t> live;
        ASSERT_TRUE(waitUntil(appearBound,
                              [&] {
                                  live = liveWebProcessesBelow(root);
                                  return !live.empty() && program.openings(startPageName) == loss;
                              }))
            << "no web process with the page loaded, before loss " << loss << ", "
            << program.openings(startPageName) << " page loads";
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::cout << "loss " << loss << ": web process " << live.front() << " killed\n";
        seen.push_back(live.front());
        killAll(live);
    }
    EXPECT_NE(seen[0], seen[1]);

    const bool restarted = waitUntil(quietBound, [&] {
        return !liveWebProcessesBelow(root).empty() || !program.run().running();
    });
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
            killAll(liveWebProcessesBelow(getpid()));
            waitUntil(quietBound, [] { return liveWebProcessesBelow(getpid()).empty(); });
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
