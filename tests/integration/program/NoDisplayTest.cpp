// With no display to open a window on, the program says so in one line on
// standard error and exits with status 1, in either mode.

#include <gtest/gtest.h>

#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

class NoDisplay : public testing::TestWithParam<bool> {};

TEST_P(NoDisplay, OneLineOnStandardErrorAndStatusOne) {
    TestBundle bundle({{startPageName, htmlPage("", "<p>never shown</p>")}});
    OpenedFiles watch(bundle.demoDirectory());
    auto environment = GetParam() ? selfTestEnvironment() : dialogEnvironment();
    environment.unset("DISPLAY").unset("WAYLAND_DISPLAY");

    const auto result = ProgramRun(bundle, environment).finish(Seconds(30.0));

    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    EXPECT_EQ(result.standardOutput, "");
    ASSERT_EQ(result.errorLines().size(), 1u) << result.describe();
    EXPECT_FALSE(result.errorLines()[0].empty());
    EXPECT_EQ(result.standardError.back(), '\n');
    EXPECT_FALSE(watch.firstOpened(startPageName));
}

INSTANTIATE_TEST_SUITE_P(Modes, NoDisplay, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "SelfTest" : "Dialog");
                         });

}  // namespace
}  // namespace velmorin::test
