// The page ends the program by setting its title to exactly
// "vantorelix_exit". These runs use self-test mode, so no dialog waits for an
// answer and a program still running after 4 s says so on standard output.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

constexpr const char* exitTitle = "vantorelix_exit";

TEST(ProgramExit, ExitTitleSetWhileLoadingEndsTheProgramQuietly) {
    const auto run = runSelfTestPage(
        htmlPage(scriptElement("document.title = " + quoted(exitTitle) + ";"), "<p>bye</p>"));

    EXPECT_TRUE(run.result.exitedWith(0)) << run.result.describe();
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(run.result.standardOutput, "");
    ASSERT_TRUE(run.startPageOpened) << "the start page was never asked for";
    // From the moment the page is asked for, ending is a matter of parsing
    // one script. A sanity bound only, for a busy machine; how fast it should
    // be is a goal of the benchmarks (docs/benchmarks.md).
    EXPECT_LT(run.sinceStartPage()->count(), 20.0) << run.result.describe();
}

TEST(ProgramExit, ExitTitleSetAfterLoadEndsTheProgramBeforeTheSelfTestReport) {
    const auto run = runSelfTestPage(htmlPage(
        "",
        "<p>leaving soon</p>" +
            scriptElement("addEventListener('load', () => setTimeout(() => { document.title = " +
                          quoted(exitTitle) + "; }, 700));")));

    EXPECT_TRUE(run.result.exitedWith(0)) << run.result.describe();
    EXPECT_EQ(run.result.standardOutput, "") << "the self-test report ran before the exit";
}

TEST(ProgramExit, ExitTitleAfterOtherTitlesEndsTheProgram) {
    // Each title is set on its own turn, so the program sees every one of
    // them change and ends only at the last.
    const auto run = runSelfTestPage(htmlPage(
        "",
        "<p>titles</p>" +
            scriptElement("const titles = ['Velmorin HD', 'Vantorelix_exit', "
                          "'vantorelix_exitx', '', " +
                          quoted(exitTitle) +
                          "];\n"
                          "titles.forEach((title, index) => setTimeout(() => { document.title = "
                          "title; }, 150 * (index + 1)));")));

    EXPECT_TRUE(run.result.exitedWith(0)) << run.result.describe();
    EXPECT_EQ(run.result.standardOutput, "");
}

// Titles that are not exactly the exit title leave the program running: set
// one after another, each on its own turn so the program sees every one, they
// let it live on past the 4 s of the self-test and print its report, whose
// page text counts the titles that read back as they were set.
TEST(ProgramExit, NearMissTitlesKeepTheProgramRunning) {
    const auto run = runSelfTestPage(htmlPage(
        "", "<p id=\"shown\">waiting</p>" +
                scriptElement("const titles = ['Vantorelix_exit', 'vantorelix_exitx', '', "
                              "'vantorelix_exi', 'VANTORELIX_EXIT', 'vantorelix exit'];\n"
                              "let set = 0;\n"
                              "titles.forEach((title, index) => setTimeout(() => {\n"
                              "  document.title = title; set += document.title === title;\n"
                              "  document.getElementById('shown').textContent = set + ' titles';\n"
                              "}, 150 * (index + 1)));")));

    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], probeLine("6 titles"));
    // The program stayed at least until the report, well past the titles.
    ASSERT_TRUE(run.sinceStartPage());
    EXPECT_GT(run.result.wallTime.count(), 3.9);
}

// A document's title is its title text with outer whitespace stripped and
// inner runs collapsed; that is the title the engine reports, so a page that
// writes the exit title with spaces around it has set the exit title itself.
// Near misses of the title the program sees are checked where the rule lives.
class ExitTitleWithOuterSpace : public testing::TestWithParam<std::string> {};

TEST_P(ExitTitleWithOuterSpace, EndsTheProgramAsTheDocumentTitleIsStripped) {
    const std::string title = GetParam();
    const auto run = runSelfTestPage(htmlPage(
        "", "<p>still here</p>" + scriptElement("document.title = " + quoted(title) + ";")));

    ASSERT_TRUE(run.result.exitedWith(0)) << run.result.describe();
    EXPECT_TRUE(run.result.outputLines().empty()) << run.result.describe();
}

INSTANTIATE_TEST_SUITE_P(Titles, ExitTitleWithOuterSpace,
                         testing::Values("vantorelix_exit ", " vantorelix_exit",
                                         "vantorelix_exit\n"));

}  // namespace
}  // namespace velmorin::test
