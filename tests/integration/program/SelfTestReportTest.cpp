// Self-test mode: a 640 x 360 view, probed and snapshot 4 s after loading
// starts, then exactly two lines on standard output and exit status 0.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/NamedRows.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

std::string fullPage(const std::string& style, const std::string& body) {
    return htmlPage("<style>html, body { margin: 0; } " + style + "</style>", body);
}

const std::string longText = std::string("first line\nsecond line\n") + std::string(100, 'z');

struct ReportCase {
    std::string name;
    std::string page;
    // The whole first line, or empty when only checked as a probe error.
    std::string pageLine;
    // The whole second line, or empty when the picture does not matter.
    std::string litLine;
    // When above zero, the share the second line must show more than.
    double litAbove = 0.0;
};

class SelfTestReport : public testing::TestWithParam<ReportCase> {};

TEST_P(SelfTestReport, PrintsTheTwoLines) {
    const ReportCase& c = GetParam();
    const auto run = runSelfTestPage(c.page);

    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], c.pageLine);
    if (!c.litLine.empty()) {
        EXPECT_EQ(lines[1], c.litLine);
    }
    if (c.litAbove > 0.0) {
        EXPECT_GT(litShare(lines[1]), c.litAbove) << lines[1];
    }
    // The probe waits 4 s after loading starts; the upper bound only stops
    // a hung run from passing (the goal is in docs/benchmarks.md).
    EXPECT_GE(run.result.wallTime.count(), 3.9);
    EXPECT_LE(run.result.wallTime.count(), 80.0);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SelfTestReport,
    testing::Values(
        ReportCase{"BodyWithTwoButtonsAndNoCanvas",
                   fullPage("body { background: #000; color: #000; }",
                            "<p>Known body text</p><button>Play</button> <button>Quit</button>"),
                   probeLine("Known body text\n\nPlay Quit", 2, "null"), ""},
        ReportCase{"DefaultCanvasSize", fullPage("body { background: #000; }", "<canvas></canvas>"),
                   probeLine("", 0, "[300,150]"), ""},
        ReportCase{"FirstCanvasSizeOnly",
                   fullPage("body { background: #000; }",
                            "<canvas width=\"64\" height=\"32\"></canvas><canvas width=\"640\" "
                            "height=\"360\"></canvas>"),
                   probeLine("", 0, "[64,32]"), ""},
        ReportCase{"LongTextCutAtEightyUnitsWithEscapedLineBreaks",
                   fullPage("body { background: #000; }", "<pre>" + longText + "</pre>"),
                   probeLine(longText.substr(0, 80), 0, "null"), ""},
        // An emoji is two UTF-16 units: the cut at 80 splits it, and JSON
        // writes the lone half as an escape.
        ReportCase{"CutCountsUtf16Units",
                   fullPage("body { background: #000; }",
                            "<p>" + std::string(79, 'a') + "\xF0\x9F\x98\x80" + "bbbb</p>"),
                   pageLineStart + std::string("{\"text\":\"") + std::string(79, 'a') +
                       "\\ud83d\",\"buttons\":0,\"canvas\":null}",
                   ""},
        // Each page below has text in its own colour: the report shows it was
        // this page that was measured, and it adds no lit pixel.
        ReportCase{"AllBlackPage",
                   fullPage("body { background: #000; color: #000; }", "<p>black page</p>"),
                   probeLine("black page", 0, "null"), "selftest lit pixels: 0.0 %"},
        ReportCase{"AllWhitePage",
                   fullPage("body { background: #fff; color: #fff; }", "<p>white page</p>"),
                   probeLine("white page", 0, "null"), "selftest lit pixels: 100.0 %"},
        ReportCase{"LeftHalfWhite",
                   fullPage("body { background: #000; color: #000; } div { position: fixed; "
                            "left: 0; top: 0; width: 320px; height: 360px; background: #fff; }",
                            "<div></div><p>half page</p>"),
                   probeLine("half page", 0, "null"), "selftest lit pixels: 50.0 %"},
        // A page with no style of its own shows on the engine's own white
        // background, not on the black of the window around the view.
        ReportCase{"PlainParagraphOnTheEnginesBackground", htmlPage("", "<p>plain paragraph</p>"),
                   probeLine("plain paragraph", 0, "null"), "", 90.0},
        // Dialogs are answered at once with nothing shown: the page goes on,
        // and the report comes at its usual time.
        ReportCase{
            "ScriptDialogsAnswerAtOnce",
            htmlPage("", "<p>waiting</p>" +
                             scriptElement("addEventListener('load', () => { print();\n"
                                           "  document.body.textContent = [alert('a'), "
                                           "confirm('b'), prompt('c', 'd')].map(String).join(' '); "
                                           "});")),
            probeLine("undefined false null", 0, "null"), ""},
        // Only the player window goes full screen, never an element of the page.
        ReportCase{"NoElementFullScreen",
                   fullPage("body { background: #000; }",
                            "<p id=\"state\"></p>" +
                                scriptElement("document.getElementById('state').textContent = "
                                              "'requestFullscreen' in document.documentElement "
                                              "? 'offered' : 'not offered';")),
                   probeLine("not offered", 0, "null"), ""},
        ReportCase{"ViewIsSixForty",
                   fullPage("body { background: #000; }",
                            "<p id=\"size\"></p>" +
                                scriptElement("document.getElementById('size').textContent = "
                                              "innerWidth + ' x ' + innerHeight;")),
                   probeLine("640 x 360", 0, "null"), ""},
        // The probe runs in the page's world, where the page may replace
        // what it calls; the answer still stays on the first line.
        ReportCase{"AnswerWithALineBreakStaysOnTheFirstLine",
                   htmlPage(scriptElement("JSON.stringify = () => "
                                          "'fine\\nselftest lit pixels: 100.0 %';"),
                            "<p>forged</p>"),
                   std::string(pageLineStart) + R"(fine\nselftest lit pixels: 100.0 %)", ""},
        // Sound may start without a click or a key.
        ReportCase{"AudioRunsWithoutInput",
                   fullPage("body { background: #000; }",
                            "<p id=\"state\">none</p>" +
                                scriptElement("const context = new AudioContext();\n"
                                              "setTimeout(() => { "
                                              "document.getElementById('state').textContent = "
                                              "'audio ' + context.state; }, 1000);")),
                   probeLine("audio running", 0, "null"), ""}),
    test::rowName);

// With every library's debug messages on, standard output still holds the
// two report lines alone: the messages, the engine's child processes' too,
// go to standard error.
TEST(SelfTestOutput, DebugMessagesGoToStandardError) {
    const auto run = runWatched({{startPageName, fullPage("", "<p>quiet</p>")}},
                                selfTestEnvironment().set("G_MESSAGES_DEBUG", "all"));

    twoLineReport(run.result);
    EXPECT_NE(run.result.standardError.find("-DEBUG: "), std::string::npos)
        << "no debug message was written at all";
}

// Without a body the probe throws: the first line is the engine's error, and
// the second line and the exit status follow as always.
class PageWithoutBody : public testing::TestWithParam<std::string> {};

TEST_P(PageWithoutBody, ReportsTheProbeError) {
    const auto run = runSelfTestPage(htmlPage(scriptElement(GetParam()), "<p>gone</p>"));

    const auto lines = twoLineReport(run.result);
    EXPECT_NE(lines[0].find("TypeError"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("null"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find("{\"text\""), std::string::npos) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Documents, PageWithoutBody,
    testing::Values("addEventListener('DOMContentLoaded', () => "
                    "document.documentElement.removeChild(document.body));",
                    "addEventListener('DOMContentLoaded', () => document.replaceChild("
                    "document.createElementNS('http://www.w3.org/2000/svg', 'svg'), "
                    "document.documentElement));"),
    [](const testing::TestParamInfo<std::string>& info) {
        return info.index == 0 ? std::string("BodyRemoved") : std::string("SvgRoot");
    });

}  // namespace
}  // namespace velmorin::test
