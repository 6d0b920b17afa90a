#pragma once

#include <functional>

namespace velmorin {

// Deferred work on the main event loop.
class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Runs `work` once, on the main thread, no sooner than `delaySeconds`
    // from now.
    virtual void asyncAfter(double delaySeconds, std::function<void()> work) = 0;
};

}  // namespace velmorin
