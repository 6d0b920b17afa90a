#pragma once

// Waits the way GLib programs wait: a main loop that the awaited event quits,
// with a timeout source as its bound. Nothing here sleeps or looks again
// after a fixed time; a wait wakes only when something happened.

#include <glib.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <vector>

namespace velmorin::test {

using Seconds = std::chrono::duration<double>;

// A main loop on `context`, ended by quit() or by its bound.
class LoopWait {
public:
    LoopWait(GMainContext* context, Seconds bound);
    ~LoopWait();

    LoopWait(const LoopWait&) = delete;
    LoopWait& operator=(const LoopWait&) = delete;

    // Ends the wait; a quit that comes before run() makes run() return at once.
    void quit();
    // Runs the loop until quit() or the bound: true when quit() ended it.
    bool run();

private:
    GMainLoop* loop_;
    GSource* bound_;
    bool quit_ = false;
};

// A descriptor that turns readable when something happened, and how to
// take in what it says. A descriptor that turns readable once and stays so
// (a process's end) has nothing to take. A connection that reads ahead (an
// X display's, whose every round trip pulls the events that came before
// its reply into a queue of the client's own) also says whether such events
// wait in its queue: the descriptor no longer tells of them.
struct Wake {
    int fd = -1;
    std::function<void()> take;
    std::function<bool()> queued = {};
};

// Answers `done` now and again after each wake, until it holds or the bound
// passes; true when it held. Whatever a wake has queued while `done` was
// answered is taken in and `done` asked again before the wait sleeps, so no
// event that already came is slept past. The wait has a main context of its
// own, so nothing else of this process runs while it lasts.
bool waitUntil(Seconds bound, const std::vector<Wake>& wakes, const std::function<bool()>& done);

// The end of one process, whoever its parent: a process descriptor that
// turns readable when the process ends.
class ProcessEnd {
public:
    explicit ProcessEnd(pid_t pid);
    ~ProcessEnd();

    ProcessEnd(const ProcessEnd&) = delete;
    ProcessEnd& operator=(const ProcessEnd&) = delete;
    ProcessEnd(ProcessEnd&& other) noexcept;
    ProcessEnd& operator=(ProcessEnd&& other) noexcept;

    Wake wake() const { return {fd_, {}}; }
    // True once the process ended (a zombie has ended), or when it was gone
    // before the watch began. A process that could not be watched for any
    // other reason (no descriptor left, say) is not known to have ended.
    bool ended() const;

private:
    int fd_ = -1;
    // Why the watch could not begin, when it could not.
    int error_ = 0;
};

// Waits until every one of these processes ended; true when they did.
bool waitForEnds(const std::vector<pid_t>& processes, Seconds bound);

}  // namespace velmorin::test
