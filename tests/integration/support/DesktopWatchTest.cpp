// The display's waits, on an Xvfb server of the test's own.

#include <gtest/gtest.h>

#include <chrono>

#include "integration/support/DesktopWatch.h"

namespace velmorin::test {
namespace {

// A property set on the root window is an event the watch takes; a size
// query's round trip (for no window at all here) then pulls it into the
// connection's own queue ahead of its answer, so the descriptor never tells
// of it. The wait must still end at once, far before its bound.
TEST(DesktopWatch, AnEventQueuedBeforeTheWaitEndsItAtOnce) {
    PrivateDisplay display(640, 480);
    ASSERT_TRUE(display.ready()) << "Xvfb did not start";
    DesktopWatch desktop(display);
    ASSERT_TRUE(desktop.ready());
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

}  // namespace
}  // namespace velmorin::test
