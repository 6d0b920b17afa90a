#include "scheme/PathResolution.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

// The demo folder as the program standardizes it; resolution reads only the
// text, so the folder need not exist. The rows of the hostile catalogue
// (tests/data/hostile-urls.txt) are resolved as well, by its own test; these
// are the cases it does not hold.
const std::string root = "/tmp/velmorin-unit-resources/demo";

struct ResolutionCase {
    std::string url;
    std::optional<std::string> expected;  // Relative to root; nothing means refused.
};

void PrintTo(const ResolutionCase& row, std::ostream* out) {
    *out << row.url;
}

class ResolveResourceTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolveResourceTest, StaysInsideTheDemoFolder) {
    const auto& row = GetParam();
    const auto resolved = resolveResource(root, row.url);
    EXPECT_EQ(resolved, row.expected ? std::optional(root + *row.expected) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolveResourceTest,
    ::testing::Values(ResolutionCase{"app://demo/sub/dir/x.js", "/sub/dir/x.js"},
                      ResolutionCase{"app://demo//x.js", "/x.js"},
                      ResolutionCase{"app://elsewhere/index.html", "/index.html"},
                      ResolutionCase{"app://demo/index.html?t=1#top", "/index.html"},
                      ResolutionCase{"app://demo/index.html/", "/index.html"},
                      ResolutionCase{"app://demo/a%20b.js", "/a b.js"}));

INSTANTIATE_TEST_SUITE_P(
    DotDotChains, ResolveResourceTest,
    ::testing::Values(ResolutionCase{"app://demo/%2E%2e", std::nullopt},
                      ResolutionCase{"app://demo/a/..", std::nullopt},
                      ResolutionCase{"app://demo/a/b/../..", std::nullopt},
                      ResolutionCase{"app://demo/a/b/../../../secret.txt", std::nullopt},
                      ResolutionCase{"app://demo/../../../../../../../../etc/passwd", std::nullopt},
                      ResolutionCase{"app://demo/a/b/c/../../x.js", "/a/x.js"},
                      ResolutionCase{"app://demo/a/./b/./x.js", "/a/b/x.js"},
                      ResolutionCase{"app://demo/a/b/%2e%2e/%2E%2E/x.js", "/x.js"},
                      // Leaving and coming back in is inside in the end.
                      ResolutionCase{"app://demo/../demo/x.js", "/x.js"},
                      ResolutionCase{"app://demo/../demo2", std::nullopt},
                      ResolutionCase{"app://demo/../demo%2Fx.js", "/x.js"},
                      // Names that only look like dots.
                      ResolutionCase{"app://demo/..x", "/..x"},
                      ResolutionCase{"app://demo/.hidden", "/.hidden"}));

INSTANTIATE_TEST_SUITE_P(
    FirstCharacter, ResolveResourceTest,
    ::testing::Values(
        // The first character goes whatever it is, with the marks joined to it.
        ResolutionCase{"app://demo/%cc%81x.js", "/x.js"},
        ResolutionCase{"app://demo/\xcc\x81x.js", "/x.js"},
        ResolutionCase{"app://demo/%cc%81%cc%81/../secret.txt", std::nullopt},
        ResolutionCase{"app://demo/%c3%a9.js", "/\xc3\xa9.js"},
        // Refused before resolution: no path at all.
        ResolutionCase{"app://demo/index.html%00.png", std::nullopt}));

TEST(RelativeName, DropsTheFirstCharacter) {
    const std::pair<std::string, std::string> table[] = {
        {"/", "index.html"},
        {"", ""},
        {"/a", "a"},
        {"/sub/x.js", "sub/x.js"},
        {"//x.js", "/x.js"},
        {"ab", "b"},
        {"x", ""},
        {"/\xcc\x81x", "x"},
        {"/\xcc\x81\xcc\x82x", "x"},
        {"/\xcc\x81", ""},
        {"/\xe2\x80\x8dx", "x"},       // Zero-width joiner.
        {"/\xef\xb8\x8fx", "x"},       // Variation selector 16.
        {"/\xe1\xaa\xb0x", "x"},       // Combining extended block.
        {"/\xf3\xa0\x84\x80x", "x"},   // Variation selector supplement.
        {"/\xc3\xa9x", "\xc3\xa9x"},   // Precomposed letter: not a mark.
        {"\xc3\xa9/x", "/x"},          // A two-byte first character.
        {"\xf0\x9f\x98\x80/x", "/x"},  // A four-byte first character.
        {"\xf0\x9f\x91\x8d\xef\xb8\x8f/x", "/x"},
    };
    test::expectEachMapped(relativeName, table);
}

TEST(StandardizePath, RemovesDotsAndEmptyComponents) {
    const std::pair<std::string, std::string> table[] = {
        {"/srv/demo/sub/../index.html", "/srv/demo/index.html"},
        {"/srv/demo//x.js", "/srv/demo/x.js"},
        {"/srv/demo/.", "/srv/demo"},
        {"/srv/demo/", "/srv/demo"},
        {"/srv/demo/./x", "/srv/demo/x"},
        {"/srv/demo/..", "/srv"},
        {"/a/b/..", "/a"},
        {"/", "/"},
        {"", "/"},
        {"/..", "/"},
        {"/../..", "/"},
        {"/a/b/../../..", "/"},
        {"/a/../../b", "/b"},
        {"///a///b///", "/a/b"},
        {"/a/...", "/a/..."},
        {"/a/..b/.c", "/a/..b/.c"},
    };
    test::expectEachMapped(standardizePath, table);
}

// Whatever the request, an accepted file is named strictly below the folder
// by a clean path.
TEST(ResolveResourceProperty, AcceptedPathsStayBelowTheFolder) {
    static constexpr std::array<std::string_view, 22> pieces = {
        "..",     ".",     "",      "a",   "b",   "%2e",        "%2E%2e",   "%2f",
        "%2F",    "demo",  "demo2", "%00", "%zz", "\\",         "\xc3\xa9", "%cc%81",
        "%c0%ae", "..%2f", "%2e.",  "?x",  "#..", "index.html",
    };
    static constexpr std::array<std::string_view, 3> separators = {"/", "%2f", "//"};

    std::mt19937 random(20240607u);
    std::uniform_int_distribution<std::size_t> pieceIndex(0, pieces.size() - 1);
    std::uniform_int_distribution<std::size_t> separatorIndex(0, separators.size() - 1);
    std::uniform_int_distribution<int> pieceCount(0, 8);

    const std::string prefix = root + "/";
    int accepted = 0;
    int refused = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string url = "app://demo";
        const int count = pieceCount(random);
        for (int k = 0; k < count; ++k) {
            url += separators[separatorIndex(random)];
            url += pieces[pieceIndex(random)];
        }
        const auto resolved = resolveResource(root, url);
        if (!resolved) {
            ++refused;
            continue;
        }
        ++accepted;
        SCOPED_TRACE(url);
        ASSERT_TRUE(resolved->starts_with(prefix)) << *resolved;
        ASSERT_GT(resolved->size(), prefix.size()) << *resolved;
        ASSERT_EQ(resolved->find('\0'), std::string::npos);
        const std::string_view rest = std::string_view(*resolved).substr(prefix.size());
        std::size_t start = 0;
        while (start <= rest.size()) {
            const auto end = std::min(rest.find('/', start), rest.size());
            const auto component = rest.substr(start, end - start);
            ASSERT_FALSE(component.empty()) << *resolved;
            ASSERT_NE(component, ".") << *resolved;
            ASSERT_NE(component, "..") << *resolved;
            start = end + 1;
        }
    }
    // The generator must reach both outcomes, or it proves nothing.
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace velmorin
