#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/TempTree.h"
#include "integration/support/EventWait.h"

namespace velmorin::test {

// Files of a demo, by path below the demo folder ("index.html", "js/a.js").
using DemoPages = std::map<std::string, std::string>;

// A bundle of its own in a fresh temporary folder: the built program at
// bin/velmorin-hd (a hard link, or a copy across file systems; never a
// symbolic link, since the program finds its demo from its own resolved
// path) and the given files in share/velmorin-hd/demo/. The folder is
// removed with the bundle.
class TestBundle {
public:
    explicit TestBundle(const DemoPages& pages);

    // Puts another program in the place of this build's velmorin-hd.
    void replaceProgram(const std::filesystem::path& program);

    const std::filesystem::path& root() const { return tree_.root(); }
    std::filesystem::path executable() const;
    std::filesystem::path demoDirectory() const;

private:
    TempTree tree_;
};

// How the environment of a child differs from this process's own. Every
// other variable, DISPLAY among them, is inherited.
struct ChildEnvironment {
    // A value sets the variable; no value removes it.
    std::map<std::string, std::optional<std::string>> changes;

    ChildEnvironment& set(const std::string& name, const std::string& value);
    ChildEnvironment& unset(const std::string& name);

    // This process's environment with the changes made, for a child; freed
    // with g_strfreev.
    char** build() const;
};

// The player's environment: VELM_SELFTEST=1 or no VELM_SELFTEST at all.
ChildEnvironment selfTestEnvironment();
ChildEnvironment dialogEnvironment();

// How a child ended and what it wrote.
struct ChildResult {
    // The exit status when it exited by itself; empty when a signal ended it.
    std::optional<int> exitStatus;
    int signal = 0;
    // True when it outlived its time and was killed.
    bool timedOut = false;
    std::string standardOutput;
    std::string standardError;
    Seconds wallTime{};
    std::chrono::steady_clock::time_point endedAt;

    bool exitedWith(int status) const { return exitStatus == status; }
    // Standard output cut at each line break; a last line without one counts.
    std::vector<std::string> outputLines() const;
    std::vector<std::string> errorLines() const;
    // Status, time and both outputs, for a failure message.
    std::string describe() const;
};

// A child in a process group of its own, with its standard output and
// standard error captured apart. The whole group is killed if it is still
// running when this is destroyed, so no engine process outlives a test.
class ChildProcess {
public:
    // passedFd, when not negative, is given to the child as its descriptor 3;
    // outputFd, when not negative, is its standard output instead of a
    // capture (the result's standardOutput is then empty).
    ChildProcess(const std::vector<std::string>& arguments, const ChildEnvironment& environment,
                 int passedFd = -1, int outputFd = -1);
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Wakes a wait when the child ends.
    Wake ended() const { return end_.wake(); }

    // Waits at most this long, taking in what the wakes say meanwhile (to
    // watch files or act on the child), then kills the group; the result
    // says whether it had to.
    ChildResult finish(Seconds timeout, std::vector<Wake> wakes = {});

private:
    bool reap(bool block);
    void killGroup();
    ChildResult collect();

    pid_t pid_ = -1;
    ProcessEnd end_{-1};
    int outputFd_ = -1;
    int errorFd_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    bool killed_ = false;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point ended_;
};

// How a run differs from starting the program plainly: a command that
// starts it (the program's path is its last argument), and a descriptor for
// its standard output instead of a capture.
struct ProgramStart {
    std::vector<std::string> wrapper;
    int outputFd = -1;
};

// The bundle's program started with this environment.
class ProgramRun : public ChildProcess {
public:
    ProgramRun(const TestBundle& bundle, const ChildEnvironment& environment,
               const ProgramStart& start = {});
};

// Runs a helper tool (xdotool, ...) to its end.
ChildResult runTool(const std::vector<std::string>& arguments, const ChildEnvironment& environment,
                    Seconds timeout = Seconds(10.0));

// The full path of a program on PATH, if there is one.
std::optional<std::filesystem::path> findOnPath(const std::string& name);

// An Xvfb server of its own, on the first free display number, so a test
// that types keys or runs a window manager disturbs nothing else.
class PrivateDisplay {
public:
    PrivateDisplay(int width, int height);

    // ":N", or empty when the server did not start.
    const std::string& name() const { return name_; }
    bool ready() const { return !name_.empty(); }
    // An environment whose DISPLAY is this one.
    ChildEnvironment environment(ChildEnvironment base = {}) const;

private:
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

// Which files of one folder (not its subfolders) were opened, by anyone,
// since the watch began, and when each was first seen opened.
class OpenedFiles {
public:
    explicit OpenedFiles(const std::filesystem::path& folder);
    ~OpenedFiles();

    OpenedFiles(const OpenedFiles&) = delete;
    OpenedFiles& operator=(const OpenedFiles&) = delete;

    // Takes in what happened since the last look; the time of a first
    // opening is when it was taken in, so a wait takes it in at once through
    // wake().
    void update();
    Wake wake() {
        return {fd_, [this] { update(); }};
    }
    std::optional<std::chrono::steady_clock::time_point> firstOpened(const std::string& name);
    // How many times the file was opened so far.
    int openings(const std::string& name);

private:
    int fd_ = -1;
    std::map<std::string, std::chrono::steady_clock::time_point> opened_;
    std::map<std::string, int> openings_;
};

}  // namespace velmorin::test
