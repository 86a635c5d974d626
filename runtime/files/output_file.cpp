#include "output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

#include "file_error.h"
#include "file_names.h"

namespace zandrel {

namespace {

std::string ReasonOf(int error) { return std::generic_category().message(error); }

constexpr const char* NobodyReading = "nobody is reading it (a FIFO)";
// How often a wait for a FIFO's reader tries again to open it.
constexpr int ReaderRetryMs = 50;
// The most links followed to the file a path names, as the system's own limit.
constexpr int MostLinks = 40;

// Readable once InterruptReaderWaits() was called; made before main, so that a signal handler
// only writes to it.
const int readerWaitsInterrupted = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

bool ReaderWaitsInterrupted() {
    pollfd event{readerWaitsInterrupted, POLLIN, 0};
    return readerWaitsInterrupted >= 0 && poll(&event, 1, 0) == 1;
}

// Before anything was written. The name is said as a message may show it.
[[noreturn]] void Refuse(const std::string& name, const std::string& reason) {
    throw FileError(FileErrorKind::NotWritable, ShownName(name) + " cannot be written: " + reason,
                    reason);
}

// After writing began.
[[noreturn]] void Fail(const std::string& name, const std::string& reason) {
    throw FileError(FileErrorKind::NotWritable,
                    ShownName(name) + " could not be written: " + reason, reason);
}

// Writes all of `bytes`; 0, or the errno of the write that failed. SIGPIPE is held back while
// writing, so that a reader that went away gives EPIPE.
int WriteAll(int descriptor, std::string_view bytes) {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previousMask;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    sigset_t pending;
    sigpending(&pending);
    const bool pipeWasPending = sigismember(&pending, SIGPIPE) == 1;

    int error = 0;
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error = written < 0 ? errno : EIO;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (error == EPIPE && !pipeWasPending) {
        // Take back the SIGPIPE this write raised, so it is not delivered once unblocked.
        const timespec now{};
        while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    return error;
}

// A descriptor that is closed when it goes out of use.
class OpenFile {
  public:
    explicit OpenFile(int descriptor) : descriptor_(descriptor) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }

    int Descriptor() const { return descriptor_; }
    // Closes it; 0, or the errno of close.
    int Close() {
        const int result = close(descriptor_);
        descriptor_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int descriptor_;
};

// The file that `path` names, through every link, whether or not that file exists: a link that
// leads nowhere leads to the file the shell's `>` would make. Refuses a loop of links.
std::string FinalPath(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops <= MostLinks; ++hops) {
        struct stat link {};
        if (lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            return current;
        }
        std::string target(static_cast<std::size_t>(link.st_size) + 1, '\0');
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            Refuse(path, ReasonOf(length < 0 ? errno : ENAMETOOLONG));
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.front() != '/') {
            const std::size_t slash = current.rfind('/');
            target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) +
                     target;
        }
        current = target;
    }
    Refuse(path, ReasonOf(ELOOP));
}

// The folder that holds `path`: "." for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode a new file takes over from the one it replaces: setuid and setgid only from a file
// that this process's user (and, for setgid, group) owns, since the new file is its.
mode_t InheritedMode(const struct stat& replaced) {
    mode_t mode = replaced.st_mode & 07777;
    if (replaced.st_uid != geteuid()) {
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    if (replaced.st_gid != getegid()) {
        mode &= ~static_cast<mode_t>(S_ISGID);
    }
    return mode;
}

// A new file beside `path` that only this call has opened, created with `mode` less the umask.
std::pair<std::string, int> CreateTemporaryBeside(const std::string& path, mode_t mode) {
    static constexpr std::string_view Letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, Letters.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".";
        for (int i = 0; i < 6; ++i) {
            name += Letters[pick(entropy)];
        }
        const int descriptor =
            open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (descriptor >= 0 || errno != EEXIST) {
            return {name, descriptor};
        }
    }
    errno = EEXIST;
    return {std::string(), -1};
}

void ReplaceWhole(const std::string& path, std::string_view bytes,
                  const std::optional<mode_t>& existingMode) {
    const std::string final = FinalPath(path);
    if (final.empty() || final.back() == '/') {
        Refuse(path, ReasonOf(EISDIR));
    }
    if (existingMode && access(final.c_str(), W_OK) != 0) {
        Refuse(path, ReasonOf(errno));
    }
    const auto created = CreateTemporaryBeside(final, existingMode ? *existingMode : 0666);
    const std::string& temporary = created.first;
    const int descriptor = created.second;
    if (descriptor < 0) {
        Refuse(path, ReasonOf(errno));
    }
    OpenFile file(descriptor);
    auto failWith = [&temporary](const std::string& name, int error) {
        unlink(temporary.c_str());
        Fail(name, ReasonOf(error));
    };
    if (const int error = WriteAll(descriptor, bytes); error != 0) {
        failWith(path, error);
    }
    if (fsync(descriptor) != 0) {
        failWith(path, errno);
    }
    if (existingMode && fchmod(descriptor, *existingMode) != 0) {
        failWith(path, errno);
    }
    if (const int error = file.Close(); error != 0) {
        failWith(path, error);
    }
    if (rename(temporary.c_str(), final.c_str()) != 0) {
        failWith(path, errno);
    }
}

// Opens the FIFO or device `path` for writing. A FIFO that nobody reads is refused or, as `wait`
// says, waited for until a reader comes or the waits are interrupted; a signal ends the wait.
int OpenForWriting(const std::string& path, ReaderWait wait, const std::function<void()>& waiting) {
    bool told = false;
    while (true) {
        const int descriptor = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (descriptor >= 0) {
            // Written to as a blocking file from now on: the reader sets the pace.
            const int flags = fcntl(descriptor, F_GETFL);
            if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                const int error = errno;
                close(descriptor);
                Refuse(path, ReasonOf(error));
            }
            return descriptor;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != ENXIO) {
            Refuse(path, ReasonOf(errno));
        }
        if (wait == ReaderWait::Refuse) {
            Refuse(path, NobodyReading);
        }
        if (!told && waiting) {
            waiting();
        }
        told = true;
        // Nobody reads it yet: look again shortly, unless the waits are interrupted first.
        pollfd interrupted{readerWaitsInterrupted, POLLIN, 0};
        if (readerWaitsInterrupted >= 0 && poll(&interrupted, 1, ReaderRetryMs) == 1) {
            throw FileError(
                FileErrorKind::ReaderWaitInterrupted,
                ShownName(path) + " was not written: the wait for a reader was interrupted",
                "the wait for a reader was interrupted");
        }
    }
}

}  // namespace

void WriteOutputFile(const std::string& path, std::string_view bytes, ReaderWait wait,
                     const std::function<void()>& waiting) {
    if (wait == ReaderWait::Wait && ReaderWaitsInterrupted()) {
        throw FileError(FileErrorKind::ReaderWaitInterrupted,
                        ShownName(path) + " was not written: the program was asked to end",
                        "the program was asked to end");
    }
    struct stat target {};
    const bool exists = stat(path.c_str(), &target) == 0;
    if (!exists || S_ISREG(target.st_mode)) {
        ReplaceWhole(path, bytes,
                     exists ? std::optional<mode_t>(InheritedMode(target)) : std::nullopt);
        return;
    }
    if (S_ISDIR(target.st_mode)) {
        Refuse(path, ReasonOf(EISDIR));
    }
    if (S_ISSOCK(target.st_mode)) {
        Refuse(path, "Is a socket, not a file");
    }
    // A FIFO or a device: written to as it is. Its owner decides who may write to it.
    OpenFile file(OpenForWriting(path, wait, waiting));
    struct stat opened {};
    if (fstat(file.Descriptor(), &opened) == 0 && S_ISREG(opened.st_mode)) {
        // Replaced by a regular file since it was looked at: that one is replaced whole.
        file.Close();
        ReplaceWhole(path, bytes, std::optional<mode_t>(InheritedMode(opened)));
        return;
    }
    if (const int error = WriteAll(file.Descriptor(), bytes); error != 0) {
        Fail(path, ReasonOf(error));
    }
    if (const int error = file.Close(); error != 0) {
        Fail(path, ReasonOf(error));
    }
}

void CheckOutputPath(const std::string& path) {
    struct stat target {};
    if (stat(path.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode)) {
            Refuse(path, ReasonOf(EISDIR));
        }
        if (S_ISSOCK(target.st_mode)) {
            Refuse(path, "Is a socket, not a file");
        }
        if (access(path.c_str(), W_OK) != 0) {
            Refuse(path, ReasonOf(errno));
        }
        if (!S_ISREG(target.st_mode)) {
            return;  // a FIFO or a device is written to as it is
        }
    }
    // A new or replaced file is made in the folder of the file the path names.
    const std::string final = FinalPath(path);
    if (final.empty() || final.back() == '/') {
        Refuse(path, ReasonOf(EISDIR));
    }
    const std::string folder = FolderOf(final);
    struct stat holder {};
    if (stat(folder.c_str(), &holder) != 0) {
        Refuse(path, ReasonOf(errno));
    }
    if (!S_ISDIR(holder.st_mode)) {
        Refuse(path, ReasonOf(ENOTDIR));
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        Refuse(path, ReasonOf(errno));
    }
}

void InterruptReaderWaits() noexcept {
    if (readerWaitsInterrupted >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(readerWaitsInterrupted, &one, sizeof one);
    }
}

void WriteToDescriptor(int descriptor, std::string_view bytes, const std::string& name) {
    if (const int error = WriteAll(descriptor, bytes); error != 0) {
        Fail(name, ReasonOf(error));
    }
}

}  // namespace zandrel
