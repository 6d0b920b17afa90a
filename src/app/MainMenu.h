#pragma once

namespace velmorin {

class Platform;

// Gives the program its one menu command, "Quit" (Command-Q, or Ctrl-Q where
// the command key is Ctrl), installs it and brings the program to the front.
void installMainMenu(Platform& platform);

}  // namespace velmorin
