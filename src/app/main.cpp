#include <cstdio>
#include <memory>
#include <utility>

#include "app/App.h"
#include "app/BundleLayout.h"
#include "app/LaunchSettings.h"
#include "platform/Platform.h"
#include "scheme/DemoFiles.h"

extern char** environ;

namespace {

int fail(const char* problem) {
    std::fprintf(stderr, "velmorin-hd: %s\n", problem);
    return 1;
}

}  // namespace

// The program reads no command line: what it plays is bundled, and the only
// setting is the environment variable VELM_SELFTEST.
int main() {
    using namespace velmorin;

    LaunchSettings settings = launchSettingsFrom(processEnvironment(environ));

    PlatformStart start = createPlatform([](const std::string& executable) {
        return demoFolderPath(resourceDirectoryForExecutable(executable));
    });
    if (!start.platform) {
        return fail(start.error.c_str());
    }
    // The platform and the delegate live in these slots until the process
    // ends; nothing is torn down before, so no toolkit object outlives the
    // toolkit's own shutdown in a destructor.
    static Platform* const platform = start.platform.release();

    // The bundle is found from the program's own file and from nothing else.
    const auto executable = platform->executablePath();
    if (!executable) {
        return fail(
            "the system does not say where the program's own file is, so the demo "
            "bundled beside it cannot be found");
    }
    settings.resourceDirectory = resourceDirectoryForExecutable(*executable);
    // The bundle's own icons come first, so a bundle unpacked anywhere shows
    // its icon without being installed.
    platform->addIconSearchFolder(iconDirectoryForExecutable(*executable));

    static App* const app = new App(*platform, std::move(settings));

    Application& application = platform->application();
    application.setDelegate(app);
    application.setActivationPolicy(ActivationPolicy::regular);
    if (application.run() == RunEnd::launchFailed) {
        // The failure has been written where it happened.
        return 1;
    }
    if (app->failure) {
        return fail(app->failure->c_str());
    }
    return 0;
}
