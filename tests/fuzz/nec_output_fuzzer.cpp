// Fuzzes the reader of nec2c's output and the figures made from it: whatever the text, the
// result is a ModelError or figures that are all finite numbers, never a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "helix_geometry.h"
#include "model_error.h"
#include "model_figures.h"
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
        zandrel::Styles[4], "137.50", zandrel::Polarisation::Rhcp, {10.0, 8});
    return geometry;
}

void RequireFinite(const zandrel::ModelFigures& f) {
    for (const double value :
         {f.Impedance.real(), f.Impedance.imag(), f.Match.Value, f.ZenithRhcpDbic, f.ZenithLhcpDbic,
          f.HorizonRhcpDbic, f.MaxGainDbi, f.MaxGainElevationDeg, f.FrontToBackDb}) {
        Require(std::isfinite(value));
    }
    Require(f.Impedance.real() > 0.0);
    for (const auto& edge : {f.BandwidthLowMHz, f.BandwidthHighMHz, f.ResonanceMHz}) {
        Require(!edge || std::isfinite(*edge));
    }
    for (const zandrel::SweepPoint& point : f.Sweep) {
        Require(std::isfinite(point.Impedance.real()) && std::isfinite(point.Impedance.imag()));
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
        return 0;
    }
    Require(!output.Runs.empty());
    for (const zandrel::FrequencyRun& run : output.Runs) {
        Require(!run.Sources.empty() && run.FrequencyMHz > 0.0);
    }
    try {
        RequireFinite(zandrel::ComputeModelFigures(SeedGeometry(), output, SeedRequest()));
    } catch (const zandrel::ModelError& error) {
        Require(error.Kind() == zandrel::ModelErrorKind::OutputUnreadable);
    }
    static_cast<void>(zandrel::LastWords(text));
    return 0;
}
