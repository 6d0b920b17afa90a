#include "app/App.h"

#include <utility>

#include "app/LaunchDialog.h"
#include "app/LaunchRules.h"
#include "app/MainMenu.h"
#include "app/ProgramTexts.h"
#include "platform/Platform.h"
#include "scheme/DemoFiles.h"

namespace velmorin {

namespace {

constexpr StyleMask playerWindowStyle =
    StyleMask::titled | StyleMask::closable | StyleMask::miniaturizable | StyleMask::resizable;
constexpr double startPageTimeoutSeconds = 60.0;

}  // namespace

App::App(Platform& platform, LaunchSettings settings)
    : platform_(platform), settings_(std::move(settings)) {}

void App::applicationDidFinishLaunching() {
    installMainMenu(platform_);

    const LaunchChoice choice = askLaunchChoice(platform_, settings_.selfTest);
    if (choice.action == LaunchChoice::Action::quit) {
        return;
    }

    auto configuration = platform_.createWebViewConfiguration();
    configuration->setUrlSchemeHandler(std::make_shared<DemoFiles>(settings_.resourceDirectory),
                                       demoScheme);
    configuration->setMediaTypesRequiringUserActionForPlayback(MediaTypes::none);
    webView = platform_.createWebView(Rect{}, *configuration);

    // Watching starts before the window and the start page exist, so no
    // title the page sets can be missed.
    titleWatch = webView->observeTitle([this](const std::optional<std::string>& title) {
        if (isExitTitle(title, settings_.exitTitle)) {
            platform_.application().terminate();
        }
    });

    const Size size = windowContentSize(settings_.selfTest, platform_.mainScreen().frame());
    window = platform_.createWindow(Rect{0.0, 0.0, size.width, size.height}, playerWindowStyle,
                                    Backing::buffered, Defer::no);
    window->setTitle(programTitle);
    window->setBackgroundColor(Color::black);
    window->setCollectionBehavior(CollectionBehavior::fullScreenPrimary);
    window->setContentView(webView);
    window->center();
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(*webView);
    if (choice.fullScreen == FullScreen::on) {
        window->toggleFullScreen();
    }

    webView->loadRequest(UrlRequest{.url = startPageUrl(),
                                    .cachePolicy = CachePolicy::useProtocolCachePolicy,
                                    .timeoutSeconds = startPageTimeoutSeconds});

    if (settings_.selfTest == SelfTestMode::on) {
        scheduleSelfTest();
    }
}

}  // namespace velmorin
