#include "selftest/Report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "common/NamedRows.h"

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
    test::expectEachMapped(litPixelsReportLine, table);
}

struct PageCase {
    ScriptResult probe;
    std::string expected;
};

TEST(PageReportLine, ValueThenErrorThenNil) {
    const PageCase table[] = {
        {{"{\"buttons\":2}", std::nullopt}, "selftest page: {\"buttons\":2}"},
        {{"{\"buttons\":2}", "ReferenceError"}, "selftest page: {\"buttons\":2}"},
        {{"", "ignored"}, "selftest page: "},
        {{std::nullopt, "TypeError: document.body is null"},
         "selftest page: TypeError: document.body is null"},
        {{std::nullopt, ""}, "selftest page: "},
        {{std::nullopt, std::nullopt}, "selftest page: nil"},
    };
    test::expectEachMapped(pageReportLine, table);
}

// The probe runs in the page's own script world, so a page can change what
// it answers (replace JSON.stringify, throw an error of its own), but never
// the shape of the report: whatever breaks a line is written escaped, as
// JSON writes it, and the rest stays as it came.
TEST(PageReportLine, StaysOneLineWhateverThePageAnswers) {
    using namespace std::string_literals;
    const PageCase table[] = {
        {{"fine\nselftest lit pixels: 100.0 %", std::nullopt},
         R"(selftest page: fine\nselftest lit pixels: 100.0 %)"},
        {{std::nullopt, "Error: x\r\nselftest lit pixels: 100.0 %"},
         R"(selftest page: Error: x\r\nselftest lit pixels: 100.0 %)"},
        {{"tab\tback\bfeed\f", std::nullopt}, R"(selftest page: tab\tback\bfeed\f)"},
        {{"nul\0one\x01"
          "esc\x1bus\x1f"
          "del\x7f"s,
          std::nullopt},
         R"(selftest page: nul\u0000one\u0001esc\u001bus\u001fdel\u007f)"},
        // C1 controls, NEL among them, and the Unicode line and paragraph
        // separators; their neighbours (a no-break space, U+2027) stay.
        {{"nel\xc2\x85"
          "csi\xc2\x9b"
          "nbsp\xc2\xa0",
          std::nullopt},
         "selftest page: nel\\u0085csi\\u009bnbsp\xc2\xa0"},
        {{"ls\xe2\x80\xa8ps\xe2\x80\xa9"
          "dot\xe2\x80\xa7",
          std::nullopt},
         "selftest page: ls\\u2028ps\\u2029dot\xe2\x80\xa7"},
        // The honest answer is JSON: its own escapes, quotes and non-ASCII
        // text are left alone.
        {{R"({"text":"a\nb \\ \"q\" é","buttons":0,"canvas":null})", std::nullopt},
         R"(selftest page: {"text":"a\nb \\ \"q\" é","buttons":0,"canvas":null})"},
        // JSON.stringify leaves a line separator in the page's text as it is,
        // and writes a surrogate cut off at the probe's 80 units as an escape:
        // the first is escaped the way JSON would, the second kept.
        {{"{\"text\":\"a\xe2\x80\xa8\\ud83d\",\"buttons\":0,\"canvas\":null}", std::nullopt},
         R"(selftest page: {"text":"a\u2028\ud83d","buttons":0,"canvas":null})"},
        // A lead byte cut off at the end is no control.
        {{"cut\xc2", std::nullopt}, "selftest page: cut\xc2"},
    };
    test::expectEachMapped(pageReportLine, table);
}

TEST(PageReportLine, NoByteOfAnAnswerEndsTheLine) {
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const std::string answer = "a" + std::string(1, static_cast<char>(byte)) + "b";
        const auto line = pageReportLine({answer, answer});
        EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        })) << line;
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
