#include "platform/gtk/rules/DrawingPath.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

using test::PrintTo;

struct RendererCase {
    const char* name;
    // The renderer string as OpenGL gives it; none when no context was made.
    std::optional<std::string_view> renderer;
    // The path with the build's default choice; the other choice always keeps
    // the engine's default.
    DrawingPath expected;
};

class DrawingPathTest : public ::testing::TestWithParam<RendererCase> {};

TEST_P(DrawingPathTest, LeavesCompositingOnlyForASoftwareRasterizer) {
    const auto& row = GetParam();
    EXPECT_EQ(drawingPathFor(row.renderer, SoftwareGlPath::cpu), row.expected);
    EXPECT_EQ(drawingPathFor(row.renderer, SoftwareGlPath::compositing),
              DrawingPath::engineDefault);
}

constexpr auto cpu = DrawingPath::withoutCompositing;
constexpr auto engine = DrawingPath::engineDefault;

INSTANTIATE_TEST_SUITE_P(
    Renderers, DrawingPathTest,
    ::testing::Values(
        RendererCase{"llvmpipe", "llvmpipe (LLVM 15.0.6, 256 bits)", cpu},
        RendererCase{"llvmpipeUpperCase", "LLVMPIPE (LLVM 19.1.7, 128 bits)", cpu},
        RendererCase{"softpipe", "softpipe", cpu},
        RendererCase{"swrast", "Software Rasterizer", cpu},
        RendererCase{"swrastDriverName", "Mesa DRI swrast", cpu},
        RendererCase{"swiftShader", "Google SwiftShader", cpu},
        RendererCase{"swiftShaderBehindAngle",
                     "ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero) (0x0000C0DE)), "
                     "SwiftShader driver)",
                     cpu},
        RendererCase{"intel", "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", engine},
        RendererCase{"amdWithLlvm", "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)",
                     engine},
        RendererCase{"radeonOlder", "AMD RENOIR (LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", engine},
        RendererCase{"nvidia", "NVIDIA GeForce GTX 1080/PCIe/SSE2", engine},
        RendererCase{"nouveau", "NV134", engine},
        RendererCase{"virgl", "virgl (Mesa Intel(R) UHD Graphics 620 (KBL GT2))", engine},
        RendererCase{"vmwareSvga", "SVGA3D; build: RELEASE;  LLVM;", engine},
        RendererCase{"empty", "", engine}, RendererCase{"noContext", std::nullopt, engine}),
    test::rowName);

TEST(SoftwareGlPathTest, NamesTheBuildOptionsValuesAlone) {
    EXPECT_EQ(softwareGlPathNamed("cpu"), SoftwareGlPath::cpu);
    EXPECT_EQ(softwareGlPathNamed("compositing"), SoftwareGlPath::compositing);
    for (const char* other : {"", "CPU", "composite", "cpu "}) {
        EXPECT_EQ(softwareGlPathNamed(other), std::nullopt) << other;
    }
}

TEST(EngineModeChosenByUserTest, FollowsTheEnginesReadingOfItsVariables) {
    // Each variable counts as set unless it is absent or exactly "0".
    EXPECT_FALSE(engineModeChosenByUser(std::nullopt, std::nullopt));
    EXPECT_FALSE(engineModeChosenByUser("0", "0"));
    EXPECT_TRUE(engineModeChosenByUser("1", std::nullopt));
    EXPECT_TRUE(engineModeChosenByUser(std::nullopt, "1"));
    EXPECT_TRUE(engineModeChosenByUser("", std::nullopt));
    EXPECT_TRUE(engineModeChosenByUser("0", "yes"));
}

}  // namespace
}  // namespace velmorin
