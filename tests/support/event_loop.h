// Running the application's event loop in a test until the program would end.
#pragma once

#include <QApplication>
#include <QTimer>

namespace zandrel::test_support {

// Runs the event loop until the application quits by itself, as when its last window closes.
// Returns false when it had to be stopped after `limitMs` instead.
inline bool RunUntilTheProgramEnds(int limitMs = 5000) {
    bool endedByItself = true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&endedByItself] {
        endedByItself = false;
        QApplication::quit();
    });
    guard.start(limitMs);
    QApplication::exec();
    return endedByItself;
}

}  // namespace zandrel::test_support
