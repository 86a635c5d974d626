// A serial port (or a pseudo-terminal) in raw mode, read with a time limit on every read and
// stoppable from another thread or a signal handler; its settings are restored when it closes.
#pragma once

#include <termios.h>

#include <chrono>
#include <string>
#include <string_view>

namespace zandrel {

// Stops reads and writes under way or to come, from any thread or a signal handler: each waits
// on its descriptor too.
class LineStop {
  public:
    LineStop();
    ~LineStop();
    LineStop(const LineStop&) = delete;
    LineStop& operator=(const LineStop&) = delete;

    void Stop() noexcept;  // async-signal-safe
    bool Stopped() const noexcept;
    int Descriptor() const noexcept { return pipe_[0]; }

  private:
    int pipe_[2] = {-1, -1};
};

class SerialLine {
  public:
    // Opens `path` for reading and writing, locked against other programs, raw at 115200 baud.
    // Raises VnaError(PortNotOpened) saying why, with Linux's usual causes.
    SerialLine(const std::string& path, std::chrono::milliseconds timeout,
               const LineStop* stop = nullptr);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    const std::string& Path() const { return path_; }
    std::chrono::milliseconds Timeout() const { return timeout_; }

    // Throws away what the device sent and nobody read.
    void Discard();

    // Writes all of `text`. Raises VnaError: Disconnected, NoAnswer or Stopped.
    void Write(std::string_view text, std::string_view expected);

    // Up to `most` bytes that arrive within the time limit, at least one; an empty string when
    // the line closed. Raises VnaError(NoAnswer) naming `expected`, or Stopped.
    std::string ReadSome(std::string_view expected, std::size_t most = 4096);

  private:
    // The port's events once one of `events` is ready; raises NoAnswer or Stopped.
    short WaitFor(short events, std::string_view expected);

    std::string path_;
    std::chrono::milliseconds timeout_;
    const LineStop* stop_;
    int descriptor_ = -1;
    termios saved_{};
    bool restore_ = false;
};

}  // namespace zandrel
