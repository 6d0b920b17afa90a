#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/App.h"
#include "common/NamedRows.h"
#include "fake/FakePlatform.h"
#include "platform/Platform.h"
#include "scheme/DemoFiles.h"

namespace velmorin {
namespace {

using test::PrintTo;

using fake::FakeMenu;
using fake::FakeMenuItem;
using fake::FakePlatform;
using fake::Log;

LaunchSettings settingsFor(SelfTestMode mode) {
    return LaunchSettings{.exitTitle = "vantorelix_exit",
                          .selfTest = mode,
                          .resourceDirectory = "/nonexistent/bundle/share/velmorin-hd"};
}

const Log menuAndActivation = {
    "createMenu",          "createMenuItem",          "createMenu",
    "menuItem.setSubmenu", "menuItem.submenu",        "menu.addItemWithTitle Quit terminate q",
    "menu.addItem",        "application.setMainMenu",
};

const Log dialogUntilAnswered = {
    "createAlert",
    "alert.setMessageText Velmorin HD",
    "alert.setInformativeText Quorvane, 1992. A non-commercial tribute, humbly done by vok.",
    "createCheckbox Fullscreen",
    "checkbox.setState 1",
    "alert.setAccessoryView",
    "alert.addButtonWithTitle Play",
    "alert.addButtonWithTitle Quit",
    "alert.runModal",
};

Log playerUpToWindow(const std::string& windowSize) {
    return {
        "createWebViewConfiguration",
        "configuration.setUrlSchemeHandler app",
        "configuration.setMediaTypesRequiringUserActionForPlayback 0",
        "createWebView 0 0 0 0",
        "webView.observeTitle",
        "mainScreen.frame",
        "createWindow 0 0 " + windowSize + " style=15 backing=2 defer=no",
        "window.setTitle Velmorin HD",
        "window.setBackgroundColor black",
        "window.setContentView",
        "window.makeKeyAndOrderFront",
        "window.makeFirstResponder",
    };
}

const std::string startPageLoad = "webView.loadRequest app://demo/index.html cache=0 timeout=60";

Log joined(std::initializer_list<Log> parts) {
    Log all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The log without the calls the backend does nothing for (activation,
// collection behaviour, centring: docs/architecture.md); the sequence is not
// held to them.
Log acted(Log log) {
    std::erase_if(log, [](const std::string& call) {
        return call == "application.activateIgnoringOtherApps" || call == "window.center" ||
               call.starts_with("window.setCollectionBehavior");
    });
    return log;
}

class LaunchSequenceTest : public ::testing::Test {
protected:
    void launch(SelfTestMode mode) {
        app = std::make_unique<App>(platform, settingsFor(mode));
        platform.application().setDelegate(app.get());
        platform.clearLog();
        platform.application().run();
    }

    FakePlatform platform;
    std::unique_ptr<App> app;
};

// What the log holds after the menu and the activation. The title is
// observed before the window is made and the page loaded, so a title the page
// sets at once is seen.
Log playing(const std::string& windowSize = "1080 675") {
    return joined({dialogUntilAnswered, {"checkbox.state"}, playerUpToWindow(windowSize)});
}
const Log quitting = joined({dialogUntilAnswered, {"application.terminate"}});

struct SequenceCase {
    const char* name;
    SelfTestMode mode;
    ModalResponse response;
    std::optional<ControlState> boxAfterDialog;
    Log afterMenu;
    Rect screen = {0, 0, 1440, 900};
};

class ExactSequenceTest : public LaunchSequenceTest,
                          public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(ExactSequenceTest, ExactLog) {
    const auto& row = GetParam();
    platform.setScreenFrame(row.screen);
    platform.alertResponse = row.response;
    platform.checkboxAfterModal = row.boxAfterDialog;
    launch(row.mode);
    // The program reaches the toolkit through the fake alone, and the fake
    // logs every call, so the log also shows what was not done: no dialog in
    // the self-test, nothing of the player after a quit, no timer but the
    // self-test's probe, and a single terminate, only on a quit.
    EXPECT_EQ(acted(platform.log()),
              joined({{"application.run"}, menuAndActivation, row.afterMenu}));
}

constexpr auto play = firstButtonResponse;
const std::string fullScreen = "window.toggleFullScreen";

INSTANTIATE_TEST_SUITE_P(
    Answers, ExactSequenceTest,
    ::testing::Values(
        SequenceCase{"leftTicked", SelfTestMode::off, play, std::nullopt,
                     joined({playing(), {fullScreen, startPageLoad}})},
        SequenceCase{"ticked", SelfTestMode::off, play, ControlState::on,
                     joined({playing(), {fullScreen, startPageLoad}})},
        SequenceCase{"unticked", SelfTestMode::off, play, ControlState::off,
                     joined({playing(), {startPageLoad}})},
        SequenceCase{"mixed", SelfTestMode::off, play, ControlState::mixed,
                     joined({playing(), {startPageLoad}})},
        // The window's size follows the screen's.
        SequenceCase{"smallerScreen", SelfTestMode::off, play, ControlState::off,
                     joined({playing("1024.5 576"), {startPageLoad}}), Rect{0, 0, 1366, 768}},
        // The self-test asks nothing and schedules the probe last.
        SequenceCase{
            "selfTest", SelfTestMode::on, play, std::nullopt,
            joined({playerUpToWindow("640 360"), {startPageLoad, "mainQueue.asyncAfter 4"}})},
        SequenceCase{"quitButton", SelfTestMode::off, 1001, ControlState::on, quitting},
        SequenceCase{"zero", SelfTestMode::off, 0, ControlState::on, quitting},
        SequenceCase{"minus1000", SelfTestMode::off, -1000, ControlState::on, quitting},
        SequenceCase{"code999", SelfTestMode::off, 999, ControlState::on, quitting},
        SequenceCase{"code1002", SelfTestMode::off, 1002, ControlState::on, quitting}),
    test::rowName);

TEST_F(LaunchSequenceTest, PlayerIsWiredTogether) {
    launch(SelfTestMode::off);
    const auto webView = platform.lastWebView();
    const auto window = platform.lastWindow();
    ASSERT_NE(webView, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(app->webView, webView);
    EXPECT_EQ(app->window, window);
    ASSERT_NE(app->titleWatch, nullptr);
    EXPECT_EQ(webView->liveObservationCount(), 1u);

    EXPECT_EQ(window->contentView, webView);
    EXPECT_EQ(window->firstResponder, webView.get());

    // The view was made from a configuration already complete.
    EXPECT_EQ(webView->handlersAtCreation,
              (fake::SchemeHandlers{{"app", platform.schemeHandler("app")}}));
    EXPECT_EQ(webView->mediaTypesAtCreation, MediaTypes::none);
    const auto* demoFiles = dynamic_cast<const DemoFiles*>(platform.schemeHandler("app").get());
    ASSERT_NE(demoFiles, nullptr);
    EXPECT_EQ(demoFiles->root, "/nonexistent/bundle/share/velmorin-hd/demo");
    // The one request is the exact sequence's last line (startPageLoad).
}

TEST_F(LaunchSequenceTest, ExitTitleSetDuringTheLoadIsSeen) {
    // A page may set its title before loadRequest() has even returned.
    platform.pageTitleOnLoad = "vantorelix_exit";
    launch(SelfTestMode::off);
    EXPECT_EQ(acted(platform.log()),
              joined({Log{"application.run"}, menuAndActivation, playing(),
                      Log{fullScreen, startPageLoad, "webView.title", "application.terminate"}}));
}

TEST_F(LaunchSequenceTest, TitleChanges) {
    launch(SelfTestMode::off);
    auto webView = platform.lastWebView();
    ASSERT_NE(webView, nullptr);

    // Which titles are the exit title is the rule's (LaunchRulesTest.cpp).
    const std::optional<std::string> nearMisses[] = {std::nullopt, "Velmorin HD",
                                                     "vantorelix_exitx"};
    for (const auto& title : nearMisses) {
        SCOPED_TRACE(title.value_or("<no title>"));
        platform.clearLog();
        webView->changeTitle(title);
        // The title was read and nothing else happened.
        EXPECT_EQ(platform.log(), Log{"webView.title"});
    }

    // Each exact title asks again; other titles in between still do nothing.
    platform.clearLog();
    for (const auto* title : {"vantorelix_exit", "level 2", "vantorelix_exit"}) {
        webView->changeTitle(title);
    }
    EXPECT_EQ(platform.log(), (Log{"webView.title", "application.terminate", "webView.title",
                                   "webView.title", "application.terminate"}));
}

TEST_F(LaunchSequenceTest, DroppedObservationStopsTheWatch) {
    launch(SelfTestMode::off);
    auto webView = platform.lastWebView();
    ASSERT_NE(webView, nullptr);
    app->titleWatch.reset();
    EXPECT_EQ(webView->liveObservationCount(), 0u);

    platform.clearLog();
    webView->changeTitle("vantorelix_exit");
    EXPECT_TRUE(platform.log().empty());
}

TEST_F(LaunchSequenceTest, LastWindowClosedEndsTheProgram) {
    for (const auto mode : {SelfTestMode::off, SelfTestMode::on}) {
        App idle(platform, settingsFor(mode));
        EXPECT_TRUE(idle.applicationShouldTerminateAfterLastWindowClosed());
        launch(mode);
        EXPECT_TRUE(app->applicationShouldTerminateAfterLastWindowClosed());
    }
}

TEST_F(LaunchSequenceTest, MainMenuHasOnlyQuit) {
    for (const auto mode : {SelfTestMode::off, SelfTestMode::on}) {
        SCOPED_TRACE(mode == SelfTestMode::on ? "self-test" : "normal");
        FakePlatform fresh;
        App player(fresh, settingsFor(mode));
        player.applicationDidFinishLaunching();

        const auto* mainMenu = dynamic_cast<const FakeMenu*>(fresh.fakeApplication().mainMenu());
        ASSERT_NE(mainMenu, nullptr);
        ASSERT_EQ(mainMenu->items().size(), 1u);
        const auto* top = dynamic_cast<const FakeMenuItem*>(mainMenu->items().front().get());
        ASSERT_NE(top, nullptr);
        const auto* submenu = dynamic_cast<const FakeMenu*>(top->attachedSubmenu());
        ASSERT_NE(submenu, nullptr);
        ASSERT_EQ(submenu->items().size(), 1u);
        const auto* quitItem = dynamic_cast<const FakeMenuItem*>(submenu->items().front().get());
        ASSERT_NE(quitItem, nullptr);
        EXPECT_EQ(quitItem->title, "Quit");
        EXPECT_EQ(quitItem->action, MenuAction::terminate);
        EXPECT_EQ(quitItem->keyEquivalent, "q");
        EXPECT_EQ(quitItem->attachedSubmenu(), nullptr);
    }
}

}  // namespace
}  // namespace velmorin
