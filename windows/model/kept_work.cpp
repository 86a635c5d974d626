#include "kept_work.h"

#include <QObject>
#include <QStringList>
#include <array>

#include "helix_dimensions.h"
#include "installation.h"
#include "nec_deck.h"
#include "tune_texts.h"
#include "window_texts.h"

namespace zandrel {

namespace {

// The tube the design is modelled with, in the words of its field: the builder's, or the
// calculator's as its box shows it.
QString TubeText(const LoopDesign& design, const HelixDimensions& calculator) {
    return design.ConductorDiameterMm ? QString::number(*design.ConductorDiameterMm)
                                      : Text(FormatDimension(calculator.TubeDiameter));
}

// The eleven dimensions in DisplayOrder, as the main window's captions name them.
constexpr std::array<std::string_view, 11> BuilderNames{
    "RECOMMENDED TUBE", "SMALL LOOP PERIMETER", "LARGE LOOP PERIMETER", "SMALL TOP ARMS",
    "SMALL BOTTOM ARM", "SMALL LOOP HEIGHT",    "LARGE LOOP HEIGHT",    "LARGE TOP ARMS",
    "LARGE BOTTOM ARM", "SMALL HELIX LENGTH",   "LARGE HELIX LENGTH"};

}  // namespace

ModelFigures MatchedToLine(const TunedStyle& tuned, const LineRequest& line) {
    return ComputeModelFigures(BuildScaledGeometry(tuned.Design, tuned.Result.Scales), tuned.Output,
                               {}, line);
}

std::string TunedDeck(const TunedStyle& tuned) {
    return WriteNecDeck(BuildScaledGeometry(tuned.Design, tuned.Result.Scales));
}

bool SameAntenna(const LoopDesign& a, const LoopDesign& b) {
    return a.Style == b.Style && a.FrequencyText == b.FrequencyText && a.Sense == b.Sense &&
           a.ConductorDiameterMm == b.ConductorDiameterMm &&
           InstallationText(a.Install) == InstallationText(b.Install);
}

QString OutdatedTuningWords(const TunedStyle& tuned, const ModelSettings& now) {
    const bool lineChanged = tuned.ForThePass && tuned.Line.Z0Ohm != now.Line.Z0Ohm;
    const bool tubeChanged = tuned.Design.ConductorDiameterMm != now.Geometry.ConductorDiameterMm;
    const bool installationChanged =
        InstallationText(tuned.Design.Install) != InstallationText(now.Geometry.Install);
    if (!lineChanged && !tubeChanged && !installationChanged) {
        return {};
    }
    QStringList tunedFor;
    if (lineChanged) {
        tunedFor << QObject::tr("%1 ohm").arg(tuned.Line.Z0Ohm);
    }
    if (tubeChanged) {
        tunedFor << QObject::tr("%1 mm").arg(TubeText(tuned.Design, tuned.Calculator));
    }
    if (installationChanged) {
        tunedFor << Text(InstallationText(tuned.Design.Install));
    }
    return QObject::tr("tuned for %1: Tune again").arg(tunedFor.join(QStringLiteral(", ")));
}

QString TunedRowCaption(const TunedStyle& tuned) {
    return QObject::tr("%1, tuned %2 (%3, %4)")
        .arg(Text(tuned.Design.Style->Caption), tuned.Objective,
             QString::fromStdString(ScaleText(tuned.Result.Scales.Small)),
             QString::fromStdString(ScaleText(tuned.Result.Scales.Large)));
}

QString TunedFileStem(const TunedStyle& tuned) {
    return QStringLiteral("%1-tuned-%2-%3-%4MHz")
        .arg(Text(tuned.Design.Style->Name),
             QString::fromStdString(ScaleText(tuned.Result.Scales.Small)),
             QString::fromStdString(ScaleText(tuned.Result.Scales.Large)),
             QString::fromStdString(tuned.Design.FrequencyText).trimmed());
}

std::vector<std::vector<std::string>> BuilderDimensionRows(const HelixDimensions& calculator,
                                                           const HelixDimensions& tuned) {
    std::vector<std::vector<std::string>> rows = DimensionRows(calculator, tuned);
    for (std::size_t i = 0; i < BuilderNames.size() && i + 1 < rows.size(); ++i) {
        rows[i + 1].front() = std::string(BuilderNames[i]);
    }
    return rows;
}

}  // namespace zandrel
