#include "model_runner.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>

#include "model_error.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {

namespace {

constexpr const char* EngineName = "nec2c";
constexpr int KillWaitMs = 3000;

}  // namespace

struct ModelRunner::Run {
    std::unique_ptr<QTemporaryDir> Folder;
    QProcess* Process = nullptr;  // a child of the runner
};

ModelRunner::ModelRunner(QObject* parent)
    : QObject(parent), maximumRunning_(std::max(1, QThread::idealThreadCount())) {}

ModelRunner::~ModelRunner() { Cancel(); }

void ModelRunner::Start(const std::string& frequencyText, Polarisation sense) {
    Cancel();
    engine_ = QStandardPaths::findExecutable(QString::fromLatin1(EngineName));
    if (engine_.isEmpty()) {
        throw ModelError(ModelErrorKind::EngineMissing,
                         "nec2c was not found on the PATH; install the Debian package nec2c");
    }
    frequencyText_ = frequencyText;
    sense_ = sense;
    models_.clear();
    runs_.clear();
    waiting_.clear();
    for (const StyleEntry& style : Styles) {
        StyleModel model;
        model.Style = &style;
        try {
            model.Geometry = BuildHelixGeometry(style, frequencyText, sense);
            model.Deck = WriteNecDeck(*model.Geometry);
            waiting_.push_back(models_.size());
        } catch (const RuntimeError& error) {
            model.Error = error;
            model.Problem = ClassifyFrequencyError(error, frequencyText);
        }
        models_.push_back(std::move(model));
        runs_.push_back(nullptr);
    }
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
    for (std::unique_ptr<Run>& run : runs_) {
        if (run && run->Process) {
            run->Process->disconnect(this);
            run->Process->kill();
            run->Process->waitForFinished(KillWaitMs);
            delete run->Process;
        }
        run.reset();  // removes the folder
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
        Launch(index);
    }
}

void ModelRunner::Launch(std::size_t index) {
    StyleModel& model = models_[index];
    auto run = std::make_unique<Run>();
    run->Folder = std::make_unique<QTemporaryDir>();
    const QString deckPath = run->Folder->filePath(QStringLiteral("deck.nec"));
    QFile deck(deckPath);
    if (!run->Folder->isValid() || !deck.open(QIODevice::WriteOnly) ||
        deck.write(model.Deck.data(), static_cast<qint64>(model.Deck.size())) !=
            static_cast<qint64>(model.Deck.size()) ||
        !deck.flush()) {
        model.Error = ModelError(
            ModelErrorKind::DeckNotWritten,
            "no private temporary folder could be written in " + QDir::tempPath().toStdString());
        Finish(index);
        return;
    }
    deck.close();
    run->Process = new QProcess(this);
    QProcess* process = run->Process;
    process->setWorkingDirectory(run->Folder->path());
    process->setProgram(engine_);
    process->setArguments({QStringLiteral("-i"), deckPath, QStringLiteral("-o"),
                           run->Folder->filePath(QStringLiteral("deck.out"))});
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this,
            [this, index](int exitCode, QProcess::ExitStatus status) {
                ReadResult(index, *runs_[index], exitCode, status);
                runs_[index]->Process->deleteLater();
                runs_[index].reset();
                --running_;
                Finish(index);
                LaunchWaiting();
            });
    connect(process, &QProcess::errorOccurred, this, [this, index](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) {
            return;  // a crash or a kill also ends in finished()
        }
        models_[index].Error = ModelError(
            ModelErrorKind::EngineMissing,
            "nec2c could not be started: " + runs_[index]->Process->errorString().toStdString());
        runs_[index]->Process->deleteLater();
        runs_[index].reset();
        --running_;
        Finish(index);
        LaunchWaiting();
    });
    runs_[index] = std::move(run);
    ++running_;
    process->start();
}

void ModelRunner::ReadResult(std::size_t index, Run& run, int exitCode,
                             QProcess::ExitStatus status) {
    StyleModel& model = models_[index];
    QFile outputFile(run.Folder->filePath(QStringLiteral("deck.out")));
    const std::string output =
        outputFile.open(QIODevice::ReadOnly) ? outputFile.readAll().toStdString() : std::string();
    if (status != QProcess::NormalExit || exitCode != 0) {
        std::string words = LastWords(output);
        const std::string errors = run.Process->readAllStandardError().trimmed().toStdString();
        if (!errors.empty()) {
            words += (words.empty() ? "" : "\n") + errors;
        }
        if (status != QProcess::NormalExit) {
            words += (words.empty() ? "" : "\n") + std::string("nec2c stopped abnormally");
        }
        model.Error = ModelError(ModelErrorKind::EngineFailed,
                                 "nec2c said: " + (words.empty() ? "nothing" : words));
        return;
    }
    try {
        model.Figures = ComputeModelFigures(*model.Geometry, ParseNecOutput(output));
    } catch (const RuntimeError& error) {
        model.Error = error;
    }
}

void ModelRunner::Finish(std::size_t index) {
    models_[index].Finished = true;
    emit StyleFinished(static_cast<int>(index));
    if (FinishedCount() == static_cast<int>(models_.size())) {
        emit AllFinished();
    }
}

}  // namespace zandrel
