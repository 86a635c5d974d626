// Stand-ins for nec2c that misbehave, each alone in a private folder to put on the PATH, and
// ways to wait for the processes they start and for their end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zandrel::test_support {

// Every stand-in first tells the test its process id through the FIFO `started` beside it and
// finds its output file as nec2c's -o argument. They use only the shell's built-ins and
// programs named by their full path, since the PATH may hold nothing but the stand-in.
inline const std::string StandInPrologue =
    "#!/bin/sh\n"
    "here=${0%/*}\n"
    "echo $$ > \"$here/started\"\n"
    "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n";

// Never ends on its own: it ignores the polite signals and waits for a child that sleeps.
inline const std::string HangingEngine = StandInPrologue +
                                         "trap '' INT TERM HUP\n"
                                         "/bin/sleep 100000 &\n"
                                         "echo $! > \"$here/started\"\n"
                                         "wait\n";
// Writes empty lines to its output file for ever.
inline const std::string OutputFloodingEngine = StandInPrologue + "/usr/bin/yes '' > \"$out\"\n";
// Writes an error to its standard error for ever.
inline const std::string ErrorFloodingEngine =
    StandInPrologue + "/usr/bin/yes 'ERROR' >&2\n";
// Fails with terminal sequences and control characters in its words.
inline const std::string ControlCharacterEngine =
    StandInPrologue +
    "printf '\\033[31mRED\\033[0m \\033]0;a title\\007\\r\\n' > \"$out\"\n"
    "printf '\\033[2JGEOMETRY DATA CARD ERROR\\b\\b\\n' >&2\n"
    "exit 1\n";
// Refuses the wires in nec2c's own words, as it does a structure far too small for its
// segments (see NecOutputOfARejectedGeometry).
inline const std::string GeometryRejectingEngine =
    StandInPrologue +
    "printf '      1   -0.0000    0.0000    0.0000\\n SEGMENT DATA ERROR\\n' > \"$out\"\n"
    "exit 255\n";
// Ends well but writes nothing.
inline const std::string SilentEngine = StandInPrologue + "exit 0\n";

// Whether the process has ended, or ends within `limit`; a zombie has ended.
inline bool EndsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) {
        return errno == ESRCH;
    }
    pollfd end{handle, POLLIN, 0};
    const bool ended = poll(&end, 1, static_cast<int>(limit.count())) == 1;
    close(handle);
    return ended;
}

// A private folder in `parent` holding `nec2c`, a stand-in with the given script; removed with
// the object.
class StandInEngine {
  public:
    explicit StandInEngine(const std::string& script,
                           const std::filesystem::path& parent =
                               std::filesystem::temp_directory_path()) {
        std::string name = (parent / "zandrel2-stand-in-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("no folder for the stand-in engine");
        }
        folder_ = name;
        std::ofstream(folder_ / "nec2c") << script;
        std::filesystem::permissions(folder_ / "nec2c", std::filesystem::perms::owner_all);
        const std::string started = (folder_ / "started").string();
        // Kept open for reading and, so that the FIFO never reads as closed, for writing.
        if (mkfifo(started.c_str(), 0600) != 0 ||
            (reader_ = open(started.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0 ||
            (writer_ = open(started.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0) {
            throw std::runtime_error("no FIFO for the stand-in engine");
        }
    }
    ~StandInEngine() {
        close(reader_);
        close(writer_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    StandInEngine(const StandInEngine&) = delete;
    StandInEngine& operator=(const StandInEngine&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

    // The process ids reported so far, waiting up to `limit` until there are at least `count`.
    const std::vector<pid_t>& WaitForStarts(std::size_t count, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        ReadReports();
        while (started_.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd report{reader_, POLLIN, 0};
            if (left.count() <= 0 || poll(&report, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            ReadReports();
        }
        return started_;
    }

    // The processes reported so far that have not ended within `limit`.
    std::vector<pid_t> StillRunning(std::chrono::milliseconds limit) {
        std::vector<pid_t> running;
        for (const pid_t pid : WaitForStarts(0, std::chrono::milliseconds(0))) {
            if (!EndsWithin(pid, limit)) {
                running.push_back(pid);
            }
        }
        return running;
    }

  private:
    void ReadReports() {
        char buffer[256];
        ssize_t got = 0;
        while ((got = read(reader_, buffer, sizeof buffer)) > 0) {
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
        for (std::size_t end = pending_.find('\n'); end != std::string::npos;
             end = pending_.find('\n')) {
            started_.push_back(static_cast<pid_t>(std::stol(pending_.substr(0, end))));
            pending_.erase(0, end + 1);
        }
    }

    std::filesystem::path folder_;
    int reader_ = -1;
    int writer_ = -1;
    std::string pending_;
    std::vector<pid_t> started_;
};

// Starts `words` (the program first) with only `environment`, its output thrown away and the
// ending signals' default handling, whatever the test's, as a shell would start it. Returns its
// process id, or -1 when it could not be started.
inline pid_t SpawnQuietly(std::vector<std::string> words, std::vector<std::string> environment) {
    std::vector<char*> arguments;
    for (std::string& word : words) {
        arguments.push_back(word.data());
    }
    arguments.push_back(nullptr);
    std::vector<char*> variables;
    for (std::string& variable : environment) {
        variables.push_back(variable.data());
    }
    variables.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, arguments.front(), &files, &attributes,
                                    arguments.data(), variables.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? pid : -1;
}

// Sends `signal` to the child `pid` and returns the status it exits with, or -1 when it does
// not end within `limit` (it is then killed) or ends by a signal.
inline int ExitStatusAfter(pid_t pid, int signal, std::chrono::milliseconds limit) {
    kill(pid, signal);
    const bool ended = EndsWithin(pid, limit);
    if (!ended) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !ended || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}


}  // namespace zandrel::test_support
