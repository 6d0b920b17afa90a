#include "integration/support/ProgramRun.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace velmorin::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* selfTestVariableName = "VELM_SELFTEST";

[[noreturn]] void failWith(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

int captureFile(const char* name) {
    const int fd = memfd_create(name, MFD_CLOEXEC);
    if (fd < 0) {
        failWith("cannot make a capture file");
    }
    return fd;
}

// Everything written to a capture file, read through a descriptor of its own
// that starts at the beginning.
std::string readAll(int fd) {
    std::ifstream file("/proc/self/fd/" + std::to_string(fd), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A hard link is as good as a copy (the path a program was started by is its
// own) and cheaper; across file systems only a copy works.
void linkOrCopy(const fs::path& from, const fs::path& to) {
    fs::remove(to);
    std::error_code linkError;
    fs::create_hard_link(from, to, linkError);
    if (linkError) {
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    }
}

}  // namespace

TestBundle::TestBundle(const DemoPages& pages) : tree_("velmorin-bundle") {
    fs::create_directories(executable().parent_path());
    replaceProgram(VELMORIN_PROGRAM_PATH);
    // The media door, where the program looks for it beside itself.
    const fs::path plugin(VELMORIN_MEDIA_DOOR_PATH);
    fs::create_directories(root() / VELMORIN_MEDIA_DOOR_SUBDIR);
    linkOrCopy(plugin, root() / VELMORIN_MEDIA_DOOR_SUBDIR / plugin.filename());
    fs::create_directories(demoDirectory());
    for (const auto& [path, content] : pages) {
        tree_.write(fs::relative(demoDirectory(), root()) / path, content);
    }
}

void TestBundle::replaceProgram(const fs::path& program) {
    linkOrCopy(program, executable());
}

fs::path TestBundle::executable() const {
    return root() / "bin" / "velmorin-hd";
}

fs::path TestBundle::demoDirectory() const {
    return root() / "share" / "velmorin-hd" / "demo";
}

// ---------------------------------------------------------------------------

ChildEnvironment& ChildEnvironment::set(const std::string& name, const std::string& value) {
    changes[name] = value;
    return *this;
}

ChildEnvironment& ChildEnvironment::unset(const std::string& name) {
    changes[name] = std::nullopt;
    return *this;
}

char** ChildEnvironment::build() const {
    char** variables = g_get_environ();
    for (const auto& [name, value] : changes) {
        variables = value ? g_environ_setenv(variables, name.c_str(), value->c_str(), TRUE)
                          : g_environ_unsetenv(variables, name.c_str());
    }
    return variables;
}

ChildEnvironment selfTestEnvironment() {
    return ChildEnvironment().set(selfTestVariableName, "1");
}

ChildEnvironment dialogEnvironment() {
    return ChildEnvironment().unset(selfTestVariableName);
}

// ---------------------------------------------------------------------------

std::vector<std::string> ChildResult::outputLines() const {
    return splitLines(standardOutput);
}

std::vector<std::string> ChildResult::errorLines() const {
    return splitLines(standardError);
}

std::string ChildResult::describe() const {
    std::ostringstream text;
    if (exitStatus) {
        text << "exit status " << *exitStatus;
    } else {
        text << "ended by signal " << signal;
    }
    if (timedOut) {
        text << " (killed after its time ran out)";
    }
    text << " after " << wallTime.count() << " s\n--- stdout ---\n"
         << standardOutput << "\n--- stderr ---\n"
         << standardError << "\n---";
    return text.str();
}

// ---------------------------------------------------------------------------

namespace {

// In the child, before the program runs: a group of its own, so the
// engine's helper processes can be ended with it, and no signal blocked or
// left ignored by this process.
void prepareChild(gpointer) {
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int each : {SIGPIPE, SIGTERM, SIGINT}) {
        signal(each, SIG_DFL);
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const ChildEnvironment& environment, int passedFd, int outputFd) {
    if (arguments.empty()) {
        throw std::invalid_argument("a child needs a program");
    }
    outputFd_ = captureFile("stdout");
    errorFd_ = captureFile("stderr");
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    g_auto(GStrv) envp = environment.build();
    const int passed[] = {passedFd};
    const int asThree[] = {3};
    GError* error = nullptr;
    started_ = std::chrono::steady_clock::now();
    if (!g_spawn_async_with_pipes_and_fds(
            nullptr, argv.data(), envp,
            static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                     G_SPAWN_STDIN_FROM_DEV_NULL),
            prepareChild, nullptr, -1, outputFd >= 0 ? outputFd : outputFd_, errorFd_, passed,
            asThree, passedFd >= 0 ? 1 : 0, &pid_, nullptr, nullptr, nullptr, &error)) {
        const std::string why = error->message;
        g_error_free(error);
        close(outputFd_);
        close(errorFd_);
        throw std::runtime_error("cannot start " + arguments.front() + ": " + why);
    }
    end_ = ProcessEnd(pid_);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reap(false)) {
        killGroup();
        reap(true);
    }
    close(outputFd_);
    close(errorFd_);
}

bool ChildProcess::reap(bool block) {
    if (reaped_) {
        return true;
    }
    while (true) {
        const pid_t done = waitpid(pid_, &status_, block ? 0 : WNOHANG);
        if (done == pid_) {
            reaped_ = true;
            ended_ = std::chrono::steady_clock::now();
            return true;
        }
        if (done < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

void ChildProcess::killGroup() {
    killed_ = true;
    // The group id is the child's id: only processes it started are in it.
    kill(-pid_, SIGKILL);
}

bool ChildProcess::running() {
    return !reap(false);
}

ChildResult ChildProcess::finish(Seconds timeout, std::vector<Wake> wakes) {
    wakes.push_back(ended());
    if (!waitUntil(timeout, wakes, [this] { return reap(false); })) {
        killGroup();
        reap(true);
    }
    return collect();
}

ChildResult ChildProcess::collect() {
    ChildResult result;
    if (WIFEXITED(status_)) {
        result.exitStatus = WEXITSTATUS(status_);
    } else if (WIFSIGNALED(status_)) {
        result.signal = WTERMSIG(status_);
    }
    result.timedOut = killed_;
    result.standardOutput = readAll(outputFd_);
    result.standardError = readAll(errorFd_);
    result.wallTime = ended_ - started_;
    result.endedAt = ended_;
    return result;
}

// ---------------------------------------------------------------------------

// A critical from GLib or GTK is a toolkit call the program got wrong: the
// program stops at once (SIGTRAP), so the test sees it.
ProgramRun::ProgramRun(const TestBundle& bundle, const ChildEnvironment& environment,
                       const ProgramStart& start)
    : ChildProcess(
          [&] {
              auto arguments = start.wrapper;
              arguments.push_back(bundle.executable().string());
              return arguments;
          }(),
          ChildEnvironment(environment).set("G_DEBUG", "fatal-criticals"), -1, start.outputFd) {}

ChildResult runTool(const std::vector<std::string>& arguments, const ChildEnvironment& environment,
                    Seconds timeout) {
    return ChildProcess(arguments, environment).finish(timeout);
}

std::optional<fs::path> findOnPath(const std::string& name) {
    g_autofree char* found = g_find_program_in_path(name.c_str());
    return found != nullptr ? std::optional<fs::path>(found) : std::nullopt;
}

// ---------------------------------------------------------------------------

PrivateDisplay::PrivateDisplay(int width, int height) {
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) {
        failWith("cannot make a pipe");
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Xvfb picks a free display number and writes it to descriptor 3 once
    // it accepts connections.
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten",
                                 "tcp", "-noreset"},
        ChildEnvironment{}, channel[1]);
    close(channel[1]);

    // The number comes in a line; the pipe's end or the server's comes
    // instead when it cannot start.
    std::string number;
    bool closed = false;
    const Wake line{channel[0], [&] {
                        char buffer[32];
                        const ssize_t count = read(channel[0], buffer, sizeof buffer);
                        closed = count <= 0;
                        number.append(buffer,
                                      static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
                    }};
    const bool told = waitUntil(Seconds(20.0), {line, server_->ended()}, [&] {
        return number.find('\n') != std::string::npos || closed || !server_->running();
    });
    if (told && number.find('\n') != std::string::npos) {
        name_ = ":" + number.substr(0, number.find('\n'));
    }
    close(channel[0]);
}

ChildEnvironment PrivateDisplay::environment(ChildEnvironment base) const {
    return base.set("DISPLAY", name_).unset("WAYLAND_DISPLAY");
}

// ---------------------------------------------------------------------------

OpenedFiles::OpenedFiles(const fs::path& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_OPEN) < 0) {
        failWith("cannot watch " + folder.string());
    }
}

OpenedFiles::~OpenedFiles() {
    close(fd_);
}

void OpenedFiles::update() {
    alignas(inotify_event) char buffer[16 * 1024];
    while (true) {
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count <= 0) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        for (ssize_t offset = 0; offset < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            // An event on the folder itself has no name.
            const std::string name = event->len > 0 ? std::string(event->name) : std::string(".");
            opened_.try_emplace(name, now);
            ++openings_[name];
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

std::optional<std::chrono::steady_clock::time_point> OpenedFiles::firstOpened(
    const std::string& name) {
    update();
    const auto found = opened_.find(name);
    return found == opened_.end() ? std::nullopt : std::optional(found->second);
}

int OpenedFiles::openings(const std::string& name) {
    update();
    const auto found = openings_.find(name);
    return found == openings_.end() ? 0 : found->second;
}

}  // namespace velmorin::test
