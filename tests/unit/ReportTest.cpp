#include "selftest/Report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace velmorin {
namespace {

TEST(LitPixelsReportLine, OneDecimalAndOneSpellingOfNan) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double negativeNan = std::copysign(nan, -1.0);
    ASSERT_TRUE(std::signbit(negativeNan));

    const std::pair<double, std::string> table[] = {
        {100.0 / 3.0, "selftest lit pixels: 33.3 %"}, {200.0 / 3.0, "selftest lit pixels: 66.7 %"},
        {100.0, "selftest lit pixels: 100.0 %"},      {0.0, "selftest lit pixels: 0.0 %"},
        {-1.0, "selftest lit pixels: -1.0 %"},        {6.25, "selftest lit pixels: 6.2 %"},
        {nan, "selftest lit pixels: nan %"},          {negativeNan, "selftest lit pixels: nan %"},
    };
    for (const auto& [value, expected] : table) {
        SCOPED_TRACE(value);
        EXPECT_EQ(litPixelsReportLine(value), expected);
    }
}

TEST(PageReportLine, ValueThenErrorThenNil) {
    struct Row {
        ScriptResult probe;
        std::string expected;
    };
    const Row table[] = {
        {{"{\"buttons\":2}", std::nullopt}, "selftest page: {\"buttons\":2}"},
        {{"{\"buttons\":2}", "ReferenceError"}, "selftest page: {\"buttons\":2}"},
        {{"", "ignored"}, "selftest page: "},
        {{std::nullopt, "TypeError: document.body is null"},
         "selftest page: TypeError: document.body is null"},
        {{std::nullopt, ""}, "selftest page: "},
        {{std::nullopt, std::nullopt}, "selftest page: nil"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(pageReportLine(row.probe), row.expected);
    }
}

TEST(PageProbeScript, IsTheFixedProbe) {
    const std::string script = pageProbeScript;
    EXPECT_EQ(script.size(), 190u);
    EXPECT_TRUE(script.starts_with("JSON.stringify({ text: document.body.innerText.slice(0, 80)"));
    EXPECT_TRUE(script.ends_with("(document.querySelector('canvas')) })"));
    EXPECT_EQ(script.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace velmorin
