#pragma once

#include <chrono>

namespace velmorin {

// When the view's web process ends without being asked to (it crashed, or it
// went over its memory limit), the page is loaded again, in a new web
// process, once the view is on screen. This happens at most once in a row: a
// second loss before the count of recent losses is cleared leaves the view as
// it is, and the count starts again. The count is cleared once a loaded page
// has lasted `lossesForgottenAfter`.

// At most this many reloads in a row, each after a lost web process.
inline constexpr int maximumReloadsInARow = 1;
// How long a loaded page must last before its losses are forgotten.
inline constexpr std::chrono::seconds lossesForgottenAfter{30};

enum class AfterLoss { loadAgain, leaveAsItIs };

struct LossAnswer {
    AfterLoss action;
    // The count of recent losses from now on.
    int recentLosses;
};

// The answer to a lost web process, after `recentLosses` others.
constexpr LossAnswer answerToLoss(int recentLosses) {
    if (recentLosses + 1 > maximumReloadsInARow) {
        return {AfterLoss::leaveAsItIs, 0};
    }
    return {AfterLoss::loadAgain, recentLosses + 1};
}

}  // namespace velmorin
