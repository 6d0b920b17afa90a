#include "scheme/UrlPath.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

struct UrlPathCase {
    std::string url;
    std::optional<std::string> expected;
};

void PrintTo(const UrlPathCase& row, std::ostream* out) {
    *out << row.url;
}

// Rows for URLs that have no path to read.
std::vector<UrlPathCase> refused(std::initializer_list<std::string> urls) {
    std::vector<UrlPathCase> rows;
    for (const auto& url : urls) {
        rows.push_back({url, std::nullopt});
    }
    return rows;
}

class UrlPathTest : public ::testing::TestWithParam<UrlPathCase> {};

TEST_P(UrlPathTest, ReadsThePath) {
    EXPECT_EQ(urlPath(GetParam().url), GetParam().expected);
}

// An escape that ends the text exactly is complete (a%41), and there is one
// round of decoding only (%2541).
const UrlPathCase decoding[] = {
    {"app://demo/index.html", "/index.html"},
    {"app://demo/a%20b.js", "/a b.js"},
    {"app://demo/a%20b.js?v=2#top", "/a b.js"},
    {"app://demo/%41%42", "/AB"},
    {"app://demo/%4a%4A", "/JJ"},
    {"app://demo/a%41", "/aA"},
    {"app://demo/a%41?x", "/aA"},
    {"app://demo/%2541", "/%41"},
    {"app://demo/a+b", "/a+b"},
    {"app://demo/%2e%2E", "/.."},
};
INSTANTIATE_TEST_SUITE_P(Decoding, UrlPathTest, ::testing::ValuesIn(decoding));

// A bad escape outside the path does not matter (?%zz, #%).
const UrlPathCase queryAndFragment[] = {
    {"app://demo/x.js?y=1", "/x.js"}, {"app://demo/x.js#frag", "/x.js"},
    {"app://demo/x.js#a?b", "/x.js"}, {"app://demo/x.js?a#b/c", "/x.js"},
    {"app://demo/x.js?%zz", "/x.js"}, {"app://demo/x.js#%", "/x.js"},
    {"app://demo?x=1", ""},           {"app://demo#top", ""},
};
INSTANTIATE_TEST_SUITE_P(QueryAndFragment, UrlPathTest, ::testing::ValuesIn(queryAndFragment));

const UrlPathCase trailingSlash[] = {
    {"app://demo/", "/"},
    {"app://demo/sub/", "/sub"},
    {"app://demo/sub/?q", "/sub"},
    {"app://demo/index.html/", "/index.html"},
    {"app://demo/a/b/", "/a/b"},
    {"app://demo", ""},
    {"app://", ""},
};
INSTANTIATE_TEST_SUITE_P(TrailingSlash, UrlPathTest, ::testing::ValuesIn(trailingSlash));

const std::vector<UrlPathCase> malformedEscapes = refused(
    {"app://demo/%zz", "app://demo/%", "app://demo/%4", "app://demo/a%?x", "app://demo/a%4?x",
     "app://demo/a%4#x", "app://demo/%g1", "app://demo/%1g", "app://demo/%%41", "app://demo/%-1"});
INSTANTIATE_TEST_SUITE_P(MalformedEscapes, UrlPathTest, ::testing::ValuesIn(malformedEscapes));

const std::vector<UrlPathCase> nulBytes =
    refused({"app://demo/%00", "app://demo/index.html%00.png", "app://demo/a%00",
             std::string("app://demo/a\0b", 14)});
INSTANTIATE_TEST_SUITE_P(NulBytes, UrlPathTest, ::testing::ValuesIn(nulBytes));

const std::vector<UrlPathCase> invalidUtf8 =
    refused({// Overlong forms, among them the classic overlong ".".
             "app://demo/%c0%ae", "app://demo/%c0%ae%c0%ae/secret.txt", "app://demo/%c1%bf",
             "app://demo/%e0%80%ae", "app://demo/%f0%80%80%ae",
             // Bytes that never occur.
             "app://demo/%ff", "app://demo/%fe", "app://demo/%f8%88%80%80%80",
             // Surrogates.
             "app://demo/%ed%a0%80", "app://demo/%ed%bf%bf",
             // Beyond U+10FFFF.
             "app://demo/%f4%90%80%80", "app://demo/%f5%80%80%80",
             // A lone continuation byte, a truncated sequence, a broken one.
             "app://demo/%80", "app://demo/%c3", "app://demo/%e2%82", "app://demo/%c3x",
             "app://demo/%e2%28%a1",
             // Raw bytes are checked as well as decoded ones.
             "app://demo/\xff", "app://demo/\xc0\xae"});
INSTANTIATE_TEST_SUITE_P(InvalidUtf8, UrlPathTest, ::testing::ValuesIn(invalidUtf8));

const UrlPathCase validUtf8[] = {
    {"app://demo/%c3%a9.js", "/\xc3\xa9.js"},
    {"app://demo/\xc3\xa9.js", "/\xc3\xa9.js"},
    {"app://demo/%c2%80", "/\xc2\x80"},
    {"app://demo/%e2%82%ac", "/\xe2\x82\xac"},
    {"app://demo/%ed%9f%bf", "/\xed\x9f\xbf"},
    {"app://demo/%ee%80%80", "/\xee\x80\x80"},
    {"app://demo/%ef%bf%bf", "/\xef\xbf\xbf"},
    {"app://demo/%f0%90%80%80", "/\xf0\x90\x80\x80"},
    {"app://demo/%f0%9f%98%80", "/\xf0\x9f\x98\x80"},
    {"app://demo/%f4%8f%bf%bf", "/\xf4\x8f\xbf\xbf"},
    {"app://demo/%7f", "/\x7f"},
    {"app://demo/%01", "/\x01"},
};
INSTANTIATE_TEST_SUITE_P(ValidUtf8, UrlPathTest, ::testing::ValuesIn(validUtf8));

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
    test::expectEachMapped(percentDecode, table);
}

}  // namespace
}  // namespace velmorin
