#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

#include "file_error.h"

namespace zandrel {

namespace {

std::string ReasonOf(int error) { return std::generic_category().message(error); }

// Before anything was written.
[[noreturn]] void Refuse(const std::string& name, const std::string& reason) {
    throw FileError(FileErrorKind::NotWritable, name + " cannot be written: " + reason, reason);
}

// After writing began.
[[noreturn]] void Fail(const std::string& name, const std::string& reason) {
    throw FileError(FileErrorKind::NotWritable, name + " could not be written: " + reason, reason);
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

// Where a link leads, when `path` is a link to an existing file; else `path` itself.
std::string FinalPath(const std::string& path) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return path;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string target(resolved);
    std::free(resolved);
    return target;
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

}  // namespace

void WriteOutputFile(const std::string& path, std::string_view bytes) {
    struct stat target {};
    const bool exists = stat(path.c_str(), &target) == 0;
    if (!exists || S_ISREG(target.st_mode)) {
        ReplaceWhole(path, bytes,
                     exists ? std::optional<mode_t>(target.st_mode & 07777) : std::nullopt);
        return;
    }
    if (S_ISDIR(target.st_mode)) {
        Refuse(path, ReasonOf(EISDIR));
    }
    if (S_ISSOCK(target.st_mode)) {
        Refuse(path, "Is a socket, not a file");
    }
    // A FIFO or a device: written to as it is. Its owner decides who may write to it.
    OpenFile file(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (file.Descriptor() < 0) {
        Refuse(path, ReasonOf(errno));
    }
    struct stat opened {};
    if (fstat(file.Descriptor(), &opened) == 0 && S_ISREG(opened.st_mode)) {
        // Replaced by a regular file since it was looked at: that one is replaced whole.
        file.Close();
        ReplaceWhole(path, bytes, std::optional<mode_t>(opened.st_mode & 07777));
        return;
    }
    if (const int error = WriteAll(file.Descriptor(), bytes); error != 0) {
        Fail(path, ReasonOf(error));
    }
    if (const int error = file.Close(); error != 0) {
        Fail(path, ReasonOf(error));
    }
}

void WriteToDescriptor(int descriptor, std::string_view bytes, const std::string& name) {
    if (const int error = WriteAll(descriptor, bytes); error != 0) {
        Fail(name, ReasonOf(error));
    }
}

}  // namespace zandrel
