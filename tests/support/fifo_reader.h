// A program on the reading side of a FIFO, for tests that write into one: it holds the FIFO
// open from the start and reads on another thread until the writer closes it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>

namespace zandrel::test_support {

class FifoReader {
  public:
    // Opens `fifo` for reading; reads at most `most` bytes, then closes it. Ends with what it
    // has after `limit` when no writer closes the FIFO, so that a test never waits for ever.
    explicit FifoReader(const std::string& fifo, std::size_t most = std::string::npos,
                        std::chrono::seconds limit = std::chrono::seconds(60))
        : descriptor_(open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)),
          read_(std::async(std::launch::async, [this, most, limit] { return Read(most, limit); })) {
    }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;
    ~FifoReader() {
        if (read_.valid()) {
            read_.wait();
        }
    }

    bool IsOpen() const { return descriptor_ >= 0; }

    // Everything it read, once the writer has closed the FIFO (or the limit has passed).
    std::string Received() { return read_.get(); }

  private:
    std::string Read(std::size_t most, std::chrono::seconds limit) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (descriptor_ >= 0 && got.size() < most) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd waiting{descriptor_, POLLIN, 0};
            // Until a writer has opened the FIFO, poll waits; once it has closed it, POLLHUP.
            if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) == 0) {
                break;
            }
            char buffer[4096];
            const ssize_t count =
                read(descriptor_, buffer, std::min(sizeof buffer, most - got.size()));
            if (count > 0) {
                got.append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
        return got;
    }

    int descriptor_;
    std::future<std::string> read_;
};

}  // namespace zandrel::test_support
