#include "serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vna_error.h"

namespace zandrel {

namespace {

std::string Seconds(std::chrono::milliseconds time) {
    const long long ms = time.count();
    return ms % 1000 == 0
               ? std::to_string(ms / 1000) + " s"
               : std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

// Why a port could not be opened, in a builder's words, with Linux's usual causes.
std::string OpenFailure(const std::string& path, int error) {
    const std::string said = path + ": " + std::strerror(error);
    switch (error) {
        case EACCES:
        case EPERM:
            return said +
                   ": you may not be in the dialout group (sudo adduser $USER dialout, then log "
                   "in again)";
        case EBUSY:
        case EWOULDBLOCK:
            return said +
                   ": another program holds the port; ModemManager often does for a while after "
                   "the device is plugged in (sudo systemctl stop ModemManager)";
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return said + ": is the NanoVNA plugged in and switched on? (--vna auto finds it)";
        default:
            return said;
    }
}

}  // namespace

LineStop::LineStop() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
    }
}

LineStop::~LineStop() {
    for (const int end : pipe_) {
        if (end >= 0) {
            close(end);
        }
    }
}

void LineStop::Stop() noexcept {
    const char byte = 's';
    [[maybe_unused]] const ssize_t ignored = write(pipe_[1], &byte, 1);
}

bool LineStop::Stopped() const noexcept {
    pollfd stopped{pipe_[0], POLLIN, 0};
    return poll(&stopped, 1, 0) == 1;
}

SerialLine::SerialLine(const std::string& path, std::chrono::milliseconds timeout,
                       const LineStop* stop)
    : path_(path), timeout_(timeout), stop_(stop) {
    descriptor_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor_ < 0) {
        throw VnaError(VnaErrorKind::PortNotOpened, OpenFailure(path, errno));
    }
    const auto fail = [&](int error) {
        close(descriptor_);
        descriptor_ = -1;
        throw VnaError(VnaErrorKind::PortNotOpened, OpenFailure(path, error));
    };
    if (flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
        fail(errno);
    }
    if (isatty(descriptor_) == 0) {
        close(descriptor_);
        descriptor_ = -1;
        throw VnaError(VnaErrorKind::PortNotOpened, path + " is not a serial port");
    }
    if (tcgetattr(descriptor_, &saved_) != 0) {
        fail(errno);
    }
    termios raw = saved_;
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    if (tcsetattr(descriptor_, TCSANOW, &raw) != 0) {
        fail(errno);
    }
    restore_ = true;
}

SerialLine::~SerialLine() {
    if (descriptor_ >= 0) {
        if (restore_) {
            tcsetattr(descriptor_, TCSANOW, &saved_);
        }
        close(descriptor_);
    }
}

void SerialLine::Discard() { tcflush(descriptor_, TCIFLUSH); }

short SerialLine::WaitFor(short events, std::string_view expected) {
    pollfd waits[2] = {{descriptor_, events, 0}, {stop_ ? stop_->Descriptor() : -1, POLLIN, 0}};
    int ready = 0;
    while ((ready = poll(waits, 2, static_cast<int>(timeout_.count()))) < 0 && errno == EINTR) {
        if (stop_ != nullptr && stop_->Stopped()) {
            waits[1].revents = POLLIN;
            break;
        }
    }
    if ((waits[1].revents & POLLIN) != 0) {
        throw VnaError(VnaErrorKind::Stopped, "the measurement on " + path_ + " was stopped");
    }
    if (ready == 0) {
        throw VnaError(VnaErrorKind::NoAnswer, path_ + " sent nothing for " + Seconds(timeout_) +
                                                   " when " + std::string(expected) +
                                                   " was expected");
    }
    return waits[0].revents;
}

void SerialLine::Write(std::string_view text, std::string_view expected) {
    while (!text.empty()) {
        WaitFor(POLLOUT, expected);
        const ssize_t written = write(descriptor_, text.data(), text.size());
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            throw VnaError(VnaErrorKind::Disconnected, path_ + " could not be written to (" +
                                                           std::strerror(errno) + ") when " +
                                                           std::string(expected) + " was expected");
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string SerialLine::ReadSome(std::string_view expected, std::size_t most) {
    for (;;) {
        const short events = WaitFor(POLLIN, expected);
        std::string bytes(most, '\0');
        const ssize_t got = read(descriptor_, bytes.data(), most);
        if (got > 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return bytes;
        }
        // A terminal in raw mode reads nothing as 0 bytes; only a hang-up ends the line.
        const bool hungUp = (events & (POLLHUP | POLLERR)) != 0;
        if ((got < 0 && (errno == EAGAIN || errno == EINTR)) || (got == 0 && !hungUp)) {
            continue;
        }
        return {};  // the other end hung up, or EIO
    }
}

}  // namespace zandrel
