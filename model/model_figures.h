// The figures of a modelled helix, taken from nec2c's output of its deck.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {

enum class MatchingKind { None, Inductor, Capacitor };

// The series component that cancels the reactance at the design frequency.
struct Matching {
    MatchingKind Kind = MatchingKind::None;
    double Value = 0.0;  // henry or farad

    // Its reactance at a frequency, in ohm.
    double ReactanceAt(double frequencyMHz) const;
};

struct SweepPoint {
    double FrequencyMHz = 0.0;
    std::complex<double> Impedance;
    double Swr = 0.0;  // with the matching component in series, against R at the design frequency
};

// A vertical cut of the pattern: the angle from the zenith, going down on the side of the
// cut's azimuth (0 to 180) and up on the opposite side (180 to 360).
struct CutPoint {
    double AngleFromZenithDeg = 0.0;
    double RhcpDbic = 0.0;
    double LhcpDbic = 0.0;
};

// One edge of the 2:1 band; empty when it lies beyond the sweep.
using BandEdge = std::optional<double>;

struct ModelFigures {
    double FrequencyMHz = 0.0;
    std::complex<double> Impedance;
    std::optional<double> ResonanceMHz;
    std::optional<double> ResonanceROhm;
    Matching Match;
    BandEdge BandwidthLowMHz;
    BandEdge BandwidthHighMHz;
    double ZenithRhcpDbic = 0.0;
    double ZenithLhcpDbic = 0.0;
    std::string ZenithSense;  // as nec2c reports it
    double HorizonRhcpDbic = 0.0;
    double HorizonLhcpDbic = 0.0;
    double MaxGainDbi = 0.0;
    double MaxGainElevationDeg = 0.0;
    double FrontToBackDb = 0.0;
    double AxialRatioDb = 0.0;  // infinite for a linearly polarised zenith
    std::vector<SweepPoint> Sweep;
    std::vector<CutPoint> CutXz;  // through the small loop's plane (phi 0)
    std::vector<CutPoint> CutYz;  // through the large loop's plane (phi 90)
};

// Right- and left-hand circular components of a far field, for NEC's exp(+jwt) convention.
std::complex<double> RightHandField(const PatternPoint& point);
std::complex<double> LeftHandField(const PatternPoint& point);

// Circular gains (dBic) of a pattern point from its total gain and field components.
double RhcpGainDbic(const PatternPoint& point);
double LhcpGainDbic(const PatternPoint& point);

// The axial ratio of a pattern point's field, in dB; infinite where it is linearly polarised.
double AxialRatioDb(const PatternPoint& point);

// The input impedance of the two loops in parallel, each fed with 1 V, from one frequency of the
// output of the geometry's deck. Raises ModelError(OutputUnreadable) when the deck's two sources
// are not there or draw no current.
std::complex<double> InputImpedance(const HelixGeometry& geometry, const FrequencyRun& run);

// Figures from the output of the geometry's deck. Raises ModelError(OutputUnreadable) when the
// output does not answer that deck: runs, frequencies, sources or pattern points missing.
ModelFigures ComputeModelFigures(const HelixGeometry& geometry, const NecOutput& output,
                                 const DeckRequest& request = {});

}  // namespace zandrel
