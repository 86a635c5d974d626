// zandrel2-dims's output files as a user names them: a FIFO that nobody reads waits for its
// reader until a signal ends the wait, and a path that cannot be written is refused before any
// work in nec2c. The nec2c here replays recorded outputs.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_line.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunCommandLineWithStderr;

using TemporaryFolder = zandrel::test_support::ScratchFolder;

// zandrel2-dims started through the shell with the recorded nec2c and TMPDIR `runs`, its stderr
// read here; killed and reaped if the test leaves it running.
class RunningDims {
  public:
    RunningDims(const std::vector<std::string>& arguments, const fs::path& runs)
        : pipe_(popen(("echo $$; XDG_RUNTIME_DIR='" + runs.parent_path().string() + "' TMPDIR='" +
                       runs.string() + "' PATH='" ZANDREL2_RECORDED_NEC2C ":/usr/bin:/bin' exec " +
                       DimsCommand(arguments) + " 2>&1 >/dev/null")
                          .c_str(),
                      "r")) {
        // The shell's first line is its process id, which zandrel2-dims takes over.
        const std::string first = pipe_ != nullptr ? ReadUntil("\n", std::chrono::seconds(10)) : "";
        if (first.find('\n') == std::string::npos) {
            throw std::runtime_error("zandrel2-dims did not start");
        }
        pid_ = std::stoi(first);
        said_.erase(0, first.find('\n') + 1);
    }
    RunningDims(const RunningDims&) = delete;
    RunningDims& operator=(const RunningDims&) = delete;
    ~RunningDims() {
        if (pipe_ != nullptr) {
            kill(pid_, SIGKILL);
            pclose(pipe_);
        }
    }

    // Reads its stderr until it holds `words` or `limit` passes; what it read.
    std::string ReadUntil(const std::string& words, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        pollfd ready{fileno(pipe_), POLLIN, 0};
        char buffer[512];
        while (said_.find(words) == std::string::npos &&
               poll(&ready, 1, Milliseconds(deadline - std::chrono::steady_clock::now())) == 1) {
            const ssize_t count = read(ready.fd, buffer, sizeof buffer);
            if (count <= 0) {
                break;
            }
            said_.append(buffer, static_cast<std::size_t>(count));
        }
        return said_;
    }

    void Send(int signal) const { kill(pid_, signal); }

    // Its exit status once it ends within `limit`, else -1.
    int WaitForEnd(std::chrono::milliseconds limit) {
        const int process = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        pollfd ended{process, POLLIN, 0};
        const bool done = process >= 0 && poll(&ended, 1, Milliseconds(limit)) == 1;
        close(process);
        if (!done) {
            return -1;
        }
        const int status = pclose(pipe_);
        pipe_ = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    static int Milliseconds(std::chrono::steady_clock::duration left) {
        return static_cast<int>(
            std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
    }

    FILE* pipe_;
    pid_t pid_ = -1;
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
