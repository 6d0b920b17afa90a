#include "app/LaunchRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

using test::PrintTo;

using Action = LaunchChoice::Action;

struct OutcomeCase {
    const char* name;
    SelfTestMode selfTest;
    std::optional<ModalResponse> response;
    std::optional<ControlState> checkbox;
    LaunchChoice expected;
};

class DialogOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(DialogOutcomeTest, DecidesPlayAndFullScreen) {
    const auto& row = GetParam();
    EXPECT_EQ(dialogOutcome(row.selfTest, row.response, row.checkbox), row.expected);
}

constexpr LaunchChoice playFull{Action::play, FullScreen::on};
constexpr LaunchChoice playWindowed{Action::play, FullScreen::off};
constexpr LaunchChoice quit{Action::quit, FullScreen::off};

INSTANTIATE_TEST_SUITE_P(
    Table, DialogOutcomeTest,
    ::testing::Values(
        OutcomeCase{"selfTestNoAnswer", SelfTestMode::on, std::nullopt, std::nullopt, playWindowed},
        OutcomeCase{"selfTestPlayTicked", SelfTestMode::on, 1000, ControlState::on, playWindowed},
        OutcomeCase{"selfTestQuit", SelfTestMode::on, 1001, ControlState::on, playWindowed},
        OutcomeCase{"selfTestOddCode", SelfTestMode::on, -1, std::nullopt, playWindowed},
        OutcomeCase{"playTicked", SelfTestMode::off, 1000, ControlState::on, playFull},
        OutcomeCase{"playUnticked", SelfTestMode::off, 1000, ControlState::off, playWindowed},
        OutcomeCase{"playMixed", SelfTestMode::off, 1000, ControlState::mixed, playWindowed},
        OutcomeCase{"playBoxUnread", SelfTestMode::off, 1000, std::nullopt, playWindowed},
        OutcomeCase{"quitTicked", SelfTestMode::off, 1001, ControlState::on, quit},
        OutcomeCase{"quitUnticked", SelfTestMode::off, 1001, ControlState::off, quit},
        OutcomeCase{"quitBoxUnread", SelfTestMode::off, 1001, std::nullopt, quit},
        OutcomeCase{"codeZero", SelfTestMode::off, 0, ControlState::on, quit},
        OutcomeCase{"codeMinus1000", SelfTestMode::off, -1000, ControlState::on, quit},
        OutcomeCase{"code999", SelfTestMode::off, 999, ControlState::on, quit},
        OutcomeCase{"code1002", SelfTestMode::off, 1002, ControlState::on, quit},
        OutcomeCase{"codeMinus1", SelfTestMode::off, -1, ControlState::on, quit},
        OutcomeCase{"noAnswer", SelfTestMode::off, std::nullopt, ControlState::on, quit}),
    test::rowName);

struct SizeCase {
    const char* name;
    SelfTestMode selfTest;
    Rect screen;
    Size expected;
};

class WindowContentSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WindowContentSizeTest, ThreeQuartersOrSelfTestSize) {
    const auto& row = GetParam();
    const Size size = windowContentSize(row.selfTest, row.screen);
    // Exact: the size is not rounded anywhere.
    EXPECT_EQ(size.width, row.expected.width);
    EXPECT_EQ(size.height, row.expected.height);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowContentSizeTest,
    ::testing::Values(SizeCase{"selfTestLaptop", SelfTestMode::on, {0, 0, 1440, 900}, {640, 360}},
                      SizeCase{"selfTestSmall", SelfTestMode::on, {0, 0, 1366, 768}, {640, 360}},
                      SizeCase{"selfTestHuge", SelfTestMode::on, {0, 0, 5120, 2880}, {640, 360}},
                      SizeCase{"selfTestNoScreen", SelfTestMode::on, {0, 0, 0, 0}, {640, 360}},
                      SizeCase{"laptop", SelfTestMode::off, {0, 0, 1440, 900}, {1080, 675}},
                      SizeCase{"oddWidth", SelfTestMode::off, {0, 0, 1366, 768}, {1024.5, 576}},
                      SizeCase{"fullHd", SelfTestMode::off, {0, 0, 1920, 1080}, {1440, 810}},
                      // The frame's origin plays no part.
                      SizeCase{
                          "offsetScreen", SelfTestMode::off, {1920, -200, 1440, 900}, {1080, 675}},
                      SizeCase{"fractional", SelfTestMode::off, {0, 0, 1001, 3}, {750.75, 2.25}},
                      SizeCase{"noScreen", SelfTestMode::off, {0, 0, 0, 0}, {0, 0}}),
    test::rowName);

// A title, then the exit title it is compared with.
TEST(IsExitTitle, OnlyTheExactTitle) {
    const std::string exit = "vantorelix_exit";
    const std::pair<std::pair<std::optional<std::string>, std::string>, bool> table[] = {
        {{"vantorelix_exit", exit}, true},
        {{"Vantorelix_exit", exit}, false},
        {{"VANTORELIX_EXIT", exit}, false},
        {{"vantorelix_exit ", exit}, false},
        {{" vantorelix_exit", exit}, false},
        {{"vantorelix_exitx", exit}, false},
        {{"vantorelix_exi", exit}, false},
        {{"vantorelix_exit\n", exit}, false},
        {{std::string("vantorelix_exit\0", 16), exit}, false},
        {{"", exit}, false},
        {{std::nullopt, exit}, false},
        {{"bye", "bye"}, true},
        {{"vantorelix_exit", "bye"}, false},
        // An empty exit title still needs a title to be there.
        {{"", ""}, true},
        {{std::nullopt, ""}, false},
    };
    test::expectEachMapped([](const auto& row) { return isExitTitle(row.first, row.second); },
                           table);
}

}  // namespace
}  // namespace velmorin
