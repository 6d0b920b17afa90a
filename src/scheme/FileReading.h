#pragma once

#include <optional>
#include <string>

#include "platform/SchemeTask.h"

namespace velmorin {

// Reads a whole regular file, following symbolic links. Anything else (a
// missing file, a folder, a named pipe, a device, a socket, a file that cannot
// be opened) gives nothing: a pipe without a writer would block the main
// thread forever and a device such as /dev/zero never ends.
std::optional<Bytes> readRegularFile(const std::string& path);

}  // namespace velmorin
