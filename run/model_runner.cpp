#include "model_runner.h"

#include <QMetaObject>
#include <algorithm>
#include <new>

#include "model_error.h"
#include "nec2c_engine.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {

namespace {

// Runs `work` for a style on an engine thread, where no exception may leave: an error, even
// running out of memory, becomes the style's error of `kind`.
template <typename Work>
std::optional<RuntimeError> Guarded(ModelErrorKind kind, Work&& work) {
    try {
        work();
        return std::nullopt;
    } catch (const RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return ModelError(kind, "there was not enough memory");
    } catch (const std::exception& error) {
        return ModelError(kind, error.what());
    } catch (...) {
        return ModelError(kind, "an unknown error was raised");
    }
}

}  // namespace

ModelRunner::ModelRunner(QObject* parent) : QObject(parent) {}

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
    if (!waiting.empty()) {
        FindEngine();
        EngineTemporaryFolder();
    }
    frequencyText_ = frequencyText;
    sense_ = sense;
    settings_ = settings;
    models_ = std::move(models);
    for (std::size_t i = 0; i < models_.size(); ++i) {
        if (models_[i].Error) {
            Finish(i);
        }
    }
    // The largest structures first, so that the last run to end starts early.
    std::stable_sort(waiting.begin(), waiting.end(), [this](std::size_t a, std::size_t b) {
        return models_[a].Geometry->TotalSegments() > models_[b].Geometry->TotalSegments();
    });
    const quint64 generation = generation_;
    for (const std::size_t index : waiting) {
        const StyleModel& model = models_[index];
        ++running_;
        batch_.Queue(
            [this, index, generation, geometry = *model.Geometry, deck = model.Deck,
             line = settings_.Line](const DeckEvaluator& run) {
                std::optional<ModelFigures> figures;
                std::optional<RuntimeError> error = Guarded(ModelErrorKind::OutputUnreadable, [&] {
                    figures = ComputeModelFigures(geometry, run(deck), {}, line);
                });
                QMetaObject::invokeMethod(
                    this,
                    [this, index, generation, figures = std::move(figures),
                     error = std::move(error)] {
                        if (generation != generation_) {
                            return;
                        }
                        models_[index].Figures = figures;
                        models_[index].Error = error;
                        --running_;
                        Finish(index);
                    },
                    Qt::QueuedConnection);
            },
            model.Geometry->TotalSegments());
    }
}

void ModelRunner::Cancel() {
    ++generation_;
    batch_.Cancel();
    running_ = 0;
}

bool ModelRunner::IsRunning() const { return running_ > 0; }

int ModelRunner::FinishedCount() const {
    return static_cast<int>(std::count_if(models_.begin(), models_.end(),
                                          [](const StyleModel& m) { return m.Finished; }));
}

void ModelRunner::Finish(std::size_t index) {
    models_[index].Finished = true;
    emit StyleFinished(static_cast<int>(index));
    if (FinishedCount() == static_cast<int>(models_.size())) {
        emit AllFinished();
    }
}

}  // namespace zandrel
