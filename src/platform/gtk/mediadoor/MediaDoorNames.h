#pragma once

// What the player and its media door agree on. The player sets the
// variable in its own environment before the engine starts its web process,
// which inherits it; the plugin, loaded there by GStreamer, reads it.
namespace velmorin::gtk {

// Holds the folder the demo scheme's files are served from.
inline constexpr const char* mediaFolderVariable = "VELMORIN_MEDIA_FOLDER";

}  // namespace velmorin::gtk
