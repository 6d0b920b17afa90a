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
            // A report that could not be written is a failed check, not a
            // shorter one: nothing more is written, and the program fails.
            for (const auto& line : {pageReportLine(probe), litPixelsReportLine(lit)}) {
                if (auto error = platform_.writeStandardOutput(line + "\n")) {
                    failure = "cannot write the self-test report: " + *error;
                    break;
                }
            }
            platform_.application().terminate();
        });
    });
}

}  // namespace velmorin
