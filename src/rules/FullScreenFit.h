#pragma once

namespace velmorin {

// The player window is fitted to the content size asked for in its first
// frames. A window that goes full screen before that first fit is over (the
// launch dialog's choice) is fitted again when it first leaves full screen,
// so its content gets the size asked for then. Only then: a window that has
// had its own size keeps the size the viewer gave it, and the desktop gives
// it back on leaving full screen.

enum class FullScreenChange { entered, left };
// Whether a fit of the window to its content size is under way.
enum class Fitting { underWay, over };
enum class FitOnLeavingFullScreen { no, yes };

struct FullScreenFitAnswer {
    FitOnLeavingFullScreen fitOnLeaving;
    enum class StartFit { no, yes } startFit;
};

constexpr FullScreenFitAnswer afterFullScreenChange(FullScreenChange change, Fitting fitting,
                                                    FitOnLeavingFullScreen pending) {
    using StartFit = FullScreenFitAnswer::StartFit;
    if (change == FullScreenChange::entered) {
        return {fitting == Fitting::underWay ? FitOnLeavingFullScreen::yes : pending, StartFit::no};
    }
    if (pending == FitOnLeavingFullScreen::no || fitting == Fitting::underWay) {
        return {pending, StartFit::no};
    }
    return {FitOnLeavingFullScreen::no, StartFit::yes};
}

}  // namespace velmorin
