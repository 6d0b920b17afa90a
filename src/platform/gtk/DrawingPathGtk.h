#pragma once

#include <webkit/webkit.h>

#include <optional>
#include <string>

#include "platform/gtk/rules/DrawingPath.h"

namespace velmorin::gtk {

// The renderer string of an OpenGL context made through GDK on the default
// display ("llvmpipe (LLVM 15.0.6, 256 bits)"), or nothing when no context can
// be made there. The context is made once per process, on the first call; it
// takes a few milliseconds.
const std::optional<std::string>& openGlRenderer();

// What this build draws with where the only OpenGL is a software rasterizer.
SoftwareGlPath softwareGlPathOfBuild();

// Sets the settings' hardware acceleration policy to the drawing path this
// machine gets (platform/gtk/rules/DrawingPath.h): never where the only
// OpenGL is a software rasterizer and the build draws with the CPU there, the
// engine's default everywhere else. A user who set the engine's own compositing
// variables keeps their choice, and the machine's OpenGL is then not asked.
// The developer build says on standard error what was chosen.
void applyDrawingPath(WebKitSettings* settings);

}  // namespace velmorin::gtk
