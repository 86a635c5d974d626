// A NanoVNA of the tests' own on a pseudo-terminal: a thread that speaks the device's text shell
// (echo, the "ch> " prompt, info, scan with mask 3, sweep, frequencies and data 0), serving the
// S11 it is given, and misbehaving on request as a real serial line may.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zandrel::test_support {

// How the device misbehaves; the faults that concern a sweep strike at point AfterPoints.
enum class VnaFault {
    None,
    Silence,      // never answers anything
    Usage,        // answers scan with a usage: line
    Garbled,      // a line that is no numbers
    ShortLine,    // a line of two numbers
    NonFinite,    // a line with nan in it
    Binary,       // answers in binary, first byte '2', as a V2 or a LiteVNA
    FewerPoints,  // the prompt after AfterPoints points
    Disconnect,   // the line closes after AfterPoints points
};

struct ServedPoint {
    double Hz;
    std::complex<double> S11;
};

class FakeNanoVna {
  public:
    using Reflection = std::function<std::complex<double>(double hz)>;

    explicit FakeNanoVna(Reflection s11, VnaFault fault = VnaFault::None, int afterPoints = 0)
        : s11_(std::move(s11)), fault_(fault), afterPoints_(afterPoints) {
        if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0 ||
            pipe2(stop_, O_CLOEXEC) != 0) {
            throw std::runtime_error("no pseudo-terminal for the test device");
        }
        fcntl(master_, F_SETFD, FD_CLOEXEC);  // a program the test starts holds no end of it
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        path_ = ttyname(slave_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeNanoVna() {
        [[maybe_unused]] const ssize_t ignored = write(stop_[1], "s", 1);
        thread_.join();
        for (const int descriptor : {master_, slave_, stop_[0], stop_[1]}) {
            if (descriptor >= 0) {
                close(descriptor);
            }
        }
    }
    FakeNanoVna(const FakeNanoVna&) = delete;
    FakeNanoVna& operator=(const FakeNanoVna&) = delete;

    const std::string& Path() const { return path_; }

    // The points the device sent, as the numbers its lines hold.
    std::vector<ServedPoint> Served() {
        const std::lock_guard lock(mutex_);
        return served_;
    }
    // The command lines it was sent, the empty one included.
    std::vector<std::string> Commands() {
        const std::lock_guard lock(mutex_);
        return commands_;
    }
    // Whether `count` command lines arrive within `limit`.
    bool WaitForCommands(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [&] { return commands_.size() >= count; });
    }

  private:
    static std::string Text(double value) {
        char buffer[32];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    }

    void Send(const std::string& bytes) {
        if (master_ >= 0 && fault_ != VnaFault::Silence) {
            [[maybe_unused]] const ssize_t ignored = write(master_, bytes.data(), bytes.size());
        }
    }

    void Serve() {
        std::string line;
        for (;;) {
            pollfd waits[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(waits, 2, -1) < 0 || (waits[1].revents & POLLIN) != 0) {
                return;
            }
            char buffer[256];
            const ssize_t got = read(master_, buffer, sizeof buffer);
            if (got <= 0) {
                continue;
            }
            for (ssize_t i = 0; i < got && master_ >= 0; ++i) {
                if (buffer[i] != '\r') {
                    line += buffer[i];
                    continue;
                }
                {
                    const std::lock_guard lock(mutex_);
                    commands_.push_back(line);
                }
                arrived_.notify_all();
                Answer(line);
                line.clear();
            }
        }
    }

    void Answer(const std::string& command) {
        if (fault_ == VnaFault::Binary) {
            Send(std::string("2\x01\xff", 3));
            return;
        }
        std::istringstream words(command);
        std::string name;
        words >> name;
        std::string reply = command + "\r\n";
        if (name == "info") {
            reply += "Board: zandrel2 test device\r\nVersion: 1.0-test\r\n";
        } else if (name == "scan" || name == "sweep") {
            long long start = 0, stop = 0, points = 0, mask = 0;
            words >> start >> stop >> points >> mask;
            if (fault_ == VnaFault::Usage || points < 1 || points > 101) {
                Send(reply + "usage: " + name +
                     " {start(Hz)} {stop(Hz)} [points] [outmask]\r\nch> ");
                return;
            }
            sweep_.clear();
            for (long long i = 0; i < points; ++i) {
                const double hz = static_cast<double>(
                    start + (points > 1 ? (stop - start) * i / (points - 1) : 0));
                sweep_.push_back({hz, s11_(hz)});
            }
            if (name == "scan" && mask == 3) {
                Send(reply);
                Points(true, true);
                return;
            }
        } else if (name == "frequencies" || name == "data") {
            Send(reply);
            Points(name == "frequencies", name == "data");
            return;
        } else if (!name.empty()) {
            reply += name + "?\r\n";
        }
        Send(reply + "ch> ");
    }

    // Sends the last sweep's points, each line as the mask asks, then the prompt.
    void Points(bool frequency, bool s11) {
        for (std::size_t i = 0; i < sweep_.size(); ++i) {
            const ServedPoint& point = sweep_[i];
            std::string text = frequency ? Text(point.Hz) : "";
            if (s11) {
                text += (text.empty() ? "" : " ") + Text(point.S11.real()) + " " +
                        Text(point.S11.imag());
            }
            if (static_cast<int>(i) == afterPoints_) {
                switch (fault_) {
                    case VnaFault::Garbled:
                        text = "1#7 ok \x1b[0m";
                        break;
                    case VnaFault::ShortLine:
                        text = Text(point.Hz) + " 0.25";
                        break;
                    case VnaFault::NonFinite:
                        text = Text(point.Hz) + " nan 0.25";
                        break;
                    case VnaFault::FewerPoints:
                        Send("ch> ");
                        return;
                    case VnaFault::Disconnect:
                        close(master_);
                        master_ = -1;
                        return;
                    default:
                        break;
                }
            }
            Send(text + "\r\n");
            if (frequency && s11) {
                const std::lock_guard lock(mutex_);
                served_.push_back(point);
            }
        }
        Send("ch> ");
    }

    Reflection s11_;
    VnaFault fault_;
    int afterPoints_;
    int master_ = -1;
    int slave_ = -1;
    int stop_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ServedPoint> served_;
    std::vector<std::string> commands_;
    std::vector<ServedPoint> sweep_;
};

}  // namespace zandrel::test_support
