// Catches the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP) while it lives, so
// that the program can stop its nec2c runs and remove their folders before it ends.
#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace zandrel {

// Only one may exist at a time. A signal that was ignored when it was made stays ignored. A
// signal caught also ends every wait for a FIFO's reader (InterruptReaderWaits).
class SignalCatcher : public QObject {
    Q_OBJECT

  public:
    explicit SignalCatcher(QObject* parent = nullptr);
    ~SignalCatcher() override;  // gives the signals back to their earlier handling

    // The first signal caught so far, or 0.
    int Caught();

  signals:
    // In the event loop, after the first signal.
    void SignalCaught(int signal);

  private:
    void ReadCaught();

    std::unique_ptr<QSocketNotifier> notifier_;
    int caught_ = 0;
};

}  // namespace zandrel
