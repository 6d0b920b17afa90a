#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace velmorin {

// How the engine puts pages on the screen.
enum class DrawingPath {
    // The engine's own choice: layers composited with OpenGL.
    engineDefault,
    // Pages painted by the CPU into a bitmap shared with the window, without
    // compositing (CSS 3D is drawn flat and backdrop-filter is not drawn).
    withoutCompositing,
};

// What the build asks for where the only OpenGL is a software rasterizer.
enum class SoftwareGlPath {
    // Draw without compositing: a full-screen layer composited through a
    // software rasterizer costs more than painting the page with the CPU.
    cpu,
    // Keep compositing everywhere, for a demo that needs CSS 3D.
    compositing,
};

// The build option's value ("cpu" or "compositing") as the choice; anything
// else is no choice at all.
constexpr std::optional<SoftwareGlPath> softwareGlPathNamed(std::string_view name) {
    if (name == "cpu") {
        return SoftwareGlPath::cpu;
    }
    if (name == "compositing") {
        return SoftwareGlPath::compositing;
    }
    return std::nullopt;
}

// True when an OpenGL renderer string names a rasterizer that runs on the
// CPU: Mesa's llvmpipe, softpipe and swrast ("Software Rasterizer"), and
// Google's SwiftShader, also behind ANGLE. Hardware drivers may mention LLVM
// (Radeon, VMware SVGA) but never these names.
constexpr bool isSoftwareRasterizer(std::string_view renderer) {
    constexpr std::array<std::string_view, 5> softwareNames = {
        "llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"};
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    const auto equalIgnoringCase = [&lower](char a, char b) { return lower(a) == lower(b); };
    return std::any_of(softwareNames.begin(), softwareNames.end(), [&](std::string_view name) {
        return std::search(renderer.begin(), renderer.end(), name.begin(), name.end(),
                           equalIgnoringCase) != renderer.end();
    });
}

// The drawing path for the machine's OpenGL renderer, or for no OpenGL found
// at all: only a software rasterizer, with the build's choice of the CPU
// path, leaves the engine's default. A machine without a GL context keeps the
// default, since the engine then decides for itself.
constexpr DrawingPath drawingPathFor(std::optional<std::string_view> renderer,
                                     SoftwareGlPath choice) {
    if (choice == SoftwareGlPath::cpu && renderer && isSoftwareRasterizer(*renderer)) {
        return DrawingPath::withoutCompositing;
    }
    return DrawingPath::engineDefault;
}

// True when the user has chosen the engine's compositing mode through its own
// environment variables (WEBKIT_DISABLE_COMPOSITING_MODE,
// WEBKIT_FORCE_COMPOSITING_MODE), which the engine reads as set unless
// absent or "0". The player then leaves the choice to them.
constexpr bool engineModeChosenByUser(std::optional<std::string_view> disableCompositing,
                                      std::optional<std::string_view> forceCompositing) {
    const auto isSet = [](std::optional<std::string_view> value) { return value && *value != "0"; };
    return isSet(disableCompositing) || isSet(forceCompositing);
}

}  // namespace velmorin
