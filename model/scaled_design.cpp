#include "scaled_design.h"

namespace zandrel {

namespace {

double Wide(float value) { return static_cast<double>(value); }

}  // namespace

HelixGeometry BuildScaledGeometry(const LoopDesign& design, LoopScales scales, FedLoops fed) {
    GeometryOptions options;
    options.Fed = fed;
    options.ConductorDiameterMm = design.ConductorDiameterMm;
    options.Install = design.Install;
    options.SmallLoopScale = scales.Small;
    options.LargeLoopScale = scales.Large;
    return BuildHelixGeometry(*design.Style, design.FrequencyText, design.Sense, options);
}

HelixDimensions ScaledDimensions(const HelixDimensions& design, LoopScales scales) {
    HelixDimensions d = design;
    const auto scaleLoop = [](double s, float& perimeter, float& topArm, float& bottomArm,
                              float& height, float& helixLength, float& arcSquared) {
        topArm = static_cast<float>(Wide(topArm) + (s - 1.0) * Wide(bottomArm) / 2.0);
        bottomArm = static_cast<float>(Wide(bottomArm) * s);
        perimeter = static_cast<float>(Wide(perimeter) * s);
        height = static_cast<float>(Wide(height) * s);
        helixLength = static_cast<float>(Wide(helixLength) * s);
        arcSquared = static_cast<float>(Wide(arcSquared) * s * s);
    };
    scaleLoop(scales.Small, d.SmallLoopPerimeter, d.SmallTopArm, d.SmallBottomArm,
              d.SmallLoopHeight, d.SmallHelixLength, d.SmallArcSquared);
    scaleLoop(scales.Large, d.LargeLoopPerimeter, d.LargeTopArm, d.LargeBottomArm,
              d.LargeLoopHeight, d.LargeHelixLength, d.LargeArcSquared);
    return d;
}


std::vector<double> SpreadFrequencies(double frequencyMHz, int points, double halfSpan) {
    std::vector<double> frequencies;
    for (int i = 0; i < points; ++i) {
        const double share = points > 1 ? static_cast<double>(i) / (points - 1) : 0.5;
        frequencies.push_back(frequencyMHz * (1.0 - halfSpan + 2.0 * halfSpan * share));
    }
    return frequencies;
}

}  // namespace zandrel
