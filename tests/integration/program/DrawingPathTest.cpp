// Where the only OpenGL is a software rasterizer, as on every Xvfb display,
// the program has the engine draw without compositing, unless the build or
// the user's own engine variables keep it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/NamedRows.h"
#include "integration/support/EngineWait.h"
#include "integration/support/PageRuns.h"
#include "platform/gtk/DrawingPathGtk.h"
#include "platform/gtk/rules/DrawingPath.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

TEST(DrawingPath, TheConfigurationFollowsTheMachinesOpenGl) {
    ASSERT_EQ(ensureToolkit(), std::nullopt);
    const gtk::WebViewConfigurationGtk configuration;
    const auto& renderer = gtk::openGlRenderer();
    // Xvfb has no GPU: its OpenGL is Mesa's, drawn by the CPU.
    ASSERT_TRUE(renderer.has_value());
    EXPECT_TRUE(isSoftwareRasterizer(*renderer)) << *renderer;
    const auto expected =
        drawingPathFor(renderer, gtk::softwareGlPathOfBuild()) == DrawingPath::withoutCompositing
            ? WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER
            : WEBKIT_HARDWARE_ACCELERATION_POLICY_ALWAYS;
    EXPECT_EQ(webkit_settings_get_hardware_acceleration_policy(configuration.settings()), expected);
}

const std::string drawingPage = htmlPage("", "<p>drawing page</p><canvas></canvas>");

struct DrawingCase {
    std::string name;
    ChildEnvironment environment;
    // The start of the developer build's one "drawing:" line.
    std::string line;
};

class DeveloperDrawingLine : public testing::TestWithParam<DrawingCase> {};

TEST_P(DeveloperDrawingLine, SaysWhatThePageGets) {
    const DrawingCase& c = GetParam();
    PrivateDisplay display(screenWidth, screenHeight);
    ASSERT_TRUE(display.ready());
    const auto run = runWatched({{startPageName, drawingPage}}, display.environment(c.environment),
                                runTimeout, VELMORIN_DEVELOPER_PROGRAM_PATH);
    ASSERT_TRUE(run.result.exitedWith(0)) << run.result.describe();
    const auto lines = programLines(run.result.standardError, "drawing:");
    ASSERT_EQ(lines.size(), 1u) << run.result.describe();
    EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
    // Standard output stays the report's alone.
    EXPECT_EQ(run.result.outputLines().size(), 2u) << run.result.describe();
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DeveloperDrawingLine,
    testing::Values(DrawingCase{"SoftwareRasterizer", selfTestEnvironment(),
                                "velmorin-hd: drawing: OpenGL renderer \"llvmpipe"},
                    DrawingCase{
                        "ForcedCompositing",
                        selfTestEnvironment().set("WEBKIT_FORCE_COMPOSITING_MODE", "1"),
                        "velmorin-hd: drawing: as the engine's compositing variables choose"}),
    test::rowName);

}  // namespace
}  // namespace velmorin::test
