// The launch dialog and the player window, driven like a person would with
// xdotool. Each test has an Xvfb server of its own, so the keys it types
// reach only its own program, and some run the openbox window manager,
// without which X honours no full screen request and closes no window.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "common/NamedRows.h"
#include "integration/support/DesktopWatch.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

constexpr Seconds appearTimeout{60.0};
constexpr Seconds quitTimeout{15.0};

// A page that ends the program once its view has exactly this size, and
// keeps it running otherwise: the program ending by itself proves the size.
std::string pageEndingAtSize(int width, int height) {
    return htmlPage(
        "", "<p>sizing</p>" +
                scriptElement("setInterval(() => { if (innerWidth === " + std::to_string(width) +
                              " && innerHeight === " + std::to_string(height) +
                              ") { document.title = "
                              "'vantorelix_exit'; } }, 100);"));
}

// A page that stays, and asks for "shown" once it is on the screen.
std::string pageStaying() {
    return htmlPage("<style>body { background: #000; color: #fff; }</style>",
                    "<p>playing</p><button>nothing</button>" +
                        scriptElement("requestAnimationFrame(() => requestAnimationFrame(() => "
                                      "fetch('shown')));"));
}

class LaunchDialog : public testing::Test {
protected:
    void SetUp() override {
        display_ = std::make_unique<PrivateDisplay>(screenWidth, screenHeight);
        ASSERT_TRUE(display_->ready()) << "Xvfb did not start";
        ASSERT_TRUE(findOnPath("xdotool")) << "xdotool is missing (tools/setup.sh installs it)";
        desktop_ = std::make_unique<DesktopWatch>(*display_);
        ASSERT_TRUE(desktop_->ready()) << "the test's display cannot be watched";
    }

    ChildEnvironment environment() const { return display_->environment(dialogEnvironment()); }

    // Waits until `done` holds, woken by the display, the demo folder's
    // files and the program's end.
    bool waitUntil(Seconds bound, const std::function<bool()>& done) {
        std::vector<Wake> wakes;
        if (program_) {
            wakes = {watch_->wake(), program_->ended()};
        }
        return desktop_->waitUntil(bound, done, wakes);
    }

    bool pageOpened(const std::string& file) {
        return waitUntil(appearTimeout,
                         [&] { return watch_->firstOpened(file) || !program_->running(); }) &&
               watch_->firstOpened(file).has_value();
    }

    void startWindowManager() {
        ASSERT_TRUE(findOnPath("openbox")) << "openbox is missing (tools/setup.sh installs it)";
        // The server's first typed key switches its keyboard to xdotool's
        // device, and the keyboard map changes with it. A manager that sees
        // the change drops its key bindings and takes them again: a key that
        // comes in between goes to the window instead (Alt+F4 as the first
        // key closed nothing, 4 runs in 90). Typed before the manager starts,
        // the change comes and goes with no one to see it.
        desktop_->type({"shift"});
        windowManager_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"openbox", "--sm-disable"}, display_->environment());
        // Until a manager announces that it keeps an active window, xdotool
        // says the window manager does not support one.
        const bool managing = desktop_->waitUntil(
            appearTimeout,
            [this] {
                const auto asked = desktop_->tool({"xdotool", "getactivewindow"});
                return asked.standardError.find("claims not to support") == std::string::npos ||
                       !windowManager_->running();
            },
            {windowManager_->ended()});
        ASSERT_TRUE(managing && windowManager_->running()) << "openbox did not start";
    }

    void startProgram(const std::string& page) {
        startProgram(DemoPages{{startPageName, page}, {"shown", ""}});
    }
    void startProgram(const DemoPages& pages) {
        bundle_ = std::make_unique<TestBundle>(pages);
        watch_ = std::make_unique<OpenedFiles>(bundle_->demoDirectory());
        program_ = std::make_unique<ProgramRun>(*bundle_, environment());
    }

    // The dialog's window, once it is shown and has the keyboard.
    std::string waitForDialog() {
        const auto dialog = desktop_->waitForProgramWindow(*program_, appearTimeout);
        EXPECT_FALSE(dialog.empty()) << "no launch dialog appeared";
        if (dialog.empty()) {
            return dialog;
        }
        desktop_->focus(dialog);
        // The dialog is small: it is not the player window.
        const auto size = desktop_->size(dialog);
        EXPECT_TRUE(size && size->width < screenWidth / 2 && size->height < screenHeight / 2)
            << "the dialog is gone or not small";
        // A window manager takes its own keys (Alt+F4 closes) for the window
        // it holds active, which it makes so only after the focus came: on
        // a busy machine a key typed before that closed nothing.
        if (windowManager_) {
            EXPECT_TRUE(desktop_->waitUntil(appearTimeout, [&] {
                return desktop_->tool({"xdotool", "getactivewindow"}).outputLines() ==
                       std::vector<std::string>{dialog};
            })) << "the window manager never made the dialog active";
        }
        return dialog;
    }

    // The player window: a program window larger than the dialog.
    std::string waitForPlayer() {
        std::string player;
        waitUntil(appearTimeout, [&] {
            for (const auto& window : desktop_->programWindows()) {
                const auto size = desktop_->size(window);
                if (size && size->width >= screenWidth / 2) {
                    player = window;
                }
            }
            return !player.empty() || !program_->running();
        });
        return player;
    }

    // Starts the program on a page that stays, answers the dialog with
    // `playKeys`, waits for the player window and its start page on the
    // screen, and then types `quitKeys` at the player, which must end it.
    void quitFromPlayer(const std::vector<std::string>& playKeys,
                        const std::vector<std::string>& quitKeys) {
        startProgram(pageStaying());
        ASSERT_FALSE(waitForDialog().empty());
        desktop_->type(playKeys);
        const auto player = waitForPlayer();
        ASSERT_FALSE(player.empty()) << "no player window appeared";
        ASSERT_TRUE(pageOpened(startPageName)) << program_->finish(Seconds(0)).describe();
        ASSERT_TRUE(pageOpened("shown")) << "the start page was not shown";
        desktop_->focus(player);
        ASSERT_TRUE(program_->running());
        desktop_->type(quitKeys);
        expectQuietExit(quitTimeout);
    }

    // The program ends by itself within the time, with status 0 and nothing
    // on standard output.
    void expectQuietExit(Seconds timeout) {
        const auto result = program_->finish(timeout);
        EXPECT_FALSE(result.timedOut) << "still running after " << timeout.count() << " s";
        EXPECT_TRUE(result.exitedWith(0)) << result.describe();
        EXPECT_EQ(result.standardOutput, "");
    }

    // Answers the dialog with these keys and checks the program then ends
    // without ever asking for its start page.
    void quitFromDialog(const std::vector<std::string>& keys) {
        startProgram(pageStaying());
        ASSERT_FALSE(waitForDialog().empty());
        desktop_->type(keys);
        expectQuietExit(quitTimeout);
        EXPECT_FALSE(watch_->firstOpened(startPageName))
            << "the start page was loaded after a quit answer";
        EXPECT_TRUE(desktop_->programWindows().empty());
    }

    std::unique_ptr<PrivateDisplay> display_;
    std::unique_ptr<DesktopWatch> desktop_;
    std::unique_ptr<ChildProcess> windowManager_;
    std::unique_ptr<TestBundle> bundle_;
    std::unique_ptr<OpenedFiles> watch_;
    std::unique_ptr<ProgramRun> program_;
};

// F11 takes the player out of full screen, to its first size, and back in,
// whatever the dialog chose; a size the viewer then gives the window is the
// one it comes back at the next time. The page asks for the file seen-N once
// it has held the N-th size for a second: full screen, three quarters of the
// screen, that less 200 x 100 (the window made smaller), full screen and the
// smaller size again. It ends the program at a key after that, if it still
// has the smaller size: it followed each size and kept the keyboard.
TEST_F(LaunchDialog, F11LeavesAndEntersFullScreen) {
    constexpr int narrower = 200;
    constexpr int lower = 100;
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    const auto full = std::to_string(screenWidth) + ", " + std::to_string(screenHeight);
    const auto first =
        std::to_string(screenWidth * 3 / 4) + ", " + std::to_string(screenHeight * 3 / 4);
    const auto smaller = std::to_string(screenWidth * 3 / 4 - narrower) + ", " +
                         std::to_string(screenHeight * 3 / 4 - lower);
    const auto page = htmlPage(
        "",
        "<p>sizes</p>" +
            scriptElement(
                "const sizes = [[" + full + "], [" + first + "], [" + smaller + "], [" + full +
                "], [" + smaller +
                "]];\n"
                "let seen = 0;\n"
                "let held = 0;\n"
                "setInterval(() => {\n"
                "  const now = sizes[seen];\n"
                "  held = now && innerWidth === now[0] && innerHeight === now[1] ? held + 1 : 0;\n"
                "  if (held === 20) { held = 0; seen++; fetch('seen-' + seen); }\n"
                "}, 50);\n"
                "addEventListener('keydown', (event) => { if (seen === sizes.length && "
                "innerWidth === sizes[4][0] && innerHeight === sizes[4][1] && event.key === 'x') "
                "document.title = 'vantorelix_exit'; });"));
    DemoPages pages{{startPageName, page}};
    for (int size = 1; size <= 5; ++size) {
        pages["seen-" + std::to_string(size)] = "";
    }
    startProgram(pages);
    const auto pageSaw = [this](int size) { return pageOpened("seen-" + std::to_string(size)); };

    ASSERT_FALSE(waitForDialog().empty());
    desktop_->type({"Return"});
    ASSERT_TRUE(pageSaw(1)) << "the page never saw full screen";
    desktop_->type({"F11"});
    ASSERT_TRUE(pageSaw(2)) << "the page never saw three quarters of the screen";
    const auto player = waitForPlayer();
    ASSERT_FALSE(player.empty()) << "no player window";
    const auto before = desktop_->size(player);
    ASSERT_TRUE(before) << "the player window is gone";
    const WindowSize given{before->width - narrower, before->height - lower};
    desktop_->tool({"xdotool", "windowsize", player, std::to_string(given.width),
                    std::to_string(given.height)});
    ASSERT_TRUE(pageSaw(3)) << "the page never saw the smaller size";
    desktop_->type({"F11"});
    ASSERT_TRUE(pageSaw(4)) << "the page never saw full screen again";
    desktop_->type({"F11"});
    ASSERT_TRUE(pageSaw(5)) << "the window did not come back at the size it was given";
    // A fit after leaving full screen comes within a few frames: a window
    // that still has the size after a while keeps it. Any change of its
    // size ends the wait at once.
    desktop_->watch(player);
    waitUntil(Seconds(3.0), [&] { return desktop_->size(player) != given; });
    EXPECT_TRUE(desktop_->size(player) == given) << "the window did not keep the size given";
    desktop_->type({"x"});
    expectQuietExit(quitTimeout);
}

// F7 reaches the player like any other key and leaves it running. The
// engine hands the keys to a hidden text view of its own, for which F7 turned
// on a cursor whose first blink aborted the program. The page ends the program
// two seconds after the key that follows F7, time enough for that blink.
TEST_F(LaunchDialog, F7LeavesThePlayerRunning) {
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    const auto page = htmlPage(
        "", "<p>keys</p>" + scriptElement("fetch('ready');\n"
                                          "addEventListener('keydown', (event) => { if "
                                          "(event.key === 'x') setTimeout(() => { document.title "
                                          "= 'vantorelix_exit'; }, 2000); });"));
    startProgram(DemoPages{{startPageName, page}, {"ready", ""}});
    ASSERT_FALSE(waitForDialog().empty());
    desktop_->type({"Return"});
    ASSERT_TRUE(pageOpened("ready"));
    desktop_->type({"F7", "x"});
    expectQuietExit(quitTimeout);
}

enum class PlayedSize { fullScreen, threeQuarters };

// Keys that answer "Play" from wherever the focus is, and the size the view
// then has. The box starts ticked and "Play" is the default button: Enter
// plays full screen, which only a window manager carries out. Enter plays
// from the checkbox, never toggling it, and from the "Quit" button, while
// Space still toggles the box; unticked, the view is three quarters of the
// screen each way.
struct PlayKeys {
    std::string name;
    std::vector<std::string> keys;
    PlayedSize size;
};

class LaunchDialogPlayKeys : public LaunchDialog, public testing::WithParamInterface<PlayKeys> {};

TEST_P(LaunchDialogPlayKeys, PlayAtTheChosenSize) {
    const auto& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    const int share = row.size == PlayedSize::fullScreen ? 4 : 3;
    startProgram(pageEndingAtSize(screenWidth * share / 4, screenHeight * share / 4));
    ASSERT_FALSE(waitForDialog().empty());
    desktop_->type(row.keys);
    expectQuietExit(runTimeout);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, LaunchDialogPlayKeys,
    testing::Values(
        PlayKeys{"Enter", {"Return"}, PlayedSize::fullScreen},
        PlayKeys{"SpaceOnTheFocusedPlayButton", {"space"}, PlayedSize::fullScreen},
        // Shift+Tab moves from "Play" back to the box, Space unticks it, Tab
        // returns to "Play".
        PlayKeys{"UntickedBox", {"shift+Tab", "space", "Tab", "Return"}, PlayedSize::threeQuarters},
        PlayKeys{"EnterOnTheTickedBox", {"shift+Tab", "Return"}, PlayedSize::fullScreen},
        // Tab, Tab goes from "Play" past "Quit" to the box.
        PlayKeys{
            "EnterOnTheUntickedBox", {"Tab", "Tab", "space", "Return"}, PlayedSize::threeQuarters},
        PlayKeys{"KeypadEnterOnTheUntickedBox",
                 {"shift+Tab", "space", "KP_Enter"},
                 PlayedSize::threeQuarters},
        PlayKeys{"KeypadEnterOnThePlayButton", {"KP_Enter"}, PlayedSize::fullScreen},
        PlayKeys{"EnterOnTheQuitButton", {"Tab", "Return"}, PlayedSize::fullScreen}),
    rowName);

// Space presses the focused "Quit" button; Enter would play.
TEST_F(LaunchDialog, QuitButtonQuits) {
    quitFromDialog({"Tab", "space"});
}

TEST_F(LaunchDialog, EscapeQuits) {
    quitFromDialog({"Escape"});
}

TEST_F(LaunchDialog, ClosingTheDialogQuits) {
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    quitFromDialog({"alt+F4"});
}

TEST_F(LaunchDialog, ControlQInThePlayerQuits) {
    quitFromPlayer({"Return"}, {"ctrl+q"});
}

TEST_F(LaunchDialog, ClosingThePlayerWindowQuits) {
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    quitFromPlayer({"shift+Tab", "space", "Tab", "Return"}, {"alt+F4"});
}

}  // namespace
}  // namespace velmorin::test
