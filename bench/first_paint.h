// What both start-up probes share: the times of a run's steps, and running the event loop until
// a window's first paint has been handled, so that timing a whole run times start-up to first
// paint.
#pragma once

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace first_paint {

constexpr int PaintTimeoutMs = 20000;
constexpr int StatusNoPaint = 3;

// Milliseconds from the kernel's start of this process to now; the kernel records the start in
// clock ticks, so this is only as fine as one tick (usually 10 ms).
inline std::optional<double> MillisecondsSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat;
    std::getline(statFile, stat);
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    // Field 22 (start time) is the 20th field after the parenthesised name (field 2).
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    if (!fields) {
        return std::nullopt;
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return std::nullopt;
    }
    const double startMs =
        static_cast<double>(std::stoull(field)) * 1000.0 / static_cast<double>(ticksPerSecond);
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
    return nowMs - startMs;
}

inline long PeakResidentKiB() {
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

// Times of the steps of one run, printed when ZANDREL2_PROBE_VERBOSE is set.
class StepLog {
  public:
    explicit StepLog(bool verbose) : verbose_(verbose) {
        if (verbose_) {
            atMain_ = MillisecondsSinceProcessStart();
        }
        sinceMain_.start();
    }

    void Mark(const char* step) {
        if (verbose_) {
            std::fprintf(stderr, "probe: %-28s %8.2f ms after main()\n", step,
                         static_cast<double>(sinceMain_.nsecsElapsed()) / 1.0e6);
        }
    }

    void Finish() {
        if (!verbose_) {
            return;
        }
        Mark("windows deleted");
        if (atMain_) {
            std::fprintf(stderr, "probe: %-28s %8.0f ms (to one clock tick)\n",
                         "process start to main()", *atMain_);
        }
        if (const auto total = MillisecondsSinceProcessStart()) {
            std::fprintf(stderr, "probe: %-28s %8.0f ms (to one clock tick)\n",
                         "process start to now", *total);
        }
        std::fprintf(stderr, "probe: %-28s %8ld KiB\n", "peak resident set",
                     PeakResidentKiB());
    }

  private:
    bool verbose_;
    std::optional<double> atMain_;
    QElapsedTimer sinceMain_;
};

// Watches a window for its first paint and ends the event loop once that paint is handled.
class FirstPaintWatcher : public QObject {
  public:
    FirstPaintWatcher(QWidget& window, StepLog& log) : QObject(&window), log_(log) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            log_.Mark("first paint event");
            // Runs after the paint event and the flush to the screen that follows it.
            QTimer::singleShot(0, [this] {
                log_.Mark("first paint handled");
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    StepLog& log_;
    bool seen_ = false;
};

// Runs the event loop until `window` has been painted once; the exit status, or StatusNoPaint
// when no paint came.
inline int RunUntilFirstPaint(QWidget& window, StepLog& log) {
    log.Mark("main window shown");
    new FirstPaintWatcher(window, log);
    QTimer::singleShot(PaintTimeoutMs, [] {
        std::fputs("the main window was not painted\n", stderr);
        QCoreApplication::exit(StatusNoPaint);
    });
    return QApplication::exec();
}

}  // namespace first_paint
