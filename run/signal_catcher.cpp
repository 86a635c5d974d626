#include "signal_catcher.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <stdexcept>

#include "output_file.h"

namespace zandrel {

namespace {

constexpr std::array<int, 3> EndingSignals{{SIGINT, SIGTERM, SIGHUP}};

// The pipe from the handler to the event loop: the handler only writes the signal's number, and
// ends any wait for a FIFO's reader.
int caughtPipe[2] = {-1, -1};
std::array<struct sigaction, EndingSignals.size()> earlier{};
std::array<bool, EndingSignals.size()> handled{};

extern "C" void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    InterruptReaderWaits();
    [[maybe_unused]] const ssize_t written = ::write(caughtPipe[1], &number, 1);
    errno = savedErrno;
}

}  // namespace

SignalCatcher::SignalCatcher(QObject* parent) : QObject(parent) {
    if (caughtPipe[0] >= 0) {
        throw std::logic_error("a signal catcher exists already");
    }
    if (::pipe2(caughtPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("no pipe for the signals");
    }
    notifier_ = std::make_unique<QSocketNotifier>(caughtPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        const bool first = caught_ == 0;
        ReadCaught();
        if (first && caught_ != 0) {
            emit SignalCaught(caught_);
        }
    });
    for (std::size_t i = 0; i < EndingSignals.size(); ++i) {
        ::sigaction(EndingSignals[i], nullptr, &earlier[i]);
        handled[i] = earlier[i].sa_handler != SIG_IGN;
        if (handled[i]) {
            struct sigaction action {};
            action.sa_handler = OnEndingSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            ::sigaction(EndingSignals[i], &action, nullptr);
        }
    }
}

SignalCatcher::~SignalCatcher() {
    for (std::size_t i = 0; i < EndingSignals.size(); ++i) {
        if (handled[i]) {
            ::sigaction(EndingSignals[i], &earlier[i], nullptr);
        }
    }
    notifier_.reset();
    ::close(caughtPipe[0]);
    ::close(caughtPipe[1]);
    caughtPipe[0] = caughtPipe[1] = -1;
}

int SignalCatcher::Caught() {
    ReadCaught();
    return caught_;
}

void SignalCatcher::ReadCaught() {
    unsigned char number = 0;
    while (::read(caughtPipe[0], &number, 1) == 1) {
        if (caught_ == 0) {
            caught_ = number;
        }
    }
}

}  // namespace zandrel
