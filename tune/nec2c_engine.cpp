#include "nec2c_engine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "model_error.h"

extern char** environ;

namespace zandrel {

namespace {

namespace fs = std::filesystem;

// A private folder under the temporary directory, removed with everything in it.
class PrivateFolder {
  public:
    PrivateFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "zandrel2-nec2c-XXXXXX").string();
        if (error || mkdtemp(pattern.data()) == nullptr) {
            throw ModelError(
                ModelErrorKind::DeckNotWritten,
                "no private temporary folder could be made: " + std::string(std::strerror(errno)));
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

std::string ReadWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    posix_spawn_file_actions_t* Get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
};

int Milliseconds(std::chrono::steady_clock::duration duration) {
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()));
}

// Waits for the child to end, at most until the deadline; its wait status, or nothing when the
// deadline passed first.
std::optional<int> WaitUntil(pid_t child, std::chrono::steady_clock::time_point deadline) {
    const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (descriptor >= 0) {
        pollfd ready{descriptor, POLLIN, 0};
        int polled = 0;
        do {
            polled = poll(&ready, 1, Milliseconds(deadline - std::chrono::steady_clock::now()));
        } while (polled < 0 && errno == EINTR);
        close(descriptor);
        if (polled == 0) {
            return std::nullopt;
        }
    } else {
        // A kernel without process descriptors: look again every few milliseconds.
        while (true) {
            int status = 0;
            const pid_t ended = waitpid(child, &status, WNOHANG);
            if (ended == child) {
                return status;
            }
            if (ended < 0 && errno != EINTR) {
                return -1;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            const timespec pause{0, 5'000'000};
            nanosleep(&pause, nullptr);
        }
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string Seconds(std::chrono::milliseconds duration) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(duration.count() % 1000 == 0 ? 0 : 1)
         << static_cast<double>(duration.count()) / 1000.0 << " s";
    return text.str();
}

}  // namespace

NecOutput RunDeckInNec2c(const std::string& deck, std::chrono::milliseconds limit) {
    const PrivateFolder folder;
    const std::string input = (folder.Path() / "deck.nec").string();
    const std::string output = (folder.Path() / "deck.out").string();
    const std::string messages = (folder.Path() / "messages.txt").string();
    {
        std::ofstream file(input, std::ios::binary);
        if (!file || !file.write(deck.data(), static_cast<std::streamsize>(deck.size())) ||
            !file.flush()) {
            throw ModelError(ModelErrorKind::DeckNotWritten, input);
        }
    }

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.Get(), STDOUT_FILENO, messages.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(actions.Get(), STDOUT_FILENO, STDERR_FILENO);
    std::string program = "nec2c";
    std::string inputFlag = "-i";
    std::string outputFlag = "-o";
    std::string inputPath = input;
    std::string outputPath = output;
    std::vector<char*> arguments{program.data(),    inputFlag.data(),  inputPath.data(),
                                 outputFlag.data(), outputPath.data(), nullptr};
    pid_t child = 0;
    const auto started = std::chrono::steady_clock::now();
    const int spawned =
        posix_spawnp(&child, program.c_str(), actions.Get(), nullptr, arguments.data(), environ);
    if (spawned != 0) {
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c could not be started: " + std::string(std::strerror(spawned)));
    }
    const std::optional<int> status = WaitUntil(child, started + limit);
    if (!status) {
        kill(child, SIGKILL);
        int ignored = 0;
        while (waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
        }
        throw ModelError(ModelErrorKind::EngineFailed,
                         "nec2c was stopped after running for " + Seconds(limit));
    }
    const std::string text = ReadWhole(output);
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        std::string words = LastWords(text);
        std::string said = ReadWhole(messages);
        while (!said.empty() && (said.back() == '\n' || said.back() == ' ')) {
            said.pop_back();
        }
        if (!said.empty()) {
            words += (words.empty() ? "" : "\n") + said;
        }
        if (!WIFEXITED(*status)) {
            words += (words.empty() ? "" : "\n") + std::string("nec2c stopped abnormally");
        }
        throw ModelError(ModelErrorKind::EngineFailed,
                         "nec2c said: " + (words.empty() ? "nothing" : words));
    }
    return ParseNecOutput(text);
}

DeckEvaluator Nec2cEvaluator(std::chrono::milliseconds limit) {
    return [limit](const std::string& deck) { return RunDeckInNec2c(deck, limit); };
}

}  // namespace zandrel
