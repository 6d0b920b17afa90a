// Runs the catalogue of hostile request URLs in tests/data/hostile-urls.txt
// against the resolver and against DemoFiles answering from a real folder
// layout with secrets beside the demo folder.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
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
using fake::RecordingSchemeTask;
using Call = RecordingSchemeTask::Call;
using test::describe;
using test::HostileRow;
using test::Outcome;

const std::vector<HostileRow>& catalogue() {
    return test::hostileCatalogue();
}

// A folder layout with a demo and secrets beside it

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

// Answers one request on a thread of its own, so a read that blocks (a named
// pipe waiting for a writer) fails the test instead of hanging it. A blocked
// read is released by opening the pipe for writing and closing it again.
RecordingSchemeTask answer(DemoFiles& files, const std::string& url, const fs::path& pipe) {
    auto task = std::make_shared<RecordingSchemeTask>(url);
    std::packaged_task<void()> work([&files, task] { files.startTask(*task); });
    auto done = work.get_future();
    std::thread worker(std::move(work));
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the answer to " << url.substr(0, 120) << " did not come back";
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    worker.join();
    return *task;
}

std::string bodyOf(const RecordingSchemeTask& task) {
    std::string body;
    for (const auto& block : task.dataBlocks) {
        body.append(block.begin(), block.end());
    }
    return body;
}

bool succeeded(const RecordingSchemeTask& task) {
    return task.calls == std::vector<Call>{Call::response, Call::data, Call::finish};
}

bool failed(const RecordingSchemeTask& task) {
    return task.calls == std::vector<Call>{Call::fail} &&
           task.errors == std::vector<UrlError>{UrlError::fileDoesNotExist};
}

// ---------------------------------------------------------------------------
// The tests

TEST(HostileCatalogue, HoldsEnoughRowsOfEveryKind) {
    const auto& rows = catalogue();
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

TEST(HostileResolution, EveryRowResolvesAsCatalogued) {
    HostileLayout layout;
    const std::string root = layout.demo().string();
    for (const auto& row : catalogue()) {
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

TEST(HostileResolution, DemoFilesUsesTheSameRootAndAnswers) {
    HostileLayout layout;
    // A resource folder written with a trailing "/" and a "." names the same
    // demo folder.
    const DemoFiles plain(layout.root().string());
    const DemoFiles untidy(layout.root().string() + "/./");
    EXPECT_EQ(plain.root, layout.demo().string());
    EXPECT_EQ(untidy.root, layout.demo().string());
    for (const auto& row : catalogue()) {
        SCOPED_TRACE(describe(row));
        EXPECT_EQ(plain.resolve(row.url), resolveResource(plain.root, row.url));
    }
}

TEST(HostileResolution, DemoFilesNeverLeaksWhatLiesBesideTheFolder) {
    HostileLayout layout;
    DemoFiles files(layout.root().string());
    int served = 0;
    for (const auto& row : catalogue()) {
        SCOPED_TRACE(describe(row));
        const auto task = answer(files, row.url, layout.demo() / "pipe");
        for (const auto& marker : layout.markers) {
            if (row.outcome == Outcome::link && marker == layout.secretMarker) {
                continue;
            }
            EXPECT_EQ(bodyOf(task).find(marker), std::string::npos) << marker;
        }
        if (row.outcome == Outcome::refused) {
            EXPECT_TRUE(failed(task));
            continue;
        }
        // What the file system itself holds under the expected name decides
        // whether there is something to serve: only a regular file, reached
        // through any links, is.
        const auto file = layout.demo() / row.name;
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            EXPECT_TRUE(failed(task));
            continue;
        }
        ++served;
        ASSERT_TRUE(succeeded(task));
        const auto expected = test::readWhole(file);
        EXPECT_EQ(bodyOf(task), expected);
        const auto& response = task.responses.front();
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_EQ(response.url, row.url);
        ASSERT_EQ(response.headerFields.size(), 2u);
        EXPECT_EQ(response.headerFields[1].value, std::to_string(expected.size()));
    }
    // The catalogue reaches real files, so the checks above are not all
    // about failures.
    EXPECT_GE(served, 20);
}

// Containment is decided on the path text, so a symbolic link inside the
// folder is followed wherever it points. This is the documented behaviour:
// whoever ships the demo decides which links it holds.
TEST(HostileResolution, LinksInsideTheFolderAreFollowedAsDocumented) {
    HostileLayout layout;
    DemoFiles files(layout.root().string());
    int links = 0;
    for (const auto& row : catalogue()) {
        if (row.outcome != Outcome::link) {
            continue;
        }
        SCOPED_TRACE(describe(row));
        ++links;
        EXPECT_TRUE(fs::is_symlink(layout.demo() / row.name));
        const auto task = answer(files, row.url, layout.demo() / "pipe");
        ASSERT_TRUE(succeeded(task));
        EXPECT_NE(bodyOf(task).find(layout.secretMarker), std::string::npos);
    }
    EXPECT_GE(links, 1);
}

TEST(HostileResolution, SpecialFilesInsideTheFolderFailWithoutHanging) {
    HostileLayout layout;
    DemoFiles files(layout.root().string());
    for (const auto* name : {"loop", "pipe", "zero", "sub", "missing"}) {
        SCOPED_TRACE(name);
        const auto url = std::string("app://demo/") + name;
        EXPECT_TRUE(files.resolve(url).has_value());
        const auto started = std::chrono::steady_clock::now();
        const auto task = answer(files, url, layout.demo() / "pipe");
        EXPECT_TRUE(failed(task));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    }
}

}  // namespace
}  // namespace velmorin
