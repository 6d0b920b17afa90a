// The helpers' waits end at the event they wait for, and only then.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "integration/support/DesktopWatch.h"

namespace velmorin::test {
namespace {

// A property set on the root window is an event the watch takes; a size
// query's round trip (for no window at all here) then pulls it into the
// connection's own queue ahead of its answer, so the descriptor never tells
// of it. The wait must still end at once, far before its bound.
TEST(DesktopWatch, AnEventQueuedBeforeTheWaitEndsItAtOnce) {
    PrivateDisplay display(640, 480);
    DesktopWatch desktop(display);
    ASSERT_TRUE(display.ready() && desktop.ready()) << "no display of the test's own";
    ASSERT_TRUE(desktop
                    .tool({"xprop", "-root", "-f", "VELMORIN_TEST", "8s", "-set", "VELMORIN_TEST",
                           "changed"})
                    .exitedWith(0));
    EXPECT_FALSE(desktop.size("0")) << "no window has the id 0";
    constexpr Seconds bound{30.0};
    int asked = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(desktop.waitUntil(bound, [&] { return ++asked > 1; }));
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - started), bound / 6);
}

// A watch begun while this process has no descriptor left to give it.
ProcessEnd watchWithoutDescriptors(pid_t pid) {
    const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(lowestFree);
    rlimit limits{};
    getrlimit(RLIMIT_NOFILE, &limits);
    const rlimit none{static_cast<rlim_t>(lowestFree), limits.rlim_max};
    setrlimit(RLIMIT_NOFILE, &none);
    ProcessEnd end(pid);
    setrlimit(RLIMIT_NOFILE, &limits);
    return end;
}

TEST(ProcessEnd, EndedOnlyWhenTheProcessIsGone) {
    EXPECT_FALSE(ProcessEnd(getpid()).ended()) << "this process, running";
    EXPECT_FALSE(watchWithoutDescriptors(getpid()).ended()) << "this process, not watched";
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ProcessEnd watched(child);
    ASSERT_TRUE(waitForEnds({child}, Seconds(10.0)));
    EXPECT_TRUE(watched.ended()) << "a child seen ending";
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(ProcessEnd(child).ended()) << "a child gone before the watch";
}

}  // namespace
}  // namespace velmorin::test
