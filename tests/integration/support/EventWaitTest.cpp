// What a process's end says: only a process the kernel no longer knows, or
// one seen ending, has ended.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "integration/support/EventWait.h"

namespace velmorin::test {
namespace {

// A watch begun while this process has no descriptor left to give it.
ProcessEnd watchWithoutDescriptors(pid_t pid) {
    const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(lowestFree);
    rlimit limits{};
    getrlimit(RLIMIT_NOFILE, &limits);
    rlimit none = limits;
    none.rlim_cur = static_cast<rlim_t>(lowestFree);
    setrlimit(RLIMIT_NOFILE, &none);
    ProcessEnd end(pid);
    setrlimit(RLIMIT_NOFILE, &limits);
    return end;
}

TEST(ProcessEnd, EndedOnlyWhenTheProcessIsGone) {
    EXPECT_FALSE(ProcessEnd(getpid()).ended()) << "this process, running";
    EXPECT_FALSE(watchWithoutDescriptors(getpid()).ended())
        << "this process, running but not watched";

    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    ProcessEnd watched(child);
    ASSERT_TRUE(waitForEnds({child}, Seconds(10.0)));
    EXPECT_TRUE(watched.ended()) << "a child seen ending";
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(ProcessEnd(child).ended()) << "a child gone before the watch";
}

}  // namespace
}  // namespace velmorin::test
