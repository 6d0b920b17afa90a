// The rules the backend applies (src/rules/) and the GTK backend's own
// (src/platform/gtk/rules/), row by row.

#include <gtest/gtest.h>

#include "common/NamedRows.h"
#include "platform/gtk/rules/EmptyHistoryReload.h"
#include "platform/gtk/rules/HiddenTextViewKeys.h"
#include "rules/CrashReload.h"
#include "rules/FullScreenFit.h"
#include "rules/FunctionKeys.h"

namespace velmorin {
namespace {

using test::PrintTo;

TEST(CrashReloadRule, LoadsAgainOnceInARowThenLeavesTheViewAndCountsAfresh) {
    EXPECT_EQ(answerToLoss(0).action, AfterLoss::loadAgain);
    EXPECT_EQ(answerToLoss(0).recentLosses, 1);
    EXPECT_EQ(answerToLoss(1).action, AfterLoss::leaveAsItIs);
    EXPECT_EQ(answerToLoss(1).recentLosses, 0);
    EXPECT_EQ(lossesForgottenAfter, std::chrono::seconds(30));
}

TEST(CrashReloadRule, LoadsTheRequestedPageWhenThereIsNothingToReload) {
    using enum ViewHistory;
    using enum RequestedPage;
    EXPECT_EQ(howToLoadAgain(empty, known), LoadAgainBy::loadingTheRequestedPage);
    EXPECT_EQ(howToLoadAgain(empty, none), LoadAgainBy::reloading);
    EXPECT_EQ(howToLoadAgain(hasCurrentPage, known), LoadAgainBy::reloading);
    EXPECT_EQ(howToLoadAgain(hasCurrentPage, none), LoadAgainBy::reloading);
}

struct FitRow {
    const char* name;
    FullScreenChange change;
    Fitting fitting;
    FitOnLeavingFullScreen pending;
    FitOnLeavingFullScreen fitOnLeaving;
    FullScreenFitAnswer::StartFit startFit;
};

class FullScreenFitRule : public testing::TestWithParam<FitRow> {};

TEST_P(FullScreenFitRule, FitsOnLeavingOnlyAWindowThatWentFullScreenDuringItsFirstFit) {
    const auto& row = GetParam();
    const auto answer = afterFullScreenChange(row.change, row.fitting, row.pending);
    EXPECT_EQ(answer.fitOnLeaving, row.fitOnLeaving);
    EXPECT_EQ(answer.startFit, row.startFit);
}

constexpr auto entered = FullScreenChange::entered;
constexpr auto left = FullScreenChange::left;
constexpr auto underWay = Fitting::underWay;
constexpr auto over = Fitting::over;
constexpr auto yes = FitOnLeavingFullScreen::yes;
constexpr auto no = FitOnLeavingFullScreen::no;
constexpr auto start = FullScreenFitAnswer::StartFit::yes;
constexpr auto stay = FullScreenFitAnswer::StartFit::no;

INSTANTIATE_TEST_SUITE_P(
    Changes, FullScreenFitRule,
    testing::Values(FitRow{"EnteredDuringTheFirstFit", entered, underWay, no, yes, stay},
                    FitRow{"EnteredAfterIt", entered, over, no, no, stay},
                    FitRow{"EnteredAgainStillOwingAFit", entered, over, yes, yes, stay},
                    FitRow{"LeftOwingAFit", left, over, yes, no, start},
                    FitRow{"LeftOwingAFitWhileOneIsUnderWay", left, underWay, yes, yes, stay},
                    FitRow{"LeftOwingNone", left, over, no, no, stay},
                    FitRow{"LeftOwingNoneDuringTheFirstFit", left, underWay, no, no, stay}),
    test::rowName);

// F11 is the only way out of full screen; F7 would abort the program.
TEST(FunctionKeysRule, TheWindowTakesF11AndNoOneGetsF7) {
    using enum FunctionKeyUse;
    const std::pair<int, FunctionKeyUse> uses[] = {
        {11, toggleFullScreen}, {1, page}, {7, page}, {10, page}, {12, page}};
    test::expectEachMapped(useOfFunctionKey, uses);
    const std::pair<int, bool> kept[] = {{7, true}, {6, false}, {8, false}, {11, false}};
    test::expectEachMapped(keptFromHiddenTextView, kept);
}

}  // namespace
}  // namespace velmorin
