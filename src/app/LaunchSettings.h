#pragma once

#include <map>
#include <string>

namespace velmorin {

enum class SelfTestMode {
    off,
    on,
};

// Decided once by the entry, before the event loop starts, and only read
// afterwards.
struct LaunchSettings {
    // Setting the page title to this text ends the program.
    std::string exitTitle;
    SelfTestMode selfTest = SelfTestMode::off;
    // The bundle's resource folder, found from the program's own path; the
    // demo is its folder "demo".
    std::string resourceDirectory{};
};

using Environment = std::map<std::string, std::string>;

inline constexpr const char* selfTestVariable = "VELM_SELFTEST";

// Self-test mode is on only when VELM_SELFTEST is exactly "1": no trimming,
// no case folding, no number parsing ("01", " 1" and "true" leave it off).
SelfTestMode selfTestModeFrom(const Environment& environment);

// Everything but the resource folder, which the entry finds for itself.
LaunchSettings launchSettingsFrom(const Environment& environment);

// The process environment as a map; the later of two equal names wins.
Environment processEnvironment(char** entries);

}  // namespace velmorin
