#include "platform/gtk/DrawingPathGtk.h"

// Before any other OpenGL header: libepoxy resolves the GL entry points of
// whichever library GDK loaded.
#include <epoxy/gl.h>

#include <cstdlib>
#include <string_view>

#include "platform/gtk/DeveloperExtrasGtk.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::gtk {

namespace {

constexpr std::string_view buildChoiceName = VELMORIN_SOFTWARE_GL_PATH;
constexpr std::optional<SoftwareGlPath> buildChoice = softwareGlPathNamed(buildChoiceName);
static_assert(buildChoice.has_value(), "VELMORIN_SOFTWARE_GL_PATH is cpu or compositing");

std::optional<std::string_view> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string_view>(value) : std::nullopt;
}

// Makes an OpenGL context the way GTK's own renderer does, reads its renderer
// string and lets the context go; nothing when GDK can make none (no OpenGL
// at all, or GDK_DEBUG=gl-disable).
std::optional<std::string> askOpenGl() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) {
        return std::nullopt;
    }
    g_autoptr(GError) error = nullptr;
    const auto context =
        GObjectPtr<GdkGLContext>::adopt(gdk_display_create_gl_context(display, &error));
    if (!context || !gdk_gl_context_realize(context.get(), &error)) {
        return std::nullopt;
    }
    // GTK's renderer may have a context of its own current on this thread;
    // it gets it back once the string is read.
    const auto previous = GObjectPtr<GdkGLContext>::retain(gdk_gl_context_get_current());
    gdk_gl_context_make_current(context.get());
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::optional<std::string> name;
    if (renderer != nullptr) {
        name = renderer;
    }
    if (previous) {
        gdk_gl_context_make_current(previous.get());
    } else {
        gdk_gl_context_clear_current();
    }
    return name;
}

// The one line of the developer build: what OpenGL there is and what the
// engine was told, so a demo author knows what their page gets.
std::string describe(const std::optional<std::string>& renderer, DrawingPath path) {
    std::string line = "drawing: ";
    if (!renderer) {
        return line + "no OpenGL context could be made; the engine's default drawing";
    }
    line += "OpenGL renderer \"" + *renderer + "\"; ";
    if (path == DrawingPath::withoutCompositing) {
        return line +
               "a software rasterizer, so pages are painted by the CPU without compositing "
               "(CSS 3D is drawn flat, backdrop-filter is not drawn)";
    }
    if (isSoftwareRasterizer(*renderer)) {
        return line + "a software rasterizer, but this build keeps compositing";
    }
    return line + "the engine composites as it does by default";
}

}  // namespace

SoftwareGlPath softwareGlPathOfBuild() {
    return *buildChoice;
}

const std::optional<std::string>& openGlRenderer() {
    static const std::optional<std::string> renderer = askOpenGl();
    return renderer;
}

void applyDrawingPath(WebKitSettings* settings) {
    if (engineModeChosenByUser(environmentValue("WEBKIT_DISABLE_COMPOSITING_MODE"),
                               environmentValue("WEBKIT_FORCE_COMPOSITING_MODE"))) {
        writeDeveloperNote("drawing: as the engine's compositing variables choose");
        return;
    }
    const auto& renderer = openGlRenderer();
    const DrawingPath path = drawingPathFor(renderer, *buildChoice);
    if (path == DrawingPath::withoutCompositing) {
        webkit_settings_set_hardware_acceleration_policy(settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    writeDeveloperNote(describe(renderer, path));
}

}  // namespace velmorin::gtk
