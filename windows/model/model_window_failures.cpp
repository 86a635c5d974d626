// The model window's words for what failed: which style's failure to report, and why a style
// has no model, in terms of what the builder chose.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_error.h"
#include "model_texts.h"
#include "model_window.h"
#include "model_window_words.h"
#include "window_reports.h"

namespace zandrel {

using namespace model_window_words;

namespace {

// Whether the style's model can be built with the calculator's own tube: when it can, what
// refused it was the builder's tube or wire.
bool BuildsWithTheCalculatorsTube(const StyleEntry& style, const std::string& frequencyText,
                                  Polarisation sense) {
    try {
        BuildHelixGeometry(style, frequencyText, sense);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace

const StyleModel* ModelWindow::FailureToReport() const {
    const std::vector<StyleModel>& models = runner_.Models();
    const auto first = [&models](auto&& which) -> const StyleModel* {
        const auto found = std::find_if(models.begin(), models.end(), [&which](const auto& m) {
            return m.Error.has_value() && which(m);
        });
        return found == models.end() ? nullptr : &*found;
    };
    // The calculator's word on the frequency first, then nec2c's, then any other style's error.
    if (const StyleModel* rejected = first([](const StyleModel& m) { return !m.Geometry; })) {
        return rejected;
    }
    if (const StyleModel* engine =
            first([](const StyleModel& m) { return IsEngineError(*m.Error); })) {
        return engine;
    }
    return first([](const StyleModel&) { return true; });
}

QString ModelWindow::NotModelledWords(const StyleModel& model) const {
    const RuntimeError& error = *model.Error;
    const QString caption = Text(model.Style->Caption);
    const std::string& typed = runner_.FrequencyText();
    const FrequencyProblem problem = ClassifyFrequencyError(error, typed);
    if (!model.Geometry && problem != FrequencyProblem::Other) {
        return QString::fromStdString(FrequencyProblemReport(problem, typed));
    }
    if (IsNotModellable(error) && !model.Geometry) {
        const std::optional<double> conductor = runner_.Settings().Geometry.ConductorDiameterMm;
        if (conductor && BuildsWithTheCalculatorsTube(*model.Style, typed, runner_.Sense())) {
            return tr("%1 cannot be modelled with a tube or wire of %2 mm: %3")
                .arg(caption, QString::number(*conductor), DetailSentence(error));
        }
        return QString::fromStdString(CannotBeModelledSentence(QuotedFrequency(typed), error));
    }
    if (IsNotModellable(error)) {
        return tr("nec2c refused the wires of %1: it cannot be modelled at this frequency.")
            .arg(caption);
    }
    if (IsEngineError(error) && model.Geometry) {
        return tr("nec2c failed while modelling %1.").arg(caption);
    }
    if (IsEngineError(error)) {
        return DetailSentence(error);
    }
    return tr("%1 could not be modelled: %2").arg(caption, DetailSentence(error));
}

void ModelWindow::ReportFailures() {
    const StyleModel* failed = FailureToReport();
    if (failed == nullptr) {
        return;
    }
    const std::vector<StyleModel>& models = runner_.Models();
    const bool noneModelled = std::none_of(
        models.begin(), models.end(), [](const StyleModel& m) { return m.Figures.has_value(); });
    const QString outcome = noneModelled
                                ? tr("No style was modelled.")
                                : tr("The styles whose rows show an error were not modelled.");
    // nec2c's own words, when it said any, behind the report's details button.
    ReportInWords(*this, *failed->Error, NotModelledWords(*failed) + QLatin1Char('\n') + outcome,
                  EngineWords(*failed));
}

}  // namespace zandrel
