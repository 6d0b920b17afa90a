// app: requests answered by the program's demo files through the real
// WebKitGTK engine, as the page in the player sees them.

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "FetchProbe.h"
#include "SchemeBundle.h"
#include "common/HostileCatalogue.h"
#include "integration/support/EngineWait.h"

namespace velmorin::test {
namespace {

constexpr const char* startPage = "app://demo/index.html";
constexpr const char* octetStream = "application/octet-stream";

class AppSchemeTest : public testing::Test {
protected:
    void SetUp() override {
        std::string problem;
        engine_ = EngineView::create(bundle_.resourceDirectory().string(), &problem);
        ASSERT_NE(engine_, nullptr) << problem;
        const auto load = engine_->load(startPage);
        ASSERT_TRUE(load.succeeded()) << startPage << ": " << load.describe();
    }

    WebKitWebView* view() const { return engine_->view(); }

    std::vector<FetchResult> fetch(const std::vector<std::string>& urls,
                                   const FetchOptions& options = {}) {
        std::string problem;
        auto results = fetchAll(view(), urls, options, problem);
        EXPECT_TRUE(results.has_value()) << problem;
        return results.value_or(std::vector<FetchResult>{});
    }

    // No answer carries a byte of what lies beside the demo folder.
    void expectNothingFromOutside(const std::vector<FetchResult>& results) const {
        for (const auto& result : results) {
            if (!result.ok) {
                continue;
            }
            EXPECT_NE(result.checksum, bundle_.secretChecksum) << result.describe();
            EXPECT_NE(result.checksum, bundle_.neighbourChecksum) << result.describe();
            if (result.body) {
                EXPECT_FALSE(containsText(*result.body, bundle_.secretMarker)) << result.describe();
                EXPECT_FALSE(containsText(*result.body, bundle_.neighbourMarker))
                    << result.describe();
            }
        }
    }

    // The answer is the demo file `name`, whole, as the program serves it.
    void expectServed(const FetchResult& result, const std::string& name,
                      const std::string& contentType) const {
        SCOPED_TRACE(result.describe());
        const auto bytes = bundle_.demoBytes(name);
        ASSERT_TRUE(result.ok) << "expected " << name;
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(result.contentType.value_or("(none)"), contentType);
        EXPECT_EQ(result.contentLength.value_or("(none)"), std::to_string(bytes.size()));
        EXPECT_EQ(result.size, bytes.size());
        EXPECT_EQ(result.checksum, fnv1a(bytes));
        if (result.body) {
            EXPECT_TRUE(*result.body == bytes) << "the bytes differ from " << name;
        }
    }

    // The request failed the way a network error fails fetch().
    static void expectNetworkError(const FetchResult& result) {
        EXPECT_FALSE(result.ok) << result.describe();
        EXPECT_EQ(result.errorName, "TypeError") << result.describe();
    }

    SchemeBundle bundle_;
    std::unique_ptr<EngineView> engine_;
};

struct ServedRow {
    std::string url;
    std::string file;  // Relative to the demo folder; empty when the request fails.
    std::string contentType;
};

class AppSchemeFiles : public AppSchemeTest {
protected:
    // Fetches every row's URL in one visit of the page, then checks each
    // answer against its row. Returns the answers for further checks.
    std::vector<FetchResult> runTable(const std::vector<ServedRow>& rows) {
        std::vector<std::string> urls;
        for (const auto& row : rows) {
            urls.push_back(row.url);
        }
        const auto results = fetch(urls);
        EXPECT_EQ(results.size(), rows.size());
        for (std::size_t index = 0; index < rows.size() && index < results.size(); ++index) {
            SCOPED_TRACE("row " + std::to_string(index) + ": " + rows[index].url);
            if (rows[index].file.empty()) {
                expectNetworkError(results[index]);
            } else {
                expectServed(results[index], rows[index].file, rows[index].contentType);
            }
        }
        return results;
    }
};

TEST_F(AppSchemeFiles, EachFileComesWholeWithItsTypeAndLength) {
    runTable({
        {"app://demo/index.html", "index.html", "text/html"},
        {"app://demo/", "index.html", "text/html"},
        {"app://demo/a.js", "a.js", "text/javascript"},
        {"a.js", "a.js", "text/javascript"},
        {"/sub/x.js", "sub/x.js", "text/javascript"},
        {"app://demo/lib.min.js", "lib.min.js", "text/javascript"},
        {"app://demo/empty.js", "empty.js", "text/javascript"},
        {"app://demo/sub/x.js", "sub/x.js", "text/javascript"},
        {"app://demo/sub/answer.js", "sub/answer.js", "text/javascript"},
        {"app://demo/logo.png", "logo.png", "image/png"},
        {"app://demo/logo.PNG", "logo.PNG", octetStream},
        {"app://demo/style.css", "style.css", octetStream},
        {"app://demo/data.json", "data.json", octetStream},
        {"app://demo/code.wasm", "code.wasm", octetStream},
        {"app://demo/sound.mp3", "sound.mp3", octetStream},
        {"app://demo/noext", "noext", octetStream},
        {"app://demo/bytes.bin", "bytes.bin", octetStream},
        {"app://demo/control.txt", "control.txt", octetStream},
    });
}

TEST_F(AppSchemeFiles, WhatIsNoReadableFileFailsAsANetworkError) {
    runTable({
        {"app://demo/missing.js", "", ""},
        {"app://demo/sub", "", ""},
        {"app://demo/sub/", "", ""},
        {"app://demo/nothing/", "", ""},
        {"app://demo/loop", "", ""},
        {"app://demo/zero", "", ""},
        {"app://demo/a.JS", "", ""},
        {"app://demo/sub/missing/../../x.js", "", ""},
    });
}

// The engine's URL parser removes "." and ".." segments, "%2e" spellings
// included, before the program sees the URL; what is left is resolved inside
// the demo folder or refused. Either way nothing from beside it arrives.
TEST_F(AppSchemeFiles, TraversalStaysInsideTheDemoFolder) {
    expectNothingFromOutside(runTable({
        {"app://demo/../secret.txt", "", ""},
        {"app://demo/../../secret.txt", "", ""},
        {"app://demo/%2e%2e/secret.txt", "", ""},
        {"app://demo/%2E%2E/secret.txt", "", ""},
        {"app://demo/..%2Fsecret.txt", "", ""},
        {"app://demo/..%2fsecret.txt", "", ""},
        {"app://demo/%2e%2e%2fsecret.txt", "", ""},
        {"app://demo/sub/..%2f..%2fsecret.txt", "", ""},
        {"app://demo/..%5csecret.txt", "", ""},
        {"app://demo/../demo2/x.js", "", ""},
        {"app://demo/..%2fdemo2%2fx.js", "", ""},
        {"app://demo/..%2fdemo.bak%2fx.js", "", ""},
        {"app://demo/..%2fx.js", "", ""},
        {"app://demo/..%2findex.html", "", ""},
        {"app://demo//x.js", "", ""},
        {"app://demo//sub/x.js", "sub/x.js", "text/javascript"},
        {"app://demo/sub/../index.html", "index.html", "text/html"},
        {"app://demo/sub/%2e%2e/a.js", "a.js", "text/javascript"},
        {"app://demo/../demo/a.js", "", ""},
        {"app://demo/a.js#top", "a.js", "text/javascript"},
        {"app://demo/a.js?/../../secret.txt", "a.js", "text/javascript"},
        {"app://demo/a.js#/../../secret.txt", "a.js", "text/javascript"},
        {"app://demo/?../secret.txt", "index.html", "text/html"},
        {"app://demo/index.html/", "index.html", "text/html"},
        {"app://demo/a%20b.js", "a b.js", "text/javascript"},
        {"app://demo/a%20b.js?v=2#top", "a b.js", "text/javascript"},
        {"app://demo/%2e%2e", "index.html", "text/html"},
        {"app://demo/..", "index.html", "text/html"},
        // Another authority is another origin, which the page may not fetch.
        {"app://secret.txt/", "", ""},
        {"app://demo2/x.js", "", ""},
        {"app://demo/%00/../../secret.txt", "", ""},
    }));
}

TEST_F(AppSchemeFiles, TheResponseUrlKeepsTheQuery) {
    const auto results = fetch({"app://demo/a.js?v=2", "app://demo/a.js?v=2#top", "a.js?v=3"});
    ASSERT_EQ(results.size(), 3U);
    const char* expected[] = {"app://demo/a.js?v=2", "app://demo/a.js?v=2", "app://demo/a.js?v=3"};
    for (std::size_t index = 0; index < results.size(); ++index) {
        expectServed(results[index], "a.js", "text/javascript");
        EXPECT_EQ(results[index].responseUrl, expected[index]);
    }
}

TEST_F(AppSchemeFiles, ARangeRequestGetsTheWholeFile) {
    for (const auto* range : {"bytes=0-3", "bytes=100-", "bytes=-4"}) {
        SCOPED_TRACE(range);
        const auto results =
            fetch({"app://demo/bytes.bin", "app://demo/logo.png"}, FetchOptions{.range = range});
        ASSERT_EQ(results.size(), 2U);
        expectServed(results[0], "bytes.bin", octetStream);
        expectServed(results[1], "logo.png", "image/png");
    }
}

TEST_F(AppSchemeFiles, ANamedPipeFailsAndTheNextRequestIsAnswered) {
    const auto results = fetch({"app://demo/pipe", "app://demo/a.js", "app://demo/pipe"});
    ASSERT_EQ(results.size(), 3U);
    expectNetworkError(results[0]);
    expectServed(results[1], "a.js", "text/javascript");
    expectNetworkError(results[2]);

    // The view stays usable for the page itself afterwards.
    EXPECT_EQ(pageAnswer(view(), "return document.title;"), SchemeBundle::moduleTitle);
}

TEST_F(AppSchemeFiles, ATenMebibyteFileComesWhole) {
    const auto results =
        fetch({"app://demo/big.bin"}, FetchOptions{.range = {}, .keepBodiesUpTo = 0});
    ASSERT_EQ(results.size(), 1U);
    EXPECT_FALSE(results[0].body.has_value());
    expectServed(results[0], "big.bin", octetStream);
    EXPECT_EQ(results[0].size, SchemeBundle::bigSize);
}

class AppSchemePage : public AppSchemeTest {};

TEST_F(AppSchemePage, AModuleScriptImportsAnotherModule) {
    std::string lastTitle;
    EXPECT_TRUE(waitUntilTitle(view(), SchemeBundle::moduleTitle, defaultEngineTimeout, &lastTitle))
        << "the title stayed \"" << lastTitle << "\"";
    EXPECT_EQ(pageAnswer(view(), "return window.answerModuleUrl;"), "app://demo/sub/answer.js");
}

TEST_F(AppSchemePage, APngImageDecodes) {
    const auto size = pageAnswer(view(),
                                 "const logo = document.getElementById('logo');"
                                 "return logo.complete + ' ' + logo.naturalWidth + 'x' +"
                                 " logo.naturalHeight;");
    EXPECT_EQ(size, "true " + std::to_string(SchemeBundle::logoWidth) + "x" +
                        std::to_string(SchemeBundle::logoHeight));
}

TEST_F(AppSchemePage, AnImageOfAFileThatIsNotThereFails) {
    EXPECT_EQ(pageAnswer(view(),
                         "const image = new Image();"
                         "const loaded = new Promise((resolve) => {"
                         "  image.onload = () => resolve('loaded');"
                         "  image.onerror = () => resolve('error'); });"
                         "image.src = name;"
                         "return await loaded;",
                         {{"name", "missing.png"}}),
              "error");
}

TEST_F(AppSchemePage, ThePagePaintsIntoASnapshot) {
    ASSERT_TRUE(waitUntilTitle(view(), SchemeBundle::moduleTitle, defaultEngineTimeout));
    const auto snapshot = snapshotAndWait(view(), defaultEngineTimeout);
    ASSERT_FALSE(snapshot.timedOut);
    ASSERT_TRUE(snapshot.bitmap.has_value()) << snapshot.error.value_or("no error given");
    const auto& bitmap = *snapshot.bitmap;
    ASSERT_EQ(bitmap.width, 640);
    ASSERT_EQ(bitmap.height, 360);

    // The middle is the page's background; the logo sits in the corner.
    const auto* pixel = &bitmap.pixels[static_cast<std::size_t>(bitmap.height / 2) * bitmap.stride +
                                       static_cast<std::size_t>(bitmap.width / 2) * 4];
    const bool bgra = bitmap.order == ChannelOrder::bgra;
    const int red = bgra ? pixel[2] : pixel[0];
    const int blue = bgra ? pixel[0] : pixel[2];
    EXPECT_EQ(red, SchemeBundle::backgroundRed);
    EXPECT_EQ(pixel[1], SchemeBundle::backgroundGreen);
    EXPECT_EQ(blue, SchemeBundle::backgroundBlue);
    EXPECT_EQ(pixel[3], 255);
}

// Every URL of the hostile request catalogue but the generated ones (the
// resolver's limits, which the unit tests cover), fetched by the page:
// whatever the engine and the program make of it, no byte from beside the
// demo folder reaches the page, and every request is answered.
class AppSchemeHostileCatalogue : public AppSchemeTest {};

TEST_F(AppSchemeHostileCatalogue, NoRequestReachesBeyondTheDemoFolder) {
    auto urls = writtenCatalogueUrls();
    ASSERT_FALSE(urls.empty()) << "the hostile URL catalogue holds no rows";
    const auto catalogueSize = urls.size();
    // The control file proves that the bodies the page gets are looked into.
    urls.push_back("app://demo/control.txt");
    const auto results = fetch(urls);
    ASSERT_EQ(results.size(), catalogueSize + 1);
    const auto& control = results.back();
    ASSERT_TRUE(control.ok && control.body) << control.describe();
    EXPECT_TRUE(containsText(*control.body, bundle_.controlMarker)) << control.describe();
    expectNothingFromOutside(results);

    std::size_t answered = 0;
    for (std::size_t index = 0; index < catalogueSize; ++index) {
        const auto& result = results[index];
        SCOPED_TRACE(result.describe());
        if (!result.ok) {
            EXPECT_EQ(result.errorName, "TypeError");
            continue;
        }
        ++answered;
        EXPECT_EQ(result.status, 200);
        EXPECT_TRUE(result.body.has_value()) << "the body did not come back to be read";
    }
    std::cout << answered << " of " << catalogueSize
              << " catalogue requests were answered with a file of the demo folder\n";
    // Plain rows such as "app://demo/a.js" are served; a catalogue whose every
    // row fails would prove nothing.
    EXPECT_GT(answered, 0U);
}

}  // namespace
}  // namespace velmorin::test
