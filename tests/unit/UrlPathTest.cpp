#include "scheme/UrlPath.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace velmorin {
namespace {

struct UrlPathCase {
    std::string url;
    std::optional<std::string> expected;
};

void PrintTo(const UrlPathCase& row, std::ostream* out) {
    *out << row.url;
}

class UrlPathTest : public ::testing::TestWithParam<UrlPathCase> {};

TEST_P(UrlPathTest, ReadsThePath) {
    EXPECT_EQ(urlPath(GetParam().url), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Decoding, UrlPathTest,
                         ::testing::Values(UrlPathCase{"app://demo/index.html", "/index.html"},
                                           UrlPathCase{"app://demo/a%20b.js", "/a b.js"},
                                           UrlPathCase{"app://demo/a%20b.js?v=2#top", "/a b.js"},
                                           UrlPathCase{"app://demo/%41%42", "/AB"},
                                           UrlPathCase{"app://demo/%4a%4A", "/JJ"},
                                           // An escape that ends the text exactly is complete.
                                           UrlPathCase{"app://demo/a%41", "/aA"},
                                           UrlPathCase{"app://demo/a%41?x", "/aA"},
                                           // One round of decoding only.
                                           UrlPathCase{"app://demo/%2541", "/%41"},
                                           UrlPathCase{"app://demo/a+b", "/a+b"},
                                           UrlPathCase{"app://demo/%2e%2E", "/.."}));

INSTANTIATE_TEST_SUITE_P(QueryAndFragment, UrlPathTest,
                         ::testing::Values(UrlPathCase{"app://demo/x.js?y=1", "/x.js"},
                                           UrlPathCase{"app://demo/x.js#frag", "/x.js"},
                                           UrlPathCase{"app://demo/x.js#a?b", "/x.js"},
                                           UrlPathCase{"app://demo/x.js?a#b/c", "/x.js"},
                                           // A bad escape outside the path does not matter.
                                           UrlPathCase{"app://demo/x.js?%zz", "/x.js"},
                                           UrlPathCase{"app://demo/x.js#%", "/x.js"},
                                           UrlPathCase{"app://demo?x=1", ""},
                                           UrlPathCase{"app://demo#top", ""}));

INSTANTIATE_TEST_SUITE_P(TrailingSlash, UrlPathTest,
                         ::testing::Values(UrlPathCase{"app://demo/", "/"},
                                           UrlPathCase{"app://demo/sub/", "/sub"},
                                           UrlPathCase{"app://demo/sub/?q", "/sub"},
                                           UrlPathCase{"app://demo/index.html/", "/index.html"},
                                           UrlPathCase{"app://demo/a/b/", "/a/b"},
                                           UrlPathCase{"app://demo", ""},
                                           UrlPathCase{"app://", ""}));

INSTANTIATE_TEST_SUITE_P(MalformedEscapes, UrlPathTest,
                         ::testing::Values(UrlPathCase{"app://demo/%zz", std::nullopt},
                                           UrlPathCase{"app://demo/%", std::nullopt},
                                           UrlPathCase{"app://demo/%4", std::nullopt},
                                           UrlPathCase{"app://demo/a%?x", std::nullopt},
                                           UrlPathCase{"app://demo/a%4?x", std::nullopt},
                                           UrlPathCase{"app://demo/a%4#x", std::nullopt},
                                           UrlPathCase{"app://demo/%g1", std::nullopt},
                                           UrlPathCase{"app://demo/%1g", std::nullopt},
                                           UrlPathCase{"app://demo/%%41", std::nullopt},
                                           UrlPathCase{"app://demo/%-1", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    NulBytes, UrlPathTest,
    ::testing::Values(UrlPathCase{"app://demo/%00", std::nullopt},
                      UrlPathCase{"app://demo/index.html%00.png", std::nullopt},
                      UrlPathCase{"app://demo/a%00", std::nullopt},
                      UrlPathCase{std::string("app://demo/a\0b", 14), std::nullopt}));

INSTANTIATE_TEST_SUITE_P(InvalidUtf8, UrlPathTest,
                         ::testing::Values(
                             // Overlong forms, among them the classic overlong ".".
                             UrlPathCase{"app://demo/%c0%ae", std::nullopt},
                             UrlPathCase{"app://demo/%c0%ae%c0%ae/secret.txt", std::nullopt},
                             UrlPathCase{"app://demo/%c1%bf", std::nullopt},
                             UrlPathCase{"app://demo/%e0%80%ae", std::nullopt},
                             UrlPathCase{"app://demo/%f0%80%80%ae", std::nullopt},
                             // Bytes that never occur.
                             UrlPathCase{"app://demo/%ff", std::nullopt},
                             UrlPathCase{"app://demo/%fe", std::nullopt},
                             UrlPathCase{"app://demo/%f8%88%80%80%80", std::nullopt},
                             // Surrogates.
                             UrlPathCase{"app://demo/%ed%a0%80", std::nullopt},
                             UrlPathCase{"app://demo/%ed%bf%bf", std::nullopt},
                             // Beyond U+10FFFF.
                             UrlPathCase{"app://demo/%f4%90%80%80", std::nullopt},
                             UrlPathCase{"app://demo/%f5%80%80%80", std::nullopt},
                             // A lone continuation byte, a truncated sequence, a broken one.
                             UrlPathCase{"app://demo/%80", std::nullopt},
                             UrlPathCase{"app://demo/%c3", std::nullopt},
                             UrlPathCase{"app://demo/%e2%82", std::nullopt},
                             UrlPathCase{"app://demo/%c3x", std::nullopt},
                             UrlPathCase{"app://demo/%e2%28%a1", std::nullopt},
                             // Raw bytes are checked as well as decoded ones.
                             UrlPathCase{"app://demo/\xff", std::nullopt},
                             UrlPathCase{"app://demo/\xc0\xae", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    ValidUtf8, UrlPathTest,
    ::testing::Values(UrlPathCase{"app://demo/%c3%a9.js", "/\xc3\xa9.js"},
                      UrlPathCase{"app://demo/\xc3\xa9.js", "/\xc3\xa9.js"},
                      UrlPathCase{"app://demo/%c2%80", "/\xc2\x80"},
                      UrlPathCase{"app://demo/%e2%82%ac", "/\xe2\x82\xac"},
                      UrlPathCase{"app://demo/%ed%9f%bf", "/\xed\x9f\xbf"},
                      UrlPathCase{"app://demo/%ee%80%80", "/\xee\x80\x80"},
                      UrlPathCase{"app://demo/%ef%bf%bf", "/\xef\xbf\xbf"},
                      UrlPathCase{"app://demo/%f0%90%80%80", "/\xf0\x90\x80\x80"},
                      UrlPathCase{"app://demo/%f0%9f%98%80", "/\xf0\x9f\x98\x80"},
                      UrlPathCase{"app://demo/%f4%8f%bf%bf", "/\xf4\x8f\xbf\xbf"},
                      UrlPathCase{"app://demo/%7f", "/\x7f"},
                      UrlPathCase{"app://demo/%01", "/\x01"}));

struct DecodeCase {
    std::string text;
    std::optional<std::string> expected;
};

TEST(PercentDecode, EscapesAndTheirFailures) {
    const DecodeCase table[] = {
        {"", ""},
        {"abc", "abc"},
        {"%41", "A"},
        {"%41%", std::nullopt},
        {"%4", std::nullopt},
        {"%", std::nullopt},
        {"%zz", std::nullopt},
        {"a%2fb", "a/b"},
        {"%25", "%"},
        {"%FF", "\xff"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(percentDecode(row.text), row.expected);
    }
}

}  // namespace
}  // namespace velmorin
