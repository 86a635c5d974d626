#include "model_runner.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <new>

#include "model_error.h"
#include "nec2c_engine.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {

namespace {

constexpr const char* EngineName = "nec2c";
constexpr int KillWaitMs = 3000;

// Kills the engine and whatever it started: it leads a process group of its own.
void KillEngine(QProcess& process) {
    const auto pid = static_cast<pid_t>(process.processId());
    if (pid > 0) {
        ::kill(-pid, SIGKILL);
    }
    process.kill();
}

// The pattern of the runs' private folders, in the engine's temporary folder. Raises
// DeckNotWritten, naming the folder, when it is not a folder that can be written.
QString RunFolderTemplate() {
    const QString folder = QFile::decodeName(EngineTemporaryFolder().c_str());
    const QString program = QCoreApplication::applicationName();
    return QDir(QFileInfo(folder).absoluteFilePath())
        .filePath((program.isEmpty() ? QStringLiteral("zandrel2") : program) +
                  QStringLiteral("-XXXXXX"));
}

std::string InWords(std::chrono::milliseconds time) {
    const auto ms = time.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string InWords(qint64 bytes) {
    constexpr qint64 KB = 1024;
    if (bytes % (KB * KB) == 0) {
        return std::to_string(bytes / (KB * KB)) + " MB";
    }
    return bytes % KB == 0 ? std::to_string(bytes / KB) + " KB" : std::to_string(bytes) + " bytes";
}

// Runs `work` for a style from a handler that the event loop calls, where no exception may
// leave: an error, even running out of memory, becomes the style's error of `kind`.
template <typename Work>
bool Guarded(StyleModel& model, ModelErrorKind kind, Work&& work) {
    try {
        work();
        return true;
    } catch (const RuntimeError& error) {
        model.Error = error;
    } catch (const std::bad_alloc&) {
        model.Error = ModelError(kind, "there was not enough memory");
    } catch (const std::exception& error) {
        model.Error = ModelError(kind, error.what());
    } catch (...) {
        model.Error = ModelError(kind, "an unknown error was raised");
    }
    return false;
}

}  // namespace

struct ModelRunner::Run {
    std::unique_ptr<QTemporaryDir> Folder;  // removed last, when the engine is gone
    QProcess* Process = nullptr;            // a child of the runner
    std::unique_ptr<QTimer> Deadline;
    QByteArray Errors;  // its standard error, at most the limit and a pipe's worth more
    StopReason Stopped = StopReason::None;

    Run() = default;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    ~Run() {
        if (Process != nullptr) {
            Process->disconnect();
            if (Process->state() != QProcess::NotRunning) {
                KillEngine(*Process);
                Process->waitForFinished(KillWaitMs);
            }
            delete Process;
        }
    }
};

ModelRunner::ModelRunner(QObject* parent)
    : QObject(parent), maximumRunning_(std::max(1, QThread::idealThreadCount())) {}

ModelRunner::~ModelRunner() { Cancel(); }

void ModelRunner::Start(const std::string& frequencyText, Polarisation sense,
                        const ModelSettings& settings) {
    Cancel();
    std::vector<StyleModel> models;
    std::vector<std::size_t> waiting;
    for (const StyleEntry& style : Styles) {
        StyleModel model;
        model.Style = &style;
        try {
            model.Geometry = BuildHelixGeometry(style, frequencyText, sense, settings.Geometry);
            model.Deck = WriteNecDeck(*model.Geometry);
            waiting.push_back(models.size());
        } catch (const RuntimeError& error) {
            model.Error = error;
        }
        models.push_back(std::move(model));
    }
    Begin(std::move(models), std::move(waiting), frequencyText, sense, settings);
}

void ModelRunner::StartGeometry(const HelixGeometry& geometry, const LineRequest& line) {
    Cancel();
    StyleModel model;
    model.Style = geometry.Style;
    model.Geometry = geometry;
    model.Deck = WriteNecDeck(geometry);
    std::vector<StyleModel> models;
    models.push_back(std::move(model));
    ModelSettings settings;
    settings.Geometry.ConductorDiameterMm = geometry.ConductorDiameterMm;
    settings.Geometry.SmallLoopScale = geometry.SmallLoopScale;
    settings.Geometry.LargeLoopScale = geometry.LargeLoopScale;
    settings.Geometry.Install = geometry.Install;
    settings.Line = line;
    Begin(std::move(models), {0}, geometry.FrequencyText, geometry.Sense, settings);
}

void ModelRunner::Begin(std::vector<StyleModel> models, std::vector<std::size_t> waiting,
                        const std::string& frequencyText, Polarisation sense,
                        const ModelSettings& settings) {
    // Only a style that is to be run needs the engine and a folder to run it in.
    QString engine;
    QString folderTemplate;
    if (!waiting.empty()) {
        engine = QStandardPaths::findExecutable(QString::fromLatin1(EngineName));
        if (engine.isEmpty()) {
            throw ModelError(ModelErrorKind::EngineMissing,
                             "nec2c was not found on the PATH; install the Debian package nec2c");
        }
        folderTemplate = RunFolderTemplate();
    }
    frequencyText_ = frequencyText;
    sense_ = sense;
    settings_ = settings;
    engine_ = engine;
    folderTemplate_ = folderTemplate;
    models_ = std::move(models);
    runs_.clear();
    runs_.resize(models_.size());
    waiting_ = std::move(waiting);
    // The largest structures first, so that the last run to end starts early.
    std::stable_sort(waiting_.begin(), waiting_.end(), [this](std::size_t a, std::size_t b) {
        return models_[a].Geometry->TotalSegments() > models_[b].Geometry->TotalSegments();
    });
    for (std::size_t i = 0; i < models_.size(); ++i) {
        if (models_[i].Error) {
            Finish(i);
        }
    }
    LaunchWaiting();
}

void ModelRunner::Cancel() {
    waiting_.clear();
    // Every engine is killed before any is waited for.
    for (const std::unique_ptr<Run>& run : runs_) {
        if (run && run->Process != nullptr && run->Process->state() != QProcess::NotRunning) {
            run->Process->disconnect();
            KillEngine(*run->Process);
        }
    }
    for (std::unique_ptr<Run>& run : runs_) {
        run.reset();  // waits for its engine, then removes its folder
    }
    running_ = 0;
}

bool ModelRunner::IsRunning() const { return running_ > 0 || !waiting_.empty(); }

int ModelRunner::FinishedCount() const {
    return static_cast<int>(std::count_if(models_.begin(), models_.end(),
                                          [](const StyleModel& m) { return m.Finished; }));
}

void ModelRunner::LaunchWaiting() {
    while (running_ < maximumRunning_ && !waiting_.empty()) {
        const std::size_t index = waiting_.front();
        waiting_.erase(waiting_.begin());
        if (!Guarded(models_[index], ModelErrorKind::DeckNotWritten, [&] { Launch(index); })) {
            if (runs_[index]) {
                runs_[index].reset();
                --running_;
            }
            Finish(index);
        }
    }
}

void ModelRunner::Launch(std::size_t index) {
    StyleModel& model = models_[index];
    auto run = std::make_unique<Run>();
    run->Folder = std::make_unique<QTemporaryDir>(folderTemplate_);
    const QString deckPath = run->Folder->filePath(QString::fromLatin1(EngineDeckFile));
    QFile deck(deckPath);
    if (!run->Folder->isValid() || !deck.open(QIODevice::WriteOnly) ||
        deck.write(model.Deck.data(), static_cast<qint64>(model.Deck.size())) !=
            static_cast<qint64>(model.Deck.size()) ||
        !deck.flush()) {
        const QString reason =
            run->Folder->isValid() ? deck.errorString() : run->Folder->errorString();
        model.Error = ModelError(ModelErrorKind::DeckNotWritten,
                                 "no private temporary folder could be written in " +
                                     QFileInfo(folderTemplate_).path().toStdString() + ": " +
                                     reason.toStdString());
        Finish(index);
        return;
    }
    deck.close();

    run->Process = new QProcess(this);
    QProcess* process = run->Process;
    process->setWorkingDirectory(run->Folder->path());
    process->setProgram(engine_);
    // nec2c refuses long file names: it runs in the folder and is given the files' own names.
    process->setArguments({QStringLiteral("-i"), QString::fromLatin1(EngineDeckFile),
                           QStringLiteral("-o"), QString::fromLatin1(EngineOutputFile)});
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    const pid_t parent = ::getpid();
    const auto outputBytes = static_cast<std::uintmax_t>(limits_.OutputBytes);
    process->setChildProcessModifier(
        [parent, outputBytes] { PrepareEngineProcess(parent, outputBytes); });
    connect(process, &QProcess::readyReadStandardError, this, [this, index] {
        Run& current = *runs_[index];
        if (!TakeErrors(current)) {
            Stop(index, StopReason::TooManyErrors);
        }
    });
    connect(process, &QProcess::finished, this,
            [this, index](int exitCode, QProcess::ExitStatus status) {
                Guarded(models_[index], ModelErrorKind::OutputUnreadable,
                        [&] { ReadResult(index, *runs_[index], exitCode, status); });
                EndRun(index);
            });
    connect(process, &QProcess::errorOccurred, this, [this, index](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) {
            return;  // a crash or a kill also ends in finished()
        }
        models_[index].Error = ModelError(
            ModelErrorKind::EngineMissing,
            "nec2c could not be started: " + runs_[index]->Process->errorString().toStdString());
        EndRun(index);
    });
    run->Deadline = std::make_unique<QTimer>();
    run->Deadline->setSingleShot(true);
    connect(run->Deadline.get(), &QTimer::timeout, this,
            [this, index] { Stop(index, StopReason::TimedOut); });
    runs_[index] = std::move(run);
    ++running_;
    runs_[index]->Deadline->start(limits_.Time);
    process->start();
}

void ModelRunner::Stop(std::size_t index, StopReason reason) {
    Run& run = *runs_[index];
    if (run.Stopped == StopReason::None) {
        run.Stopped = reason;
    }
    run.Deadline->stop();
    KillEngine(*run.Process);  // finished() follows
}

// Ends a run whose engine is gone, from a handler of its process's signals.
void ModelRunner::EndRun(std::size_t index) {
    Run& run = *runs_[index];
    run.Process->disconnect();
    run.Process->deleteLater();
    run.Process = nullptr;
    runs_[index].reset();  // removes the folder
    --running_;
    Finish(index);
    LaunchWaiting();
}

// Takes what the engine wrote to its standard error; false when that passes the limit.
bool ModelRunner::TakeErrors(Run& run) const {
    const QByteArray more = run.Process->readAllStandardError();
    if (run.Stopped == StopReason::None) {
        run.Errors += more;
    }
    return run.Errors.size() <= limits_.ErrorBytes;
}

void ModelRunner::ReadResult(std::size_t index, Run& run, int exitCode,
                             QProcess::ExitStatus status) {
    StyleModel& model = models_[index];
    const bool errorsWithinLimit = TakeErrors(run);
    if (run.Stopped == StopReason::TimedOut) {
        model.Error =
            ModelError(ModelErrorKind::EngineFailed,
                       "nec2c did not finish within " + InWords(limits_.Time) + " and was stopped");
        return;
    }
    if (run.Stopped == StopReason::TooManyErrors || !errorsWithinLimit) {
        model.Error = ModelError(
            ModelErrorKind::OutputUnreadable,
            "nec2c wrote more than " + InWords(limits_.ErrorBytes) + " of errors and was stopped");
        return;
    }
    // The file is measured before it is read: a flood is refused, not read into memory.
    QFile outputFile(run.Folder->filePath(QString::fromLatin1(EngineOutputFile)));
    if (outputFile.exists() && outputFile.size() > limits_.OutputBytes) {
        model.Error = ModelError(ModelErrorKind::OutputUnreadable,
                                 "nec2c wrote more than " + InWords(limits_.OutputBytes) +
                                     " of output (a real run writes about 300 KB) and was stopped");
        return;
    }
    const std::string output = outputFile.open(QIODevice::ReadOnly)
                                   ? outputFile.read(limits_.OutputBytes).toStdString()
                                   : std::string();
    const std::string errors = run.Errors.toStdString();
    if (status != QProcess::NormalExit || exitCode != 0) {
        model.Error = EngineFailure(output, errors, status == QProcess::NormalExit);
        return;
    }
    model.Figures =
        ComputeModelFigures(*model.Geometry, ParseNecOutput(output), {}, settings_.Line);
}

void ModelRunner::Finish(std::size_t index) {
    models_[index].Finished = true;
    emit StyleFinished(static_cast<int>(index));
    if (FinishedCount() == static_cast<int>(models_.size())) {
        emit AllFinished();
    }
}

}  // namespace zandrel
