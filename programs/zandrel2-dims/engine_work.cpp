#include "engine_work.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <string>
#include <thread>

#include "signal_catcher.h"

namespace zandrel {

namespace {

// The processes whose parent is this program and whose name is nec2c, from /proc.
std::vector<pid_t> EngineChildren() {
    std::vector<pid_t> children;
    const pid_t self = getpid();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold spaces, so read after the last ')'.
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            continue;
        }
        const std::string comm = line.substr(open + 1, close - open - 1);
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 &&
            parent == self && comm == "nec2c") {
            children.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return children;
}

}  // namespace

DeckEvaluator EngineRuns::Evaluator() {
    return [this](const std::string& deck) {
        if (stopped_.load()) {
            throw RunsStopped();
        }
        try {
            return RunDeckInNec2c(deck);
        } catch (...) {
            if (stopped_.load()) {
                throw RunsStopped();
            }
            throw;
        }
    };
}

void EngineRuns::Stop() {
    stopped_.store(true);
    // Each engine leads a process group of its own; the one that raced past the flag is killed
    // here too, or finds the flag when it ends.
    for (const pid_t child : EngineChildren()) {
        ::kill(-child, SIGKILL);
        ::kill(child, SIGKILL);
    }
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

}  // namespace zandrel
