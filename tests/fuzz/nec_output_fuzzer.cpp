// Fuzzes the reader of nec2c's output and the figures made from it: whatever the text, the
// result is a ModelError or figures that are all finite numbers and print as plain text, never
// a crash; and the engine's last words quoted from it are plain text too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "helix_geometry.h"
#include "model_error.h"
#include "model_figures.h"
#include "model_texts.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The deck the seeds were made from: a small pattern and sweep, so that outputs stay short.
zandrel::DeckRequest SeedRequest() {
    zandrel::DeckRequest request;
    request.SweepPoints = 5;
    request.PatternStepDeg = 45.0;
    return request;
}

const zandrel::HelixGeometry& SeedGeometry() {
    static const zandrel::HelixGeometry geometry = zandrel::BuildHelixGeometry(
        zandrel::Styles[4], "137.50", zandrel::Polarisation::Rhcp, zandrel::Segmentation{10.0, 8});
    return geometry;
}

void RequireFinite(const zandrel::ModelFigures& f) {
    for (const double value :
         {f.Impedance.real(), f.Impedance.imag(), f.Match.Value, f.ZenithRhcpDbic, f.ZenithLhcpDbic,
          f.HorizonRhcpDbic.value_or(0.0), f.MaxGainDbi, f.MaxGainElevationDeg,
          f.FrontToBackDb.value_or(0.0), f.Phasing.PhaseDeg, f.Phasing.CurrentRatio,
          f.Line.SwrUnmatched, f.Line.Network.Series.Value, f.Line.Network.Shunt.Value,
          f.Line.Transformer.LineOhm, f.Line.Transformer.SwrZ0}) {
        Require(std::isfinite(value));
    }
    Require(f.Impedance.real() > 0.0);
    for (const auto& edge : {f.BandwidthLowMHz, f.BandwidthHighMHz, f.ResonanceMHz,
                             f.Line.BandwidthLowMHz, f.Line.BandwidthHighMHz}) {
        Require(!edge || std::isfinite(*edge));
    }
    for (const zandrel::SweepPoint& point : f.Sweep) {
        Require(std::isfinite(point.Impedance.real()) && std::isfinite(point.Impedance.imag()));
        Require(!std::isnan(point.SwrZ0Matched));
    }
}

// Text that a terminal shows as it is: no control character, no terminal sequence.
void RequirePlainText(const std::string& text, bool lineBreaks = false) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        Require((byte >= 0x20 && byte != 0x7F) || (lineBreaks && c == '\n'));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zandrel::NecOutput output;
    try {
        output = zandrel::ParseNecOutput(text);
    } catch (const zandrel::ModelError& error) {
        Require(error.Kind() == zandrel::ModelErrorKind::OutputUnreadable);
        RequirePlainText(error.Detail());
        return 0;
    }
    Require(!output.Runs.empty());
    for (const zandrel::FrequencyRun& run : output.Runs) {
        Require(!run.Sources.empty() && run.FrequencyMHz > 0.0);
    }
    try {
        const zandrel::ModelFigures figures =
            zandrel::ComputeModelFigures(SeedGeometry(), output, SeedRequest());
        RequireFinite(figures);
        for (const auto sense : {zandrel::Polarisation::Rhcp, zandrel::Polarisation::Lhcp}) {
            for (const std::string& shown : zandrel::FigureTexts(figures, sense)) {
                Require(!shown.empty());
                RequirePlainText(shown);
            }
        }
    } catch (const zandrel::ModelError& error) {
        Require(error.Kind() == zandrel::ModelErrorKind::OutputUnreadable);
        RequirePlainText(error.Detail());
    }
    RequirePlainText(zandrel::LastWords(text), true);
    RequirePlainText(zandrel::GeometryRejection(text));
    return 0;
}
