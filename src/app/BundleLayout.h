#pragma once

#include <string>
#include <string_view>

#include "app/ProgramFacts.h"

namespace velmorin {

// The bundle is a folder with the program at bin/velmorin-hd and its
// resources at share/velmorin-hd/, both in the build tree and when installed:
//
//   "/opt/vhd/bin/velmorin-hd"  gives  "/opt/vhd/share/velmorin-hd"
//
// The program's own path is the only input, so the working directory and the
// command line never change what is played.
std::string resourceDirectoryForExecutable(std::string_view executablePath);

}  // namespace velmorin
