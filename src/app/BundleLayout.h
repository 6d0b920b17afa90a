#pragma once

#include <string>
#include <string_view>

#include "app/ProgramFacts.h"

namespace velmorin {

// The bundle is a folder with the program at bin/velmorin-hd, its resources
// at share/velmorin-hd/ and its icons at share/icons/, both in the build tree
// and when installed:
//
//   "/opt/vhd/bin/velmorin-hd"  gives  "/opt/vhd/share/velmorin-hd"
//                               and    "/opt/vhd/share/icons"
//
// The program's own path is the only input, so the working directory and the
// command line never change what is played.
std::string resourceDirectoryForExecutable(std::string_view executablePath);
std::string iconDirectoryForExecutable(std::string_view executablePath);

}  // namespace velmorin
