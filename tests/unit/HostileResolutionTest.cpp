// Runs the catalogue of hostile request URLs in tests/data/hostile-urls.txt
// against the resolver and against DemoFiles answering from a real folder
// layout with secrets beside the demo folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/SchemeTask.h"
#include "scheme/DemoFiles.h"
#include "scheme/PathResolution.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// The catalogue

enum class Outcome { refused, inside, link };

struct HostileRow {
    int line = 0;
    Outcome outcome = Outcome::refused;
    std::string url;
    // The expected file relative to the demo folder, for inside and link.
    std::string name;
};

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

std::string repeat(std::string_view unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += unit;
    }
    return text;
}

// The path a generator line stands for, and the name it resolves to when it
// stays inside. The generated names are plain letters, so they are their own
// standardized form.
struct Generated {
    std::string path;
    std::string name;
};

std::optional<Generated> generate(std::string_view kind, int count) {
    if (kind == "@long-path") {
        std::string path = "/";
        while (path.size() < static_cast<std::size_t>(count)) {
            path += "abcdefg/";
        }
        path.resize(static_cast<std::size_t>(count));
        if (path.back() == '/') {
            path.back() = 'z';
        }
        return Generated{path, path.substr(1)};
    }
    if (kind == "@many-components") {
        std::string path = repeat("/c", count);
        return Generated{path, path.substr(1)};
    }
    if (kind == "@climb-past") {
        return Generated{"/" + repeat("d/", count - 1) + repeat("../", count) + "secret.txt", ""};
    }
    if (kind == "@climb-back") {
        return Generated{"/" + repeat("d/", count) + repeat("../", count) + "a.js", "a.js"};
    }
    return std::nullopt;
}

std::optional<Outcome> outcomeNamed(std::string_view word) {
    if (word == "refused") {
        return Outcome::refused;
    }
    if (word == "inside") {
        return Outcome::inside;
    }
    if (word == "link") {
        return Outcome::link;
    }
    return std::nullopt;
}

// Reads every row; a malformed line fails the test that loads the catalogue.
std::vector<HostileRow> loadCatalogue() {
    std::ifstream file(VELMORIN_TEST_DATA_DIR "/hostile-urls.txt", std::ios::binary);
    EXPECT_TRUE(file) << "cannot open the hostile URL catalogue";
    std::vector<HostileRow> rows;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fields = splitTabs(line);
        HostileRow row;
        row.line = number;
        if (line.front() == '@') {
            const auto space = fields[0].find(' ');
            const auto kind = fields[0].substr(0, space);
            const int count = space == std::string_view::npos
                                  ? 0
                                  : std::atoi(std::string(fields[0].substr(space + 1)).c_str());
            const auto generated = generate(kind, count);
            const auto outcome = fields.size() == 2 ? outcomeNamed(fields[1]) : std::nullopt;
            if (!generated || count <= 0 || !outcome || *outcome == Outcome::link) {
                ADD_FAILURE() << "line " << number << ": bad generator line: " << line;
                continue;
            }
            row.outcome = *outcome;
            row.url = "app://demo" + generated->path;
            row.name = row.outcome == Outcome::inside ? generated->name : "";
            rows.push_back(row);
            continue;
        }
        const auto outcome = outcomeNamed(fields[0]);
        const std::size_t wanted = outcome == Outcome::refused ? 2 : 3;
        if (!outcome || fields.size() != wanted || fields[1].empty() ||
            (wanted == 3 && fields[2].empty())) {
            ADD_FAILURE() << "line " << number << ": bad row: " << line;
            continue;
        }
        row.outcome = *outcome;
        row.url = std::string(fields[1]);
        row.name = wanted == 3 ? std::string(fields[2]) : "";
        rows.push_back(row);
    }
    return rows;
}

const std::vector<HostileRow>& catalogue() {
    static const auto rows = loadCatalogue();
    return rows;
}

std::string describe(const HostileRow& row) {
    std::ostringstream text;
    text << "hostile-urls.txt line " << row.line << ": ";
    if (row.url.size() > 120) {
        text << row.url.substr(0, 120) << "... (" << row.url.size() << " characters)";
    } else {
        text << row.url;
    }
    return text.str();
}

// ---------------------------------------------------------------------------
// A folder layout with a demo and secrets beside it

std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file << text;
    ASSERT_TRUE(file) << path;
}

class HostileLayout {
public:
    HostileLayout() {
        std::string pattern = (fs::temp_directory_path() / "velmorin-hostile-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        resourceDir = pattern;
        demo = resourceDir / "demo";
        // A marker unique to this run: no file in the demo folder can hold it
        // by accident.
        const auto stamp =
            std::to_string(::getpid()) + "-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());

        for (const auto* name : {"index.html", "a.js", "sub/x.js", "a b.js", "%2e%2e",
                                 "..\\secret.txt", "..;/secret.txt", "...", "...."}) {
            writeFile(demo / name, std::string("inside the demo: ") + name + "\n");
        }
        const std::pair<const char*, const char*> outsiders[] = {
            {"secret.txt", "SECRET"},    {"index.html", "PARENT-INDEX"},
            {"demo2/x.js", "NEIGHBOUR"}, {"demo.bak/x.js", "BACKUP"},
            {"demo /x.js", "SPACED"},    {"etc/passwd", "PASSWD"},
        };
        for (const auto& [name, kind] : outsiders) {
            markers.push_back(std::string(kind) + "-MARKER-" + stamp);
            writeFile(resourceDir / name, markers.back() + "\n");
        }
        secretMarker = markers.front();

        fs::create_symlink("../secret.txt", demo / "outside.txt");
        fs::create_symlink("loop", demo / "loop");
        fs::create_symlink("/dev/zero", demo / "zero");
        EXPECT_EQ(::mkfifo((demo / "pipe").c_str(), 0600), 0);
    }

    ~HostileLayout() {
        std::error_code ignored;
        fs::remove_all(resourceDir, ignored);
    }

    HostileLayout(const HostileLayout&) = delete;
    HostileLayout& operator=(const HostileLayout&) = delete;

    fs::path resourceDir;
    fs::path demo;
    std::vector<std::string> markers;
    std::string secretMarker;
};

// ---------------------------------------------------------------------------
// A task that records what the handler answers

class RecordingTask final : public SchemeTask {
public:
    explicit RecordingTask(std::string url) : url_(std::move(url)) {}

    std::string requestUrl() const override { return url_; }
    void didReceiveResponse(const HttpResponse& response) override {
        calls.push_back("response");
        this->response = response;
    }
    void didReceiveData(Bytes&& data) override {
        calls.push_back("data");
        body.append(data.begin(), data.end());
    }
    void didFinish() override { calls.push_back("finish"); }
    void didFailWithError(UrlError error) override {
        calls.push_back("fail");
        this->error = error;
    }

    bool succeeded() const {
        return calls == std::vector<std::string>{"response", "data", "finish"};
    }
    bool failed() const {
        return calls == std::vector<std::string>{"fail"} && error == UrlError::fileDoesNotExist;
    }

    std::vector<std::string> calls;
    std::optional<HttpResponse> response;
    std::string body;
    std::optional<UrlError> error;

private:
    std::string url_;
};

// Answers one request on a thread of its own, so a read that blocks (a named
// pipe waiting for a writer) fails the test instead of hanging it. A blocked
// read is released by opening the pipe for writing and closing it again.
RecordingTask answer(DemoFiles& files, const std::string& url, const fs::path& pipe) {
    auto task = std::make_shared<RecordingTask>(url);
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
    const std::string root = layout.demo.string();
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
    const DemoFiles plain(layout.resourceDir.string());
    const DemoFiles untidy(layout.resourceDir.string() + "/./");
    EXPECT_EQ(plain.root, layout.demo.string());
    EXPECT_EQ(untidy.root, layout.demo.string());
    for (const auto& row : catalogue()) {
        SCOPED_TRACE(describe(row));
        EXPECT_EQ(plain.resolve(row.url), resolveResource(plain.root, row.url));
    }
}

TEST(HostileResolution, DemoFilesNeverLeaksWhatLiesBesideTheFolder) {
    HostileLayout layout;
    DemoFiles files(layout.resourceDir.string());
    int served = 0;
    for (const auto& row : catalogue()) {
        SCOPED_TRACE(describe(row));
        const auto task = answer(files, row.url, layout.demo / "pipe");
        for (const auto& marker : layout.markers) {
            if (row.outcome == Outcome::link && marker == layout.secretMarker) {
                continue;
            }
            EXPECT_EQ(task.body.find(marker), std::string::npos) << marker;
        }
        if (row.outcome == Outcome::refused) {
            EXPECT_TRUE(task.failed());
            continue;
        }
        // What the file system itself holds under the expected name decides
        // whether there is something to serve: only a regular file, reached
        // through any links, is.
        const auto file = layout.demo / row.name;
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            EXPECT_TRUE(task.failed());
            continue;
        }
        ++served;
        ASSERT_TRUE(task.succeeded());
        const auto expected = readWhole(file);
        EXPECT_EQ(task.body, expected);
        ASSERT_TRUE(task.response);
        EXPECT_EQ(task.response->statusCode, 200);
        EXPECT_EQ(task.response->url, row.url);
        ASSERT_EQ(task.response->headerFields.size(), 2u);
        EXPECT_EQ(task.response->headerFields[1].value, std::to_string(expected.size()));
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
    DemoFiles files(layout.resourceDir.string());
    int links = 0;
    for (const auto& row : catalogue()) {
        if (row.outcome != Outcome::link) {
            continue;
        }
        SCOPED_TRACE(describe(row));
        ++links;
        EXPECT_TRUE(fs::is_symlink(layout.demo / row.name));
        const auto task = answer(files, row.url, layout.demo / "pipe");
        ASSERT_TRUE(task.succeeded());
        EXPECT_NE(task.body.find(layout.secretMarker), std::string::npos);
    }
    EXPECT_GE(links, 1);
}

TEST(HostileResolution, SpecialFilesInsideTheFolderFailWithoutHanging) {
    HostileLayout layout;
    DemoFiles files(layout.resourceDir.string());
    for (const auto* name : {"loop", "pipe", "zero", "sub", "missing"}) {
        SCOPED_TRACE(name);
        const auto url = std::string("app://demo/") + name;
        EXPECT_TRUE(files.resolve(url).has_value());
        const auto started = std::chrono::steady_clock::now();
        const auto task = answer(files, url, layout.demo / "pipe");
        EXPECT_TRUE(task.failed());
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    }
}

}  // namespace
}  // namespace velmorin
