// Runs the catalogue of hostile request URLs in tests/data/hostile-urls.txt
// against the resolver and against DemoFiles answering from a real folder
// layout with secrets beside the demo folder.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/HostileCatalogue.h"
#include "common/TempTree.h"
#include "fake/FakePlatform.h"
#include "scheme/DemoFiles.h"
#include "scheme/PathResolution.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;
using test::describe;
using test::HostileRow;
using test::Outcome;

// A demo folder with secrets beside it.
class HostileLayout : public test::DemoTree {
public:
    HostileLayout() : DemoTree("velmorin-hostile") {
        for (const auto* name : {"index.html", "a.js", "sub/x.js", "a b.js", "%2e%2e",
                                 "..\\secret.txt", "..;/secret.txt", "...", "...."}) {
            writeDemo(name, std::string("inside the demo: ") + name + "\n");
        }
        const std::pair<const char*, const char*> outsiders[] = {
            {"secret.txt", "SECRET"},    {"index.html", "PARENT-INDEX"},
            {"demo2/x.js", "NEIGHBOUR"}, {"demo.bak/x.js", "BACKUP"},
            {"demo /x.js", "SPACED"},    {"etc/passwd", "PASSWD"},
        };
        for (const auto& [name, kind] : outsiders) {
            markers.push_back(test::uniqueMarker(std::string(kind) + "-MARKER"));
            write(name, markers.back() + "\n");
        }
        secretMarker = markers.front();
        fs::create_symlink("../secret.txt", demo() / "outside.txt");
        addSpecialEntries();
    }

    std::vector<std::string> markers;
    std::string secretMarker;
};

class HostileResolution : public ::testing::Test {
protected:
    fake::RecordingSchemeTask answer(const std::string& url) {
        return fake::answerOnItsOwnThread(files, url, layout.demo() / "pipe");
    }

    HostileLayout layout;
    DemoFiles files{layout.root().string()};
};

TEST(HostileCatalogue, HoldsEnoughRowsOfEveryKind) {
    const auto& rows = test::hostileCatalogue();
    const auto count = [&](Outcome outcome) {
        return std::count_if(rows.begin(), rows.end(),
                             [&](const HostileRow& row) { return row.outcome == outcome; });
    };
    EXPECT_GE(rows.size(), 60u);
    EXPECT_GE(count(Outcome::refused), 20);
    EXPECT_GE(count(Outcome::inside), 20);
    EXPECT_GE(count(Outcome::link), 1);
    const auto longest = std::max_element(
        rows.begin(), rows.end(),
        [](const HostileRow& a, const HostileRow& b) { return a.url.size() < b.url.size(); });
    ASSERT_NE(longest, rows.end());
    EXPECT_GE(longest->url.size(), 10000u);
}

TEST_F(HostileResolution, EveryRowResolvesAsCatalogued) {
    const std::string root = layout.demo().string();
    for (const auto& row : test::hostileCatalogue()) {
        SCOPED_TRACE(describe(row));
        const auto resolved = resolveResource(root, row.url);
        // The URL is read up to its end and no further: the same URL followed
        // in memory by hex digits and a "/.." resolves the same.
        const std::string padded = row.url + "41/..";
        EXPECT_EQ(resolveResource(root, std::string_view(padded).substr(0, row.url.size())),
                  resolved);
        if (row.outcome == Outcome::refused) {
            EXPECT_EQ(resolved, std::nullopt);
        } else {
            EXPECT_EQ(resolved, std::optional<std::string>(root + "/" + row.name));
        }
    }
}

TEST_F(HostileResolution, DemoFilesUsesTheSameRootAndAnswers) {
    // A resource folder written with a trailing "/" and a "." names the same
    // demo folder.
    const DemoFiles untidy(layout.root().string() + "/./");
    EXPECT_EQ(files.root, layout.demo().string());
    EXPECT_EQ(untidy.root, layout.demo().string());
    for (const auto& row : test::hostileCatalogue()) {
        SCOPED_TRACE(describe(row));
        EXPECT_EQ(files.resolve(row.url), resolveResource(files.root, row.url));
    }
}

// Containment is decided on the path text, so a symbolic link inside the
// folder is followed wherever it points. This is the documented behaviour:
// whoever ships the demo decides which links it holds.
TEST_F(HostileResolution, DemoFilesNeverLeaksWhatLiesBesideTheFolderButFollowsLinks) {
    int served = 0;
    int links = 0;
    for (const auto& row : test::hostileCatalogue()) {
        SCOPED_TRACE(describe(row));
        const auto task = answer(row.url);
        if (row.outcome == Outcome::link) {
            ++links;
            EXPECT_TRUE(fs::is_symlink(layout.demo() / row.name));
            ASSERT_TRUE(task.served());
            EXPECT_NE(task.body().find(layout.secretMarker), std::string::npos);
        }
        for (const auto& marker : layout.markers) {
            if (row.outcome == Outcome::link && marker == layout.secretMarker) {
                continue;
            }
            EXPECT_EQ(task.body().find(marker), std::string::npos) << marker;
        }
        if (row.outcome == Outcome::refused) {
            EXPECT_TRUE(task.failed());
            continue;
        }
        // What the file system itself holds under the expected name decides
        // whether there is something to serve: only a regular file, reached
        // through any links, is.
        const auto file = layout.demo() / row.name;
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            EXPECT_TRUE(task.failed());
            continue;
        }
        ++served;
        ASSERT_TRUE(task.served());
        const auto expected = test::readWhole(file);
        EXPECT_EQ(task.body(), expected);
        const auto& response = task.responses.front();
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_EQ(response.url, row.url);
        ASSERT_EQ(response.headerFields.size(), 2u);
        EXPECT_EQ(response.headerFields[1].value, std::to_string(expected.size()));
    }
    // The catalogue reaches real files, so the checks above are not all
    // about failures.
    EXPECT_GE(served, 20);
    EXPECT_GE(links, 1);
}

TEST_F(HostileResolution, SpecialFilesInsideTheFolderFailWithoutHanging) {
    for (const auto* name : {"loop", "pipe", "zero", "sub", "missing"}) {
        SCOPED_TRACE(name);
        const auto url = std::string("app://demo/") + name;
        EXPECT_TRUE(files.resolve(url).has_value());
        const auto started = std::chrono::steady_clock::now();
        const auto task = answer(url);
        EXPECT_TRUE(task.failed());
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    }
}

}  // namespace
}  // namespace velmorin
