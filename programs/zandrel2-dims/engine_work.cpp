#include "engine_work.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <thread>

#include "file_names.h"
#include "signal_catcher.h"

namespace zandrel {

DeckEvaluator EngineRuns::Evaluator() {
    return [this, run = batch_.Evaluator()](const std::string& deck) {
        if (Stopped()) {
            throw RunsStopped();
        }
        try {
            return run(deck);
        } catch (...) {
            if (Stopped()) {
                throw RunsStopped();
            }
            throw;
        }
    };
}

int RunUntilDoneOrSignalled(EngineRuns& runs, SignalCatcher& catcher,
                            const std::function<int()>& work) {
    int status = 1;
    std::atomic<bool> done{false};
    QObject::connect(&catcher, &SignalCatcher::SignalCaught, QCoreApplication::instance(),
                     [] { QCoreApplication::quit(); });
    std::thread worker([&] {
        try {
            status = work();
        } catch (const RunsStopped&) {
        } catch (const std::bad_alloc&) {
            if (!runs.Stopped()) {
                std::cerr << "zandrel2-dims: there was not enough memory to finish\n";
            }
        } catch (const std::exception& error) {
            if (!runs.Stopped()) {
                std::cerr << "zandrel2-dims: internal error: " << error.what() << "\n";
            }
        }
        done.store(true);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    while (!done.load() && catcher.Caught() == 0) {
        QCoreApplication::exec();
    }
    const int caught = catcher.Caught();
    if (caught != 0) {
        runs.Stop();
    }
    worker.join();
    if (caught != 0) {
        std::cerr << "zandrel2-dims: " << strsignal(caught) << "; the runs were stopped\n";
        return 128 + caught;
    }
    return status;
}

void SayWaitingForReader(const std::string& path) {
    std::cerr << "zandrel2-dims: waiting for a program to read " << ShownName(path)
              << "; Ctrl-C stops\n"
              << std::flush;
}

}  // namespace zandrel
