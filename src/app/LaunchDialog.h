#pragma once

#include "app/LaunchRules.h"

namespace velmorin {

class Platform;

// Asks the user whether to play, and whether full screen, with a modal
// dialog. Self-test mode asks nothing and plays windowed. On a quit answer
// the application has already been told to terminate when this returns.
LaunchChoice askLaunchChoice(Platform& platform, SelfTestMode selfTest);

}  // namespace velmorin
