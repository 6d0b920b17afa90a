#include <cstdio>
#include <memory>

#include "app/App.h"
#include "app/LaunchSettings.h"
#include "platform/Platform.h"

extern char** environ;

// The program reads no command line: what it plays is bundled, and the only
// setting is the environment variable VELM_SELFTEST.
int main() {
    using namespace velmorin;

    static const LaunchSettings settings = launchSettingsFrom(processEnvironment(environ));

    PlatformStart start = createPlatform();
    if (!start.platform) {
        std::fprintf(stderr, "velmorin-hd: %s\n", start.error.c_str());
        return 1;
    }
    // The platform and the delegate live in these slots until the process
    // ends; nothing is torn down before, so no toolkit object outlives the
    // toolkit's own shutdown in a destructor.
    static Platform* const platform = start.platform.release();
    static App* const app = new App(*platform, settings);

    Application& application = platform->application();
    application.setDelegate(app);
    application.setActivationPolicy(ActivationPolicy::regular);
    application.run();
    return 0;
}
