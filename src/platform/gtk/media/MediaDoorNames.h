#pragma once

// What the player and its media plugin agree on. The player sets the
// variable in its own environment before the engine starts its web process,
// which inherits it; the plugin, loaded there by GStreamer, reads it.
namespace velmorin::gtk {

// The URL scheme whose media the plugin's source element opens.
inline constexpr const char* mediaDoorScheme = "app";

// Holds the folder that scheme's files are served from.
inline constexpr const char* mediaFolderVariable = "VELMORIN_MEDIA_FOLDER";

}  // namespace velmorin::gtk
