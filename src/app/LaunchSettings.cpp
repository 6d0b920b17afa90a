#include "app/LaunchSettings.h"

#include <string_view>

#include "app/ProgramFacts.h"

namespace velmorin {

SelfTestMode selfTestModeFrom(const Environment& environment) {
    const auto found = environment.find(selfTestVariable);
    if (found == environment.end()) {
        return SelfTestMode::off;
    }
    return found->second == "1" ? SelfTestMode::on : SelfTestMode::off;
}

LaunchSettings launchSettingsFrom(const Environment& environment) {
    return LaunchSettings{.exitTitle = exitTitleText, .selfTest = selfTestModeFrom(environment)};
}

Environment processEnvironment(char** entries) {
    Environment environment;
    for (char** entry = entries; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        environment[std::string(text.substr(0, equals))] = std::string(text.substr(equals + 1));
    }
    return environment;
}

}  // namespace velmorin
