// A design whose two loops are scaled, as tuning and fitting change them: its helix and the
// dimensions the builder cuts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "helix_dimensions.h"
#include "helix_geometry.h"

namespace zandrel {

// The design whose loops are tuned or fitted: a style at a frequency, as the model builds it.
struct LoopDesign {
    const StyleEntry* Style = nullptr;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    std::optional<double> ConductorDiameterMm;  // empty: the calculator's tube diameter
    Installation Install;                       // the ground, mast and coax it is modelled with
};

// Each loop's scale factor: it multiplies the loop's helix radius and height. Both 1 is the
// calculator's design.
struct LoopScales {
    double Small = 1.0;
    double Large = 1.0;
};

// The loop sizes that tuning and fitting search, as scale factors: far enough for any antenna
// built near its dimensions, near enough that the helix keeps its style.
inline constexpr double LowestLoopScale = 0.80;
inline constexpr double HighestLoopScale = 1.20;

// The design's helix with its loops scaled, both loops or one fed. Raises as
// BuildHelixGeometry does.
HelixGeometry BuildScaledGeometry(const LoopDesign& design, LoopScales scales,
                                  FedLoops fed = FedLoops::Both);

// The calculator's dimensions with each loop's bottom arm, height, perimeter, top arm and helix
// length following its scale factor as the model's wires do: the helix's radius and height
// scale, so its bottom arm, perimeter and helix length do too, and its top arm, running from the
// feed at the axis to the helix, grows by the change in radius. The tube stays.
HelixDimensions ScaledDimensions(const HelixDimensions& design, LoopScales scales);

// Evenly spaced frequencies over the design frequency +-halfSpan, lowest first, in MHz: by
// default the 41 points over +-10 % of the model's Touchstone file.
std::vector<double> SpreadFrequencies(double frequencyMHz, int points = 41, double halfSpan = 0.10);

}  // namespace zandrel
