// Runs the six styles' decks in nec2c, in the engine's batch, as many at once as there are cores.
#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <vector>

#include "engine_batch.h"
#include "helix_geometry.h"
#include "model_figures.h"
#include "runtime_error.h"

namespace zandrel {

// One style's model: its deck, then its figures or the error that stopped it. The error keeps
// its kind: ClassifyFrequencyError of it and FrequencyText() says what was wrong with the text.
struct StyleModel {
    const StyleEntry* Style = nullptr;
    std::optional<HelixGeometry> Geometry;
    std::string Deck;
    std::optional<ModelFigures> Figures;
    std::optional<RuntimeError> Error;
    bool Finished = false;
};

// What the styles are modelled with besides the calculator's design: the builder's conductor
// and the line the match is made to.
struct ModelSettings {
    GeometryOptions Geometry;
    LineRequest Line;
};

class ModelRunner : public QObject {
    Q_OBJECT

  public:
    explicit ModelRunner(QObject* parent = nullptr);
    ~ModelRunner() override;

    // Builds the six styles' decks for the frequency text, with the settings' geometry, and
    // starts nec2c on them, each in a private temporary folder that is removed when its run
    // ends; the figures match to the settings' line. A style whose dimensions cannot be
    // computed, or whose geometry the settings make impossible, finishes at once with the error.
    // Cancels any earlier runs first. When a style is to be run, raises ModelError(EngineMissing)
    // when nec2c is not on the PATH, and ModelError(DeckNotWritten), naming the folder, when the
    // temporary folder (TMPDIR, else /tmp) is missing or cannot be written.
    //
    // Each run fails as RunDeckInNec2c says: it is stopped, its whole process group killed, when
    // it outlasts the time limit (ModelError(EngineFailed)) or writes more than the limits allow
    // (ModelError(OutputUnreadable)); nec2c's segment or geometry data error is
    // ModelError(NotModellable).
    void Start(const std::string& frequencyText, Polarisation sense,
               const ModelSettings& settings = {});

    // Starts nec2c on one helix built elsewhere (the builder's conductor, tuned loops), as Start
    // does each style's, with its figures matched to `line`: Models() then holds that one, and
    // Settings() the helix's conductor and loop factors.
    void StartGeometry(const HelixGeometry& geometry, const LineRequest& line = {});

    // Stops every run and removes their folders; no signal follows.
    void Cancel();

    // The limits of the runs that start from now on.
    void SetLimits(const EngineLimits& limits) { batch_.SetLimits(limits); }
    EngineLimits Limits() const { return batch_.Limits(); }

    bool IsRunning() const;
    int FinishedCount() const;
    Polarisation Sense() const { return sense_; }
    const ModelSettings& Settings() const { return settings_; }
    const std::string& FrequencyText() const { return frequencyText_; }
    const std::vector<StyleModel>& Models() const { return models_; }

  signals:
    void StyleFinished(int index);
    void AllFinished();

  private:
    void Begin(std::vector<StyleModel> models, std::vector<std::size_t> waiting,
               const std::string& frequencyText, Polarisation sense, const ModelSettings& settings);
    void Finish(std::size_t index);

    std::string frequencyText_;
    Polarisation sense_ = Polarisation::Rhcp;
    ModelSettings settings_;
    std::vector<StyleModel> models_;
    EngineBatch batch_;
    int running_ = 0;          // queued or under way
    quint64 generation_ = 0;  // of the runs wanted; older ones arrive to be dropped
};

}  // namespace zandrel
