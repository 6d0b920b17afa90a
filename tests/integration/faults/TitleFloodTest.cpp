// A page that changes its title 100,000 times, among them titles that are
// nearly the exit title: the program ends at the exit title itself, not
// before, even when more titles follow it at once, and without it the flood
// ends nothing (self-test mode then stops the program with its report).
//
// The engine hands on only the title a page has when it next renders: of
// the titles set in one task, only the last one ever reaches the program.
// So the near misses below end their batches, and the exit title is let
// stand for a frame's time before the flood goes on.

#include "FaultRuns.h"
#include "common/NamedRows.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

constexpr const char* markName = "flood-done.txt";

// flood(from, to) sets the title once for each number, every seventh time to
// a near miss; batches() floods in tasks of `size` titles, each ending on a
// near miss that then stands for a frame's time; mark() asks for a file, so
// the test sees that the program was still serving the page at that point.
const std::string prelude =
    "const nearMisses = ['vantorelix_exi', 'Vantorelix_exit', 'vantorelix_exit_',\n"
    "                    'vantorelix_exit\\u200b', 'vantorelix_exitt'];\n"
    "function flood(from, to) {\n"
    "  for (let i = from; i < to; ++i) {\n"
    "    document.title = i % 7 === 0 ? nearMisses[i % nearMisses.length] : 'flood ' + i;\n"
    "  }\n"
    "}\n"
    "const mark = () => fetch('" +
    std::string(markName) +
    "');\n"
    "const show = text => { document.getElementById('state').textContent = text; };\n"
    "const nextFrame = () => new Promise(resolve => setTimeout(resolve, 20));\n"
    "async function batches(from, to, size) {\n"
    "  for (let start = from; start < to; start += size) {\n"
    "    flood(start, start + size);\n"
    "    document.title = nearMisses[(start / size) % nearMisses.length];\n"
    "    await nextFrame();\n"
    "  }\n"
    "}\n";

struct FloodCase {
    std::string name;
    std::string script;  // Runs after the prelude, inside an async function.
    bool exits = true;
};

class TitleFlood : public testing::TestWithParam<FloodCase> {};

TEST_P(TitleFlood, EndsExactlyAtTheExitTitle) {
    const auto& c = GetParam();
    const auto page =
        htmlPage("", "<p id=\"state\">flooding</p>" +
                         scriptElement(prelude + "(async () => {\n" + c.script +
                                       "\n})().catch(error => show(String(error)));"));
    WatchedProgram program({{startPageName, page}, {markName, "done"}}, selfTestEnvironment());
    ASSERT_TRUE(program.started()) << "no Xvfb server for the run";
    const auto result = program.runToEnd(Seconds(120.0));

    // The program was alive after the near misses.
    const auto marked = program.opened(markName);
    ASSERT_TRUE(marked) << "the page never got past its flood: " << result.describe();
    EXPECT_LE(*marked, result.endedAt);
    if (c.exits) {
        // Ended by the title, before the self-test could report.
        EXPECT_TRUE(result.exitedWith(0)) << result.describe();
        EXPECT_EQ(result.standardOutput, "");
        EXPECT_FALSE(result.timedOut);
    } else {
        const auto lines = twoLineReport(result);
        EXPECT_EQ(lines[0], probeLine("flood done"));
        EXPECT_GE(result.wallTime.count(), 3.9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Floods, TitleFlood,
    testing::Values(
        FloodCase{"OneLoopThenExit",
                  "flood(0, 100000); await mark(); document.title = 'vantorelix_exit';"},
        FloodCase{"BatchesThenExit",
                  "await batches(0, 100000, 2000); await mark();\n"
                  "document.title = 'vantorelix_exit';"},
        // The exit title stands for a frame's time; the flood goes on after it.
        FloodCase{"ExitTitleInTheMiddle",
                  "await batches(0, 50000, 2000); await mark();\n"
                  "document.title = 'vantorelix_exit'; await nextFrame();\n"
                  "await batches(50000, 100000, 2000);"},
        FloodCase{"NoExitTitle",
                  "await batches(0, 100000, 2000); await mark(); show('flood done');", false}),
    test::rowName);

}  // namespace
}  // namespace velmorin::test
