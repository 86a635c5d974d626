// zandrel2-dims's output files as a user names them: a FIFO that nobody reads waits for its
// reader until a signal ends the wait, and a path that cannot be written is refused before any
// work in nec2c. The nec2c here replays recorded outputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_line.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunCommandLineWithStderr;

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string name = (fs::temp_directory_path() / "zandrel2-output-test-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        path_ = name;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// zandrel2-dims started with the recorded nec2c, TMPDIR `runs` and its stderr in a pipe; killed
// and reaped if the test leaves it running.
class RunningDims {
  public:
    RunningDims(const std::vector<std::string>& arguments, const fs::path& runs) {
        int errors[2];
        if (pipe2(errors, O_CLOEXEC) != 0) {
            throw std::runtime_error("no pipe");
        }
        std::vector<std::string> words{ZANDREL2_DIMS};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environment{"PATH=" ZANDREL2_RECORDED_NEC2C ":/usr/bin:/bin",
                                             "TMPDIR=" + runs.string(),
                                             "XDG_RUNTIME_DIR=" + runs.parent_path().string()};
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(errors[1]);
        errors_ = errors[0];
        if (failed != 0) {
            close(errors_);
            throw std::runtime_error("zandrel2-dims did not start");
        }
    }
    RunningDims(const RunningDims&) = delete;
    RunningDims& operator=(const RunningDims&) = delete;
    ~RunningDims() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(errors_);
    }

    // Reads its stderr until it holds `words` or `limit` passes; what it read.
    std::string ReadUntil(const std::string& words, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (said_.find(words) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{errors_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[512];
            const ssize_t count = read(errors_, buffer, sizeof buffer);
            if (count <= 0) {
                break;
            }
            said_.append(buffer, static_cast<std::size_t>(count));
        }
        return said_;
    }

    void Send(int signal) const { kill(pid_, signal); }

    // Its exit status once it ends within `limit`; -1 if it does not, or a signal ended it.
    int WaitForEnd(std::chrono::milliseconds limit) {
        const int process = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        pollfd ended{process, POLLIN, 0};
        const bool done = process >= 0 && poll(&ended, 1, static_cast<int>(limit.count())) == 1;
        close(process);
        if (!done) {
            return -1;
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int errors_ = -1;
    std::string said_;
};

struct EndingSignal {
    int Signal;
    int Status;
};

class DimsOutputToAFifo : public testing::TestWithParam<EndingSignal> {};

TEST_P(DimsOutputToAFifo, WaitsForAReaderUntilASignalEndsItWithinASecondLeavingNothing) {
    const TemporaryFolder scratch;
    const fs::path fifo = scratch.Path() / "viewer";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path runs = scratch.Path() / "runs";
    fs::create_directory(runs);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--touchstone", "QuarterTurn", "137.50", "-o", fifo.string()},
          std::vector<std::string>{"--sheet", "QuarterTurn", "137.50", "-o", fifo.string()}}) {
        RunningDims dims(arguments, runs);
        const std::string waiting = "waiting for a program to read " + fifo.string();
        const std::string said = dims.ReadUntil(waiting, std::chrono::seconds(60));
        ASSERT_NE(said.find(waiting), std::string::npos) << arguments.front() << ": " << said;
        dims.Send(GetParam().Signal);
        EXPECT_EQ(dims.WaitForEnd(std::chrono::seconds(1)), GetParam().Status) << arguments.front();
        EXPECT_TRUE(fs::is_empty(runs)) << arguments.front();
        struct stat status {};
        ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
        EXPECT_TRUE(S_ISFIFO(status.st_mode)) << arguments.front();
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, DimsOutputToAFifo,
                         testing::Values(EndingSignal{SIGINT, 130}, EndingSignal{SIGTERM, 143}),
                         [](const testing::TestParamInfo<EndingSignal>& ending) {
                             return ending.param.Signal == SIGINT ? "Sigint" : "Sigterm";
                         });

TEST(DimsOutputPath, ThatCannotBeWrittenIsRefusedBeforeAnyWorkInNec2c) {
    const TemporaryFolder scratch;
    const std::string missing = (scratch.Path() / "missing" / "x").string();
    // No nec2c at all: a command that started its work would say that nec2c is missing.
    const std::string environment = "PATH=/nonexistent TMPDIR='" + scratch.Path().string() + "' ";
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--sheet", "--tuned", "QuarterTurn", "137.50", "-o",
                                   missing + ".pdf"},
          std::vector<std::string>{"--touchstone", "QuarterTurn", "137.50", "-o",
                                   missing + ".s1p"}}) {
        const auto result = RunCommandLineWithStderr(environment + DimsCommand(arguments));
        EXPECT_EQ(result.status, 1) << arguments.front();
        EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("cannot be written: No such file or directory"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find("nec2c"), std::string::npos) << result.err;
    }
}

}  // namespace
