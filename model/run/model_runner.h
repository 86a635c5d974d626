// Runs the six styles' decks in nec2c, as separate processes, as many at once as there are cores.
#pragma once

#include <QObject>
#include <QProcess>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "model_figures.h"
#include "runtime_error.h"

class QTemporaryDir;

namespace zandrel {

// One style's model: its deck, then its figures or the error that stopped it.
struct StyleModel {
    const StyleEntry* Style = nullptr;
    std::optional<HelixGeometry> Geometry;
    std::string Deck;
    std::optional<ModelFigures> Figures;
    std::optional<RuntimeError> Error;
    FrequencyProblem Problem = FrequencyProblem::Other;  // when the calculator raised Error
    bool Finished = false;
};

class ModelRunner : public QObject {
    Q_OBJECT

  public:
    explicit ModelRunner(QObject* parent = nullptr);
    ~ModelRunner() override;

    // Builds the six styles' decks for the frequency text and starts nec2c on them, each in a
    // private temporary folder that is removed when its run ends. A style whose dimensions
    // cannot be computed finishes at once with the calculator's error. Cancels any earlier
    // runs first. Raises ModelError(EngineMissing) when nec2c is not on the PATH.
    void Start(const std::string& frequencyText, Polarisation sense);

    // Stops every run and removes their folders; no signal follows.
    void Cancel();

    bool IsRunning() const;
    int FinishedCount() const;
    Polarisation Sense() const { return sense_; }
    const std::string& FrequencyText() const { return frequencyText_; }
    const std::vector<StyleModel>& Models() const { return models_; }

  signals:
    void StyleFinished(int index);
    void AllFinished();

  private:
    struct Run;

    void LaunchWaiting();
    void Launch(std::size_t index);
    void Finish(std::size_t index);
    void ReadResult(std::size_t index, Run& run, int exitCode, QProcess::ExitStatus status);

    std::string frequencyText_;
    Polarisation sense_ = Polarisation::Rhcp;
    QString engine_;
    std::vector<StyleModel> models_;
    std::vector<std::unique_ptr<Run>> runs_;  // by style; empty when not running
    std::vector<std::size_t> waiting_;
    int running_ = 0;
    int maximumRunning_ = 1;
};

}  // namespace zandrel
