#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/App.h"
#include "common/NamedRows.h"
#include "fake/FakePlatform.h"
#include "selftest/Report.h"

namespace velmorin {
namespace {

using test::PrintTo;

using fake::FakeImage;
using fake::FakePlatform;
using fake::FakeWebView;
using fake::Log;

Bitmap solidBitmap(std::int64_t width, std::int64_t height, std::uint8_t level) {
    return fake::filledBitmap(width, height, {level, level, level, 255});
}

// Twelve by four: three samples in the top row, the first one lit.
Bitmap oneThirdLit() {
    Bitmap bitmap = solidBitmap(12, 4, 0);
    fake::setPixel(bitmap, 0, 0, {255, 0, 0, 255});
    return bitmap;
}

class SelfTestRunTest : public ::testing::Test {
protected:
    void launch(SelfTestMode mode) {
        app = std::make_unique<App>(
            platform, LaunchSettings{.exitTitle = "vantorelix_exit", .selfTest = mode});
        app->applicationDidFinishLaunching();
        webView = platform.lastWebView();
        ASSERT_NE(webView, nullptr);
    }

    // Runs the launch up to the probe's answer and the snapshot request.
    void runUpToSnapshot(ScriptResult probe) {
        launch(SelfTestMode::on);
        ASSERT_TRUE(platform.fakeMainQueue().runNext());
        ASSERT_TRUE(webView->completeScript(std::move(probe)));
        ASSERT_EQ(webView->pendingSnapshotCount(), 1u);
        platform.clearLog();
    }

    FakePlatform platform;
    std::unique_ptr<App> app;
    std::shared_ptr<FakeWebView> webView;
};

TEST_F(SelfTestRunTest, ProbeThenSnapshotThenReportThenQuit) {
    launch(SelfTestMode::on);
    platform.clearLog();

    ASSERT_TRUE(platform.fakeMainQueue().runNext());
    EXPECT_EQ(platform.log(), Log{"webView.evaluateJavaScript"});
    ASSERT_EQ(webView->pendingScripts().size(), 1u);
    EXPECT_EQ(webView->pendingScripts().front().script, pageProbeScript);
    EXPECT_EQ(webView->pendingSnapshotCount(), 0u);

    platform.clearLog();
    ASSERT_TRUE(
        webView->completeScript({"{\"text\":\"Press start\",\"buttons\":1}", std::nullopt}));
    EXPECT_EQ(platform.log(), Log{"webView.takeSnapshot"});
    EXPECT_EQ(platform.fakeApplication().terminateCount(), 0);

    platform.clearLog();
    ASSERT_TRUE(
        webView->completeSnapshot({std::make_unique<FakeImage>(oneThirdLit()), std::nullopt}));
    EXPECT_EQ(platform.log(),
              (Log{"stdout selftest page: {\"text\":\"Press start\",\"buttons\":1}\n",
                   "stdout selftest lit pixels: 33.3 %\n", "application.terminate"}));
    EXPECT_TRUE(platform.fakeMainQueue().pending().empty());
    EXPECT_EQ(app->failure, std::nullopt);
}

struct ReportCase {
    const char* name;
    ScriptResult probe;
    std::function<SnapshotResult()> snapshot;
    std::string page;  // What follows "selftest page: ".
    std::string lit;   // What follows "selftest lit pixels: ".
};

// A snapshot whose image gives this bitmap, or none.
std::function<SnapshotResult()> imageOf(std::optional<Bitmap> bitmap) {
    return [bitmap] { return SnapshotResult{std::make_unique<FakeImage>(bitmap), std::nullopt}; };
}

class SelfTestReportTest : public SelfTestRunTest,
                           public ::testing::WithParamInterface<ReportCase> {};

TEST_P(SelfTestReportTest, WritesBothLines) {
    const auto& row = GetParam();
    runUpToSnapshot(row.probe);
    ASSERT_TRUE(webView->completeSnapshot(row.snapshot()));
    EXPECT_EQ(platform.log(),
              (Log{"stdout selftest page: " + row.page + "\n",
                   "stdout selftest lit pixels: " + row.lit + "\n", "application.terminate"}));
}

const ScriptResult emptyObject{"{}", std::nullopt};
const auto noImage = [] { return SnapshotResult{nullptr, "snapshot failed"}; };

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SelfTestReportTest,
    ::testing::Values(
        ReportCase{"allLit", emptyObject, imageOf(solidBitmap(8, 8, 200)), "{}", "100.0 %"},
        ReportCase{"dark", emptyObject, imageOf(solidBitmap(8, 8, 0)), "{}", "0.0 %"},
        ReportCase{"noImage", emptyObject, noImage, "{}", "-1.0 %"},
        ReportCase{"imageWithoutBitmap", emptyObject, imageOf(std::nullopt), "{}", "-1.0 %"},
        ReportCase{"emptyBitmap", emptyObject, imageOf(Bitmap{}), "{}", "nan %"},
        ReportCase{"errorOnly",
                   {std::nullopt, "JavaScript exception"},
                   imageOf(oneThirdLit()),
                   "JavaScript exception",
                   "33.3 %"},
        ReportCase{"valueBeatsError",
                   {"{\"a\":1}", "ignored"},
                   imageOf(oneThirdLit()),
                   "{\"a\":1}",
                   "33.3 %"},
        ReportCase{
            "neither", {std::nullopt, std::nullopt}, imageOf(oneThirdLit()), "nil", "33.3 %"}),
    test::rowName);

// A report that cannot be written stops at the first line that fails, and
// the program ends as it would have, but failed.
TEST_F(SelfTestRunTest, UnwritableReportIsAFailure) {
    runUpToSnapshot(emptyObject);
    platform.standardOutputError = "No space left on device";
    ASSERT_TRUE(webView->completeSnapshot(imageOf(oneThirdLit())()));
    EXPECT_EQ(platform.log(), (Log{"stdout selftest page: {}\n", "application.terminate"}));
    EXPECT_EQ(app->failure, "cannot write the self-test report: No space left on device");
}

TEST_F(SelfTestRunTest, NothingIsWrittenUntilTheSnapshotAnswers) {
    runUpToSnapshot({"{}", std::nullopt});
    EXPECT_TRUE(platform.standardOutput().empty());
    EXPECT_EQ(platform.fakeApplication().terminateCount(), 0);
    // The title watch still works while the self-test waits.
    webView->changeTitle("vantorelix_exit");
    EXPECT_EQ(platform.fakeApplication().terminateCount(), 1);
}

}  // namespace
}  // namespace velmorin
