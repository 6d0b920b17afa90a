#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scheme/FileReading.h"

namespace velmorin {

// A file of the demo folder that a request URL names, opened for reading.
struct ResourceFile {
    // The resolved path, strictly inside the folder.
    std::string path;
    FileDescriptor file;
};

// The one way into the demo folder at `rootPath`, for the pages' requests and
// for the media the engine plays: the URL resolved by resolveResource() and
// the file opened by openRegularFile(). Nothing when the URL is refused or the
// file is no regular file that can be read; both look the same to the asker.
//
//   "app://demo/music/theme.ogg"  opens  rootPath + "/music/theme.ogg"
//   "app://demo/../theme.ogg"     opens nothing: it leaves the folder, so not
//                                 even a file of that name beside it is tried
std::optional<ResourceFile> openResource(std::string_view rootPath, std::string_view url);

}  // namespace velmorin
