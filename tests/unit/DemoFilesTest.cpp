#include "scheme/DemoFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/TempTree.h"
#include "fake/FakePlatform.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;
using fake::RecordingSchemeTask;

using test::bytesOf;

// A resource folder laid out like the bundle's, with a demo folder, things
// beside it that must stay out of reach, and entries that are not files.
class DemoFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tree = new test::DemoTree("velmorin-demofiles");
        fileBytes = new std::map<std::string, Bytes>{
            {"index.html", bytesOf("<!doctype html><title>demo</title>\n")},
            {"a.js", bytesOf("console.log('a');\n")},
            {"lib.min.js", bytesOf("var x=1;")},
            {"logo.PNG", Bytes{0x89, 'P', 'N', 'G', 0x00, 0x01}},
            {"logo.png", Bytes{0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0xff}},
            {"style.css", bytesOf("body{}")},
            {"data.json", bytesOf("{}")},
            {"x.wasm", Bytes{0x00, 'a', 's', 'm', 0x01, 0x00, 0x00, 0x00}},
            {"s.mp3", Bytes{'I', 'D', '3', 0x04}},
            {"README", bytesOf("read me")},
            {".hidden", bytesOf("hidden")},
            {"empty.js", Bytes{}},
            {"a b.js", bytesOf("spaced")},
            {"sub/inner.js", bytesOf("inner")},
        };
        // Larger than any one read, with every byte value.
        Bytes big(300 * 1024 + 17);
        for (std::size_t i = 0; i < big.size(); ++i) {
            big[i] = static_cast<std::uint8_t>((i * 7919u) >> 3);
        }
        (*fileBytes)["big.js"] = big;
        for (const auto& [name, bytes] : *fileBytes) {
            tree->writeDemo(name, bytes);
        }
        tree->write("secret.txt", bytesOf("secret"));
        tree->write("demo2/x.js", bytesOf("neighbour"));
        tree->addSpecialEntries(".js");
        fs::create_symlink(tree->root() / "secret.txt", tree->demo() / "outside-link.txt");
    }

    static void TearDownTestSuite() {
        delete fileBytes;
        delete tree;
    }

    DemoFiles handler{tree->root().string()};

    RecordingSchemeTask answer(const std::string& url) {
        RecordingSchemeTask task(url);
        handler.startTask(task);
        return task;
    }

    // The file came whole, with its type and length.
    void expectServed(const std::string& url, const std::string& contentType, const Bytes& body) {
        const auto task = answer(url);
        ASSERT_TRUE(task.served());
        const HttpResponse& response = task.responses.front();
        EXPECT_EQ(response.url, url);
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_EQ(response.httpVersion, "HTTP/1.1");
        EXPECT_EQ(response.headerFields,
                  (std::vector<HttpHeaderField>{{"Content-Type", contentType},
                                                {"Content-Length", std::to_string(body.size())}}));
        EXPECT_EQ(task.dataBlocks.front(), body);
    }

    static inline test::DemoTree* tree = nullptr;
    static inline std::map<std::string, Bytes>* fileBytes = nullptr;
};

TEST_F(DemoFilesTest, RootIsTheStandardizedDemoFolder) {
    EXPECT_EQ(handler.root, (tree->root() / "demo").string());
    EXPECT_EQ(DemoFiles(tree->root().string() + "/").root, handler.root);
    EXPECT_EQ(DemoFiles(tree->root().string() + "/./sub/..").root, handler.root);
}

TEST_F(DemoFilesTest, ServesFilesWithTheirTypeLengthAndBytes) {
    struct Row {
        std::string url;
        std::string contentType;
        Bytes body;
    };
    const auto& file = *fileBytes;
    const Row table[] = {
        {"app://demo/index.html", "text/html", file.at("index.html")},
        {"app://demo/", "text/html", file.at("index.html")},
        {"app://demo/?x.png", "text/html", file.at("index.html")},
        {"app://demo/index.html?t=1#top", "text/html", file.at("index.html")},
        {"app://demo/a.js", "text/javascript", file.at("a.js")},
        {"app://demo/lib.min.js", "text/javascript", file.at("lib.min.js")},
        {"app://demo/logo.png", "image/png", file.at("logo.png")},
        {"app://demo/logo.PNG", "application/octet-stream", file.at("logo.PNG")},
        {"app://demo/style.css", "application/octet-stream", file.at("style.css")},
        {"app://demo/data.json", "application/octet-stream", file.at("data.json")},
        {"app://demo/x.wasm", "application/octet-stream", file.at("x.wasm")},
        {"app://demo/s.mp3", "application/octet-stream", file.at("s.mp3")},
        {"app://demo/README", "application/octet-stream", file.at("README")},
        {"app://demo/.hidden", "application/octet-stream", file.at(".hidden")},
        {"app://demo/a%20b.js", "text/javascript", file.at("a b.js")},
        {"app://demo/sub/inner.js", "text/javascript", file.at("sub/inner.js")},
        {"app://demo/sub/../a.js", "text/javascript", file.at("a.js")},
        {"app://elsewhere/a.js", "text/javascript", file.at("a.js")},
        {"app://demo/big.js", "text/javascript", file.at("big.js")},
        // An empty file is one empty block of data, its length 0.
        {"app://demo/empty.js", "text/javascript", {}},
        // Containment is decided on the path text, not on where a link points.
        {"app://demo/outside-link.txt", "application/octet-stream", bytesOf("secret")},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.url);
        expectServed(row.url, row.contentType, row.body);
    }
}

// What lies outside the folder, or is refused before resolution, fails
// through the same handler in the hostile catalogue's test; here a file
// whose name gives a type still fails when it is missing or no file.
TEST_F(DemoFilesTest, FailsAloneForWhatIsNoReadableFileInside) {
    for (const std::string url : {"app://demo/missing.js", "app://demo/zero.js"}) {
        EXPECT_TRUE(answer(url).failed()) << url;
    }
}

TEST_F(DemoFilesTest, NamedPipeFailsWithoutWaitingForAWriter) {
    EXPECT_TRUE(fake::answerOnItsOwnThread(handler, "app://demo/pipe.js", tree->demo() / "pipe.js")
                    .failed());
}

TEST_F(DemoFilesTest, FailureDoesNotSpoilTheNextTask) {
    EXPECT_TRUE(answer("app://demo/missing.js").failed());
    EXPECT_TRUE(answer("app://demo/pipe.js").failed());
    expectServed("app://demo/a.js", "text/javascript", fileBytes->at("a.js"));
}

TEST_F(DemoFilesTest, StopTaskDoesNothing) {
    RecordingSchemeTask task("app://demo/a.js");
    handler.stopTask(task);
    EXPECT_TRUE(task.calls.empty());
    handler.startTask(task);
    handler.stopTask(task);
    EXPECT_TRUE(task.served());
}

TEST_F(DemoFilesTest, ServesWhatIsOnDiskNow) {
    const fs::path changing = tree->writeDemo("changing.js", bytesOf("first"));
    expectServed("app://demo/changing.js", "text/javascript", bytesOf("first"));
    tree->writeDemo("changing.js", bytesOf("second, longer"));
    expectServed("app://demo/changing.js", "text/javascript", bytesOf("second, longer"));
    fs::remove(changing);
    EXPECT_TRUE(answer("app://demo/changing.js").failed());
}

TEST_F(DemoFilesTest, MissingDemoFolderFailsEverything) {
    DemoFiles nowhere((tree->root() / "no-such-folder").string());
    for (const std::string url : {"app://demo/", "app://demo/index.html"}) {
        RecordingSchemeTask task(url);
        nowhere.startTask(task);
        EXPECT_TRUE(task.failed()) << url;
    }
}

// The cases the demo folder's check passes too.
TEST(PathExtension, TheRuleTheCheckSharesHolds) {
    std::ifstream rule(VELMORIN_TEST_DATA_DIR "/extension-rule.txt");
    int cases = 0;
    for (std::string path, extension; rule >> path;) {
        if (path.starts_with('#')) {
            std::getline(rule, path);
            continue;
        }
        rule >> extension;
        EXPECT_EQ(pathExtension(path), extension == "-" ? "" : extension) << path;
        ++cases;
    }
    EXPECT_GE(cases, 8);
}

}  // namespace
}  // namespace velmorin
