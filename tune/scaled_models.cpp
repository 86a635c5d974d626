#include "scaled_models.h"

#include "modelled_runs.h"
#include "nec_deck.h"

namespace zandrel {

ModelFigures ModelScaled(const LoopDesign& design, LoopScales scales, const DeckEvaluator& evaluate,
                         const LineRequest& line) {
    return ModelScaledKeepingOutput(design, scales, evaluate, line).Figures;
}

ScaledModel ModelScaledKeepingOutput(const LoopDesign& design, LoopScales scales,
                                     const DeckEvaluator& evaluate, const LineRequest& line) {
    const HelixGeometry geometry = BuildScaledGeometry(design, scales);
    ScaledModel model;
    model.Output = evaluate(WriteNecDeck(geometry));
    model.Figures = ComputeModelFigures(geometry, model.Output, {}, line);
    return model;
}

Measurement ModelMeasurement(const LoopDesign& design, LoopScales scales,
                             const std::vector<double>& frequenciesMHz, double referenceOhm,
                             const DeckEvaluator& evaluate, FedLoops fed) {
    CountedEngine engine(evaluate);
    const HelixGeometry geometry = BuildScaledGeometry(design, scales, fed);
    const std::vector<std::complex<double>> impedances =
        ModelImpedances(geometry, frequenciesMHz, engine);
    Measurement measurement;
    measurement.ReferenceOhm = referenceOhm;
    for (std::size_t i = 0; i < impedances.size(); ++i) {
        measurement.Points.push_back(
            {frequenciesMHz[i], ReflectionOf(impedances[i], referenceOhm)});
    }
    return measurement;
}

}  // namespace zandrel
