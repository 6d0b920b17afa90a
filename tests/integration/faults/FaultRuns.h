#pragma once

// Shared by the fault tests: the program run on an Xvfb server of its own and
// watched while it runs, the engine processes below it, this process's
// resident memory, and async scripts in a page shown in this process.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "integration/support/DesktopWatch.h"
#include "integration/support/EngineWait.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {

// The program on a bundle of its own and a display of its own, its demo
// folder watched (when there is one) so a test knows what the page asked for.
class WatchedProgram {
public:
    WatchedProgram(const DemoPages& pages, const ChildEnvironment& environment,
                   const std::function<void(TestBundle&)>& prepare = {})
        : bundle_(pages), display_(screenWidth, screenHeight) {
        if (prepare) {
            prepare(bundle_);
        }
        if (std::filesystem::is_directory(bundle_.demoDirectory())) {
            watch_ = std::make_unique<OpenedFiles>(bundle_.demoDirectory());
        }
        if (display_.ready()) {
            run_ = std::make_unique<ProgramRun>(bundle_, display_.environment(environment));
        }
    }

    bool started() const { return run_ != nullptr; }
    ProgramRun& run() { return *run_; }
    const PrivateDisplay& display() const { return display_; }

    // When the page (or the program) first opened this demo file.
    std::optional<std::chrono::steady_clock::time_point> opened(const std::string& name) {
        return watch_ ? watch_->firstOpened(name) : std::nullopt;
    }
    // How many times the page (or the program) opened this demo file.
    int openings(const std::string& name) { return watch_ ? watch_->openings(name) : 0; }

    // Wakes a wait on each file the page (or the program) opens.
    std::vector<Wake> fileWakes() {
        return watch_ ? std::vector<Wake>{watch_->wake()} : std::vector<Wake>{};
    }

    // Lets the program run to its end or for at most `timeout`, then kills it;
    // `during` looks at the process table while it runs.
    ChildResult runToEnd(Seconds timeout, const std::function<void()>& during = {});

private:
    TestBundle bundle_;
    PrivateDisplay display_;
    std::unique_ptr<OpenedFiles> watch_;
    std::unique_ptr<ProgramRun> run_;
};

// ---------------------------------------------------------------------------
// Processes

struct ProcessInfo {
    pid_t parent = 0;
    std::string name;  // The kernel's short name, cut at 15 characters.
};

// From /proc/<pid>/stat, "pid (name) state ppid ...", whose name may hold
// spaces and brackets.
inline std::optional<ProcessInfo> processInfo(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    const auto open = std::getline(stat, text) ? text.find('(') : std::string::npos;
    const auto close = text.rfind(')');
    ProcessInfo info;
    if (open == std::string::npos || close == std::string::npos ||
        std::sscanf(text.c_str() + close + 1, " %*c %d", &info.parent) != 1) {
        return std::nullopt;
    }
    info.name = text.substr(open + 1, close - open - 1);
    return info;
}

// The web content processes started below `root`, however deep (the engine
// starts them inside a bwrap sandbox, two levels down).
inline std::vector<pid_t> webProcessesBelow(pid_t root) {
    std::map<pid_t, ProcessInfo> all;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const pid_t pid = std::atoi(entry.path().filename().c_str());
        if (auto info = pid > 0 ? processInfo(pid) : std::nullopt) {
            all[pid] = *info;
        }
    }
    std::vector<pid_t> found;
    for (const auto& [pid, info] : all) {
        pid_t up = info.parent;
        while (up > 1 && up != root && all.contains(up)) {
            up = all[up].parent;
        }
        if (up == root && info.name.starts_with("WebKitWebProc")) {
            found.push_back(pid);
        }
    }
    return found;
}

// The kernel tells no one when a process starts, so a test that follows the
// engine's processes looks at the process table every 10 ms while it waits:
// a timer's descriptor wakes it.
class ProcessTableLooks {
public:
    ProcessTableLooks() : fd_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
        constexpr timespec every{0, 10'000'000};
        const itimerspec looks{every, every};
        timerfd_settime(fd_, 0, &looks, nullptr);
    }
    ~ProcessTableLooks() { close(fd_); }

    ProcessTableLooks(const ProcessTableLooks&) = delete;
    ProcessTableLooks& operator=(const ProcessTableLooks&) = delete;

    Wake wake(std::function<void()> look = {}) {
        return {fd_, [this, look = std::move(look)] {
                    std::uint64_t expirations = 0;
                    [[maybe_unused]] const auto count = read(fd_, &expirations, sizeof expirations);
                    if (look) {
                        look();
                    }
                }};
    }

private:
    int fd_;
};

inline ChildResult WatchedProgram::runToEnd(Seconds timeout, const std::function<void()>& during) {
    auto wakes = fileWakes();
    ProcessTableLooks looks;
    if (during) {
        wakes.push_back(looks.wake(during));
    }
    return run_->finish(timeout, wakes);
}

// The web content processes below `root` that still run (a zombie waiting
// for its parent to reap it has ended).
inline std::vector<pid_t> liveWebProcessesBelow(pid_t root) {
    auto found = webProcessesBelow(root);
    std::erase_if(found, [](pid_t pid) { return ProcessEnd(pid).ended(); });
    return found;
}

inline void killAll(const std::vector<pid_t>& processes) {
    for (const pid_t pid : processes) {
        ::kill(pid, SIGKILL);
    }
}

// Answers the launch dialog with Enter, as a person would, once it is shown
// and has the keyboard; true when the program then asks for its start page.
// The key is typed once: the focus is on the dialog by then, so a key lost
// is the program's fault, as it would be a person's lost key.
inline bool playFromTheDialog(WatchedProgram& program) {
    DesktopWatch desktop(program.display());
    const auto dialog = desktop.waitForProgramWindow(program.run(), Seconds(60.0));
    return !dialog.empty() && desktop.focus(dialog) &&
           desktop.tool({"xdotool", "key", "Return"}).exitedWith(0) &&
           waitUntil(Seconds(60.0), program.fileWakes(),
                     [&] { return program.opened(startPageName).has_value(); });
}

// ---------------------------------------------------------------------------
// This process

// A memory figure of this process from /proc/self/status, in MiB: "VmRSS"
// now, "VmHWM" at its highest so far.
inline double memoryMiB(const std::string& field = "VmRSS") {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) {
            return static_cast<double>(std::atol(line.c_str() + field.size() + 1)) / 1024.0;
        }
    }
    return -1.0;
}

// Lets the engine in this process run for a while before its memory is
// measured: the time is part of the measurement, not a wait for an event.
inline void settle(Timeout time) {
    LoopWait(g_main_context_default(), time).run();
}

// A shown view on the bundle's demo, its start page loaded.
inline std::unique_ptr<EngineView> openView(const TestBundle& bundle) {
    std::string problem;
    auto engine = EngineView::create(bundle.demoDirectory().parent_path().string(), &problem);
    EXPECT_NE(engine, nullptr) << problem;
    if (engine) {
        const auto load = engine->load("app://demo/index.html");
        EXPECT_TRUE(load.succeeded()) << load.describe();
    }
    return engine;
}

}  // namespace velmorin::test
