// The figures of a modelled helix, taken from nec2c's output of its deck.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "line_match.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {

struct SweepPoint {
    double FrequencyMHz = 0.0;
    std::complex<double> Impedance;
    double Swr = 0.0;  // with the matching component in series, against R at the design frequency
    double SwrZ0Matched = 0.0;  // on the line's Z0, through the L-network
};

// A vertical cut of the pattern: the angle from the zenith, going down on the side of the
// cut's azimuth (0 to 180) and up on the opposite side (180 to 360).
struct CutPoint {
    double AngleFromZenithDeg = 0.0;
    double RhcpDbic = 0.0;
    double LhcpDbic = 0.0;
};

// The circular gains at one elevation, each the power mean over azimuth.
struct ElevationGain {
    double ElevationDeg = 0.0;
    double RhcpDbic = 0.0;
    double LhcpDbic = 0.0;
};

// One edge of the 2:1 band; empty when it lies beyond the sweep.
using BandEdge = std::optional<double>;

// The phase and size of the large loop's current beside the small loop's.
struct LoopPhasing {
    double PhaseDeg = 0.0;  // -180 < phase <= 180
    double CurrentRatio = 0.0;
};

// The antenna matched to a line of impedance Z0 at the design frequency.
struct LineMatch {
    double Z0Ohm = 0.0;
    double VelocityFactor = 0.0;
    double SwrUnmatched = 0.0;  // on Z0, nothing fitted
    LNetwork Network;           // matches exactly at the design frequency
    BandEdge BandwidthLowMHz;   // of SWR 2 on Z0 through the network
    BandEdge BandwidthHighMHz;
    QuarterWave Transformer;  // after the series matching component
    std::vector<PartAdvice> Parts;  // the network's parts left out or too small to buy
    // Two equal coax in parallel, when the nearest single coax gives no lower SWR than none.
    std::optional<QuarterWave> ParallelTransformer;
};

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
    // Empty over a ground: at grazing incidence its reflection cancels the field at the horizon
    // (all of it over real ground, the horizontal part over perfect ground), and there is no
    // nadir below it.
    std::optional<double> HorizonRhcpDbic;
    std::optional<double> HorizonLhcpDbic;
    double MaxGainDbi = 0.0;
    double MaxGainElevationDeg = 0.0;
    std::optional<double> FrontToBackDb;
    double AxialRatioDb = 0.0;  // infinite for a linearly polarised zenith
    // The large loop's source current beside the small loop's, each in its top wire's direction
    // (from the braid's arm to the centre's arm), at the design frequency.
    LoopPhasing Phasing;
    LineMatch Line;
    std::vector<SweepPoint> Sweep;
    // Over a ground, the cuts hold the upper half only: 0 to 90 and 270 to 360 degrees.
    std::vector<CutPoint> CutXz;  // through the small loop's plane (phi 0)
    std::vector<CutPoint> CutYz;  // through the large loop's plane (phi 90)
    std::vector<ElevationGain> ElevationGains;  // 0 to 90 degrees, upwards, at the pattern's step
    bool OverGround = false;

    // The power means over azimuth at an elevation of the pattern's grid; empty when it has none.
    std::optional<ElevationGain> GainsAtElevation(double elevationDeg) const;
};

// The elevation the tables show the gain at over a ground, where the horizon has none.
inline constexpr double LowElevationDeg = 10.0;

// Right- and left-hand circular components of a far field, for NEC's exp(+jwt) convention.
std::complex<double> RightHandField(const PatternPoint& point);
std::complex<double> LeftHandField(const PatternPoint& point);

// Circular gains (dBic) of a pattern point from its total gain and field components.
double RhcpGainDbic(const PatternPoint& point);
double LhcpGainDbic(const PatternPoint& point);

// The circular gains at each elevation from the horizon up to the zenith, as ModelFigures has
// them, from the pattern of a deck of `request`'s step (DeckRuns::PatternAndSweep or ::Pattern),
// over the upper half-space only when there is a ground. Raises ModelError(OutputUnreadable)
// when the pattern is not that deck's whole grid.
std::vector<ElevationGain> ElevationGainsOf(const std::vector<PatternPoint>& pattern,
                                            const DeckRequest& request = {},
                                            bool upperHalfOnly = false);

// The axial ratio of a pattern point's field, in dB; infinite where it is linearly polarised.
double AxialRatioDb(const PatternPoint& point);

// The input impedance of the loops in parallel on the coax, from one frequency of the output of
// the geometry's deck. Raises ModelError(OutputUnreadable) when the deck's sources are not there,
// have no voltage or draw no current.
std::complex<double> InputImpedance(const HelixGeometry& geometry, const FrequencyRun& run);

// The current of the source on `tag` beside that of the source on `referenceTag`, as nec2c gives
// them in a run, each in the direction of its wire. Raises ModelError(OutputUnreadable) when a
// source is missing or the reference draws no current.
LoopPhasing PhasingOf(const FrequencyRun& run, int referenceTag, int tag);

// Figures from the output of the geometry's deck. Raises ModelError(OutputUnreadable) when the
// output does not answer that deck: runs, frequencies, sources or pattern points missing, and
// ModelError(NotMatchable) for a line that no match can be made to.
ModelFigures ComputeModelFigures(const HelixGeometry& geometry, const NecOutput& output,
                                 const DeckRequest& request = {}, const LineRequest& line = {});

}  // namespace zandrel
