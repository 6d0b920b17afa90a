#include "integration/support/EventWait.h"

#include <glib-unix.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <utility>

namespace velmorin::test {

LoopWait::LoopWait(GMainContext* context, Seconds bound)
    : loop_(g_main_loop_new(context, FALSE)),
      bound_(g_timeout_source_new(static_cast<guint>(std::ceil(bound.count() * 1000.0)))) {
    g_source_set_callback(
        bound_,
        [](gpointer loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_CONTINUE;
        },
        loop_, nullptr);
    g_source_attach(bound_, context);
}

LoopWait::~LoopWait() {
    g_source_destroy(bound_);
    g_source_unref(bound_);
    g_main_loop_unref(loop_);
}

void LoopWait::quit() {
    quit_ = true;
    g_main_loop_quit(loop_);
}

bool LoopWait::run() {
    if (!quit_) {
        g_main_loop_run(loop_);
    }
    return quit_;
}

namespace {

// Answers `done`, and while it does not hold and a wake has something
// queued, takes that in and asks again; true when it held.
bool holdsWithNothingQueued(const std::vector<Wake>& wakes, const std::function<bool()>& done) {
    while (!done()) {
        const auto queued = std::find_if(wakes.begin(), wakes.end(), [](const Wake& wake) {
            return wake.queued && wake.queued();
        });
        if (queued == wakes.end()) {
            return false;
        }
        queued->take();
    }
    return true;
}

}  // namespace

bool waitUntil(Seconds bound, const std::vector<Wake>& wakes, const std::function<bool()>& done) {
    if (holdsWithNothingQueued(wakes, done)) {
        return true;
    }
    GMainContext* context = g_main_context_new();
    // Each wake's source is given its wake and the wait it may end.
    struct Watch {
        const Wake& wake;
        const std::vector<Wake>& wakes;
        const std::function<bool()>& done;
        LoopWait& wait;
    };
    bool held = false;
    {
        LoopWait wait(context, bound);
        std::vector<std::unique_ptr<Watch>> watches;
        for (const auto& wake : wakes) {
            auto& watch = *watches.emplace_back(new Watch{wake, wakes, done, wait});
            GSource* source = g_unix_fd_source_new(
                wake.fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
            g_source_set_callback(source,
                                  G_SOURCE_FUNC(+[](int, GIOCondition, gpointer data) -> gboolean {
                                      auto& watch = *static_cast<Watch*>(data);
                                      if (watch.wake.take) {
                                          watch.wake.take();
                                      }
                                      if (holdsWithNothingQueued(watch.wakes, watch.done)) {
                                          watch.wait.quit();
                                      }
                                      return watch.wake.take ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
                                  }),
                                  &watch, nullptr);
            g_source_attach(source, context);
            g_source_unref(source);
        }
        held = wait.run();
    }
    // The context's sources go with it.
    g_main_context_unref(context);
    return held || done();
}

ProcessEnd::ProcessEnd(pid_t pid) : fd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {
    if (fd_ < 0) {
        error_ = errno;
    }
}

ProcessEnd::~ProcessEnd() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

ProcessEnd::ProcessEnd(ProcessEnd&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_) {}

ProcessEnd& ProcessEnd::operator=(ProcessEnd&& other) noexcept {
    std::swap(fd_, other.fd_);
    std::swap(error_, other.error_);
    return *this;
}

bool ProcessEnd::ended() const {
    if (fd_ < 0) {
        return error_ == ESRCH;
    }
    pollfd end{fd_, POLLIN, 0};
    return poll(&end, 1, 0) > 0;
}

bool waitForEnds(const std::vector<pid_t>& processes, Seconds bound) {
    std::vector<ProcessEnd> ends;
    std::vector<Wake> wakes;
    for (const pid_t pid : processes) {
        wakes.push_back(ends.emplace_back(pid).wake());
    }
    std::erase_if(wakes, [](const Wake& wake) { return wake.fd < 0; });
    return waitUntil(bound, wakes, [&ends] {
        return std::all_of(ends.begin(), ends.end(),
                           [](const ProcessEnd& end) { return end.ended(); });
    });
}

}  // namespace velmorin::test
