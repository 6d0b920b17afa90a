#include <utility>

#include "app/App.h"
#include "platform/Platform.h"
#include "selftest/LitPixels.h"
#include "selftest/Report.h"

namespace velmorin {

namespace {

constexpr double probeDelaySeconds = 4.0;

}  // namespace

void App::scheduleSelfTest() {
    platform_.mainQueue().asyncAfter(probeDelaySeconds, [this] { runSelfTest(); });
}

void App::runSelfTest() {
    // The snapshot is asked for only once the probe has answered, so it shows
    // the page as the probe saw it, or later.
    webView->evaluateJavaScript(pageProbeScript, [this](ScriptResult probe) {
        webView->takeSnapshot([this, probe = std::move(probe)](SnapshotResult snapshot) {
            const double lit = measureLitPixels(snapshot.image.get());
            platform_.writeStandardOutput(pageReportLine(probe) + "\n");
            platform_.writeStandardOutput(litPixelsReportLine(lit) + "\n");
            platform_.application().terminate();
        });
    });
}

}  // namespace velmorin
