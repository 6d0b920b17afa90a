#include "platform/gtk/MediaDoorGtk.h"

#include <gtk/gtk.h>

#include <string_view>

#include "platform/gtk/PlatformGtk.h"
#include "platform/gtk/mediadoor/MediaDoorNames.h"

namespace velmorin::gtk {

namespace {

// The program's plugin folder, lib/velmorin-hd/gstreamer-1.0 beside its bin/,
// or nothing when the plugin is not there.
std::string pluginFolder() {
    const auto executable = ownExecutable();
    if (!executable) {
        return {};
    }
    g_autofree char* bin = g_path_get_dirname(executable->c_str());
    g_autofree char* bundle = g_path_get_dirname(bin);
    g_autofree char* folder = g_build_filename(bundle, VELMORIN_MEDIA_DOOR_SUBDIR, nullptr);
    g_autofree char* plugin = g_build_filename(folder, VELMORIN_MEDIA_DOOR_FILE, nullptr);
    if (!g_file_test(plugin, G_FILE_TEST_IS_REGULAR)) {
        return {};
    }
    return folder;
}

// Adds `entry` to the list held by `variable`, items parted by `separator`,
// keeping what the user had set there. `entry` goes first or last as asked,
// and is not added twice.
//
//   WEBKIT_GST_ALLOWED_URI_PROTOCOLS=myscheme  becomes  myscheme,app
//   GST_PLUGIN_PATH_1_0=/opt/gst               becomes  <plugin folder>:/opt/gst
enum class Place { first, last };
void addToList(const char* variable, const std::string& entry, std::string_view separator,
               Place place) {
    const char* current = g_getenv(variable);
    if (current == nullptr || current[0] == '\0') {
        g_setenv(variable, entry.c_str(), TRUE);
        return;
    }
    g_auto(GStrv) items = g_strsplit(current, std::string(separator).c_str(), -1);
    for (char** item = items; *item != nullptr; ++item) {
        if (entry == g_strstrip(*item)) {
            return;
        }
    }
    const std::string list = place == Place::first
                                 ? entry + std::string(separator) + current
                                 : std::string(current) + std::string(separator) + entry;
    g_setenv(variable, list.c_str(), TRUE);
}

}  // namespace

void prepareMediaDoor(const std::string& folder) {
    if (gtk_is_initialized()) {
        g_critical("The media door is prepared after the toolkit started; media stay closed.");
        return;
    }
    const std::string plugins = pluginFolder();
    if (plugins.empty() || !g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) {
        return;
    }
    // The engine's media player refuses URL schemes outside its own short
    // list unless they are named in this variable, which it reads for every
    // load.
    addToList("WEBKIT_GST_ALLOWED_URI_PROTOCOLS", VELMORIN_MEDIA_DOOR_SCHEME, ",", Place::last);
    // GStreamer reads GST_PLUGIN_PATH only when GST_PLUGIN_PATH_1_0 is unset,
    // so the folder goes into whichever of the two the user relies on. The
    // engine binds that variable's folders into its web process's sandbox.
    const char* pathVariable =
        g_getenv("GST_PLUGIN_PATH_1_0") == nullptr && g_getenv("GST_PLUGIN_PATH") != nullptr
            ? "GST_PLUGIN_PATH"
            : "GST_PLUGIN_PATH_1_0";
    addToList(pathVariable, plugins, G_SEARCHPATH_SEPARATOR_S, Place::first);
    g_setenv(mediaFolderVariable, folder.c_str(), TRUE);
}

void openMediaDoor(WebKitWebContext* context, const std::string& scheme,
                   const std::string& folder) {
    const char* prepared = g_getenv(mediaFolderVariable);
    if (scheme != VELMORIN_MEDIA_DOOR_SCHEME || prepared == nullptr || folder != prepared) {
        return;
    }
    // The web process sees the demo folder, and may only read it.
    webkit_web_context_add_path_to_sandbox(context, folder.c_str(), TRUE);
}

}  // namespace velmorin::gtk
