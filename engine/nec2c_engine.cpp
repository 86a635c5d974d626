#include "nec2c_engine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "model_error.h"

namespace zandrel {

namespace {

namespace fs = std::filesystem;

constexpr int QuotedMessageLines = 3;

// A private folder under the temporary folder, removed with everything in it.
class PrivateFolder {
  public:
    PrivateFolder() {
        const std::string temporary = EngineTemporaryFolder();
        std::string pattern = (fs::path(temporary) / "zandrel2-nec2c-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw ModelError(ModelErrorKind::DeckNotWritten,
                             "no private temporary folder could be made in " + temporary + ": " +
                                 std::strerror(errno));
        }
        path_ = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// At most `most` bytes of the file, read a piece at a time: a run's few hundred KB do not cost
// the limit's 16 MB of memory.
std::string ReadStart(const fs::path& path, std::uintmax_t most) {
    std::ifstream file(path, std::ios::binary);
    std::string text;
    std::array<char, 65536> piece{};
    const auto pieceSize = static_cast<std::streamsize>(piece.size());
    for (auto left = static_cast<std::streamsize>(most); file && left > 0; left -= file.gcount()) {
        file.read(piece.data(), std::min(left, pieceSize));
        text.append(piece.data(), static_cast<std::size_t>(file.gcount()));
    }
    return text;
}

std::string InWords(std::chrono::milliseconds time) {
    const auto ms = time.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string InWords(std::uintmax_t bytes) {
    constexpr std::uintmax_t KB = 1024;
    if (bytes % (KB * KB) == 0) {
        return std::to_string(bytes / (KB * KB)) + " MB";
    }
    return bytes % KB == 0 ? std::to_string(bytes / KB) + " KB" : std::to_string(bytes) + " bytes";
}

// The engine's file on the PATH, as the shell would find it; empty when it is not there.
std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        struct stat status {};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

int Milliseconds(std::chrono::steady_clock::duration duration) {
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()));
}

enum class Ending { Ended, TimedOut, Stopped };

// How the wait for the child ended: it ended, the deadline passed or the run was stopped. The
// child is left to be reaped, so that its process group cannot yet be another's.
Ending WaitForEnd(pid_t child, std::chrono::steady_clock::time_point deadline,
                  const EngineStop* stop) {
    const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (descriptor >= 0) {
        // A negative descriptor is left out of the poll.
        pollfd ready[2] = {{descriptor, POLLIN, 0},
                           {stop != nullptr ? stop->Descriptor() : -1, POLLIN, 0}};
        int polled = 0;
        do {
            polled = poll(ready, 2, Milliseconds(deadline - std::chrono::steady_clock::now()));
        } while (polled < 0 && errno == EINTR);
        close(descriptor);
        if (polled == 0) {
            return Ending::TimedOut;
        }
        // The child's end counts when both came together.
        return ready[0].revents == 0 && ready[1].revents != 0 ? Ending::Stopped : Ending::Ended;
    }
    // A kernel without process descriptors: look again every few milliseconds.
    while (true) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 &&
            errno != EINTR) {
            return Ending::Ended;
        }
        if (info.si_pid == child) {
            return Ending::Ended;
        }
        if (stop != nullptr && stop->Stopped()) {
            return Ending::Stopped;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Ending::TimedOut;
        }
        const timespec pause{0, 5'000'000};
        nanosleep(&pause, nullptr);
    }
}

ModelError StoppedError() {
    return ModelError(ModelErrorKind::EngineFailed, "the nec2c run was stopped");
}

// Stops whatever is left of the child's process group and reaps the child: its wait status.
int Reap(pid_t child) {
    kill(-child, SIGKILL);
    kill(child, SIGKILL);  // in case it had not yet made its group
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Puts back the default action of every signal this program catches, in a child that has not
// yet started nec2c, so that no handler of this program runs in it.
void DefaultSignalActions() {
    struct sigaction action {};
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN &&
            action.sa_handler != SIG_DFL) {
            action.sa_handler = SIG_DFL;
            action.sa_flags = 0;
            sigaction(signal, &action, nullptr);
        }
    }
}

// Starts the engine in `folder`, in a process group of its own that dies with this thread, its
// input from /dev/null, its standard output and errors into `messages`, its files capped in size
// and no core dump. The child borrows this process's memory until it execs (vfork): copying the
// page tables of a program that maps Qt cost more than a tenth of --model's own time. So it makes
// only the kernel's calls, and every signal waits until its actions are the defaults again.
pid_t Start(const std::string& engine, std::vector<char*>& arguments, const std::string& folder,
            const std::string& messages, std::uintmax_t outputBytes) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c could not be started: " + std::string(std::strerror(errno)));
    }
    const pid_t parent = getpid();
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t child = vfork();
    if (child == 0) {
        DefaultSignalActions();
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        close(report[0]);
        PrepareEngineProcess(parent, outputBytes);
        const int input = open("/dev/null", O_RDONLY);
        const int output = open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (input >= 0 && output >= 0 && chdir(folder.c_str()) == 0 &&
            dup2(input, STDIN_FILENO) >= 0 && dup2(output, STDOUT_FILENO) >= 0 &&
            dup2(output, STDERR_FILENO) >= 0) {
            execv(engine.c_str(), arguments.data());
        }
        const int error = errno;
        [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
        _exit(127);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c could not be started: " + std::string(std::strerror(forkError)));
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error)) {
        int ignored = 0;
        waitpid(child, &ignored, 0);
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c could not be started: " + std::string(std::strerror(error)));
    }
    return child;
}

}  // namespace

std::string FindEngine() {
    std::string engine = FindOnPath("nec2c");
    if (engine.empty()) {
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c was not found on the PATH; install the Debian package nec2c");
    }
    return engine;
}

std::string EngineTemporaryFolder() {
    const char* variable = std::getenv("TMPDIR");
    const bool fromVariable = variable != nullptr && *variable != '\0';
    const std::string folder = fromVariable ? variable : "/tmp";
    const std::string named = "the temporary folder " + folder + (fromVariable ? " (TMPDIR)" : "");
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) {
        throw ModelError(
            ModelErrorKind::DeckNotWritten,
            named + (errno == ENOENT ? " does not exist"
                                     : " cannot be used: " + std::string(std::strerror(errno))));
    }
    if (!S_ISDIR(status.st_mode)) {
        throw ModelError(ModelErrorKind::DeckNotWritten, named + " is not a folder");
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        throw ModelError(ModelErrorKind::DeckNotWritten, named + " cannot be written");
    }
    return folder;
}

void PrepareEngineProcess(pid_t parent, std::uintmax_t outputBytes) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
    const rlimit files{outputBytes + 1, outputBytes + 1};
    setrlimit(RLIMIT_FSIZE, &files);
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
}

ModelError EngineFailure(std::string_view output, std::string_view messages, bool exited) {
    std::string rejection = GeometryRejection(output);
    if (rejection.empty()) {
        rejection = GeometryRejection(messages);
    }
    if (exited && !rejection.empty()) {
        return ModelError(ModelErrorKind::NotModellable, "nec2c said: " + rejection);
    }
    std::string words = LastWords(output);
    const std::string lastMessages = LastWords(messages, QuotedMessageLines);
    if (!lastMessages.empty()) {
        words += (words.empty() ? "" : "\n") + lastMessages;
    }
    if (!exited) {
        words += (words.empty() ? "" : "\n") + std::string("nec2c stopped abnormally");
    }
    return ModelError(ModelErrorKind::EngineFailed,
                      "nec2c said: " + (words.empty() ? "nothing" : words));
}

EngineStop::EngineStop() : event_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

EngineStop::~EngineStop() {
    if (event_ >= 0) {
        close(event_);
    }
}

void EngineStop::Stop() {
    stopped_.store(true);
    if (event_ >= 0) {
        // Never read: the descriptor stays readable for every run that waits on it.
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(event_, &one, sizeof one);
    }
}

NecOutput RunDeckInNec2c(const std::string& deck, const EngineLimits& limits,
                         const EngineStop* stop) {
    return ParseNecOutput(RunDeckForItsOutput(deck, limits, stop));
}

std::string RunDeckForItsOutput(const std::string& deck, const EngineLimits& limits,
                                const EngineStop* stop) {
    if (stop != nullptr && stop->Stopped()) {
        throw StoppedError();
    }
    const std::string engine = FindEngine();
    const PrivateFolder folder;
    const fs::path output = folder.Path() / EngineOutputFile;
    const fs::path messages = folder.Path() / "messages.txt";
    const std::string input = (folder.Path() / EngineDeckFile).string();
    {
        std::ofstream file(input, std::ios::binary);
        if (!file || !file.write(deck.data(), static_cast<std::streamsize>(deck.size())) ||
            !file.flush()) {
            throw ModelError(ModelErrorKind::DeckNotWritten, input);
        }
    }

    // nec2c refuses long file names: it runs in the folder and is given the files' own names.
    std::string program = engine;
    std::string inputFlag = "-i";
    std::string inputName = EngineDeckFile;
    std::string outputFlag = "-o";
    std::string outputName = EngineOutputFile;
    std::vector<char*> arguments{program.data(),    inputFlag.data(),  inputName.data(),
                                 outputFlag.data(), outputName.data(), nullptr};
    const auto started = std::chrono::steady_clock::now();
    const pid_t child =
        Start(engine, arguments, folder.Path().string(), messages.string(), limits.OutputBytes);
    const Ending ending = WaitForEnd(child, started + limits.Time, stop);
    const int status = Reap(child);
    if (ending == Ending::Stopped) {
        throw StoppedError();
    }
    if (ending == Ending::TimedOut) {
        throw ModelError(ModelErrorKind::EngineFailed,
                         "nec2c did not finish within " + InWords(limits.Time) +
                             " and was stopped");
    }

    // The files are measured before they are read: a flood is refused, not read into memory.
    const bool stoppedForSize = WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
    std::error_code sizeError;
    std::error_code messagesError;
    const std::uintmax_t size = fs::file_size(output, sizeError);
    const std::uintmax_t messagesSize = fs::file_size(messages, messagesError);
    if (!messagesError && messagesSize > limits.ErrorBytes) {
        throw ModelError(ModelErrorKind::OutputUnreadable,
                         "nec2c wrote more than " + InWords(limits.ErrorBytes) + " of errors" +
                             (stoppedForSize ? " and was stopped" : ""));
    }
    if ((!sizeError && size > limits.OutputBytes) || stoppedForSize) {
        throw ModelError(ModelErrorKind::OutputUnreadable,
                         "nec2c wrote more than " + InWords(limits.OutputBytes) +
                             " of output (a real run writes about 300 KB) and was stopped");
    }
    const std::string text = sizeError ? std::string() : ReadStart(output, limits.OutputBytes);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw EngineFailure(text, ReadStart(messages, limits.ErrorBytes), WIFEXITED(status));
    }
    return text;
}

}  // namespace zandrel
