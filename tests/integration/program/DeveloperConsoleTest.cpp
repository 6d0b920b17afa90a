// The developer build writes what the page says on its console, its uncaught
// errors and what failed to load to standard error; no build writes any of it
// to standard output, which stays the self-test report's alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/NamedRows.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

// Found by argument lookup only when named in the rows' own namespace.
using test::PrintTo;

const std::string consolePage =
    htmlPage("", "<p>console page</p><img hidden src=\"missing.png\">" +
                     scriptElement("console.log('logged line', 6 * 7, {a: [1]});\n"
                                   "console.warn('first\\nsecond');\n"
                                   "Promise.reject(new TypeError('rejected on purpose'));\n"
                                   "throw new Error('thrown on purpose');"));

// The page's lines, as the developer build writes them; a line ending in ":"
// is a prefix, since the column the engine gives after "index.html:5:" is its
// own.
const std::vector<std::string> consoleLines = {
    "velmorin-hd: console: log: logged line 42 {\"a\":[1]}",
    "velmorin-hd: console: warn: first",
    "velmorin-hd: console: second",
    "velmorin-hd: console: error: Uncaught Error: thrown on purpose (app://demo/index.html:5:",
    "velmorin-hd: console: error: Unhandled rejection: TypeError: rejected on purpose",
    "velmorin-hd: console: error: could not load <img> app://demo/missing.png",
};

bool hasLine(const std::vector<std::string>& lines, const std::string& expected) {
    return std::any_of(lines.begin(), lines.end(), [&expected](const std::string& line) {
        return expected.back() == ':' ? line.rfind(expected, 0) == 0 : line == expected;
    });
}

struct ConsoleCase {
    std::string name;
    std::filesystem::path program;
    bool writesConsole;
};

class PageConsole : public testing::TestWithParam<ConsoleCase> {};

TEST_P(PageConsole, GoesToStandardErrorInTheDeveloperBuildAlone) {
    const ConsoleCase& c = GetParam();
    const auto run = runSelfTestPage(consolePage, Seconds(1.5), c.program);

    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], probeLine("console page"));

    const auto errors = run.result.errorLines();
    for (const auto& line : consoleLines) {
        EXPECT_EQ(hasLine(errors, line), c.writesConsole) << line << "\n" << run.result.describe();
    }
    const bool anyConsoleLine = std::any_of(errors.begin(), errors.end(), [](const auto& line) {
        return line.find("console:") != std::string::npos;
    });
    EXPECT_EQ(anyConsoleLine, c.writesConsole) << run.result.describe();
    // The drawing path is said only where the console is.
    EXPECT_EQ(hasLine(errors, "velmorin-hd: drawing:"), c.writesConsole) << run.result.describe();
}

INSTANTIATE_TEST_SUITE_P(
    Builds, PageConsole,
    testing::Values(ConsoleCase{"DeveloperBuild", VELMORIN_DEVELOPER_PROGRAM_PATH, true},
                    // This build's program: the default build writes none.
                    ConsoleCase{"ThisBuild", {}, VELMORIN_DEVELOPER_EXTRAS != 0}),
    test::rowName);

}  // namespace
}  // namespace velmorin::test
