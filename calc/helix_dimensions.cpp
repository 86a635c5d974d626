#include "helix_dimensions.h"

#include <cmath>
#include <optional>

#include "numeric.h"
#include "numeric_error.h"

namespace zandrel {

namespace {

double Wide(float value) { return static_cast<double>(value); }

// Rounds a step's double result to the single it is kept as, and makes sure it is stored
// before the flags are looked at.
void Store(float& field, double value) {
    field = static_cast<float>(value);
    Settle(field);
}

// One loop's top arm: half of what is left of the top span after the tube and the gap.
void ComputeTopArm(float& arm, float wavelength, double spanFactor, float tubeDiameter) {
    double span = Wide(wavelength) * spanFactor;
    double tubePlusGap = Wide(tubeDiameter) + Wide(TopArmGapMm);
    Settle(span);
    Settle(tubePlusGap);
    CheckFloatingPointFlags();
    Store(arm, (span - tubePlusGap) / TopArmDivisor);
    CheckFloatingPointFlags();
}

// The arc of one helical element: kept, then squared in place.
void ComputeArcSquared(float& arcSquared, float bottomArm, double turns) {
    Store(arcSquared, Wide(bottomArm) * PiApprox * turns);
    CheckFloatingPointFlags();
    Store(arcSquared, Wide(arcSquared) * Wide(arcSquared));
    CheckFloatingPointFlags();
}

// One helical element: the hypotenuse of the loop height and the arc.
void ComputeHelixLength(float& length, float loopHeight, float arcSquared) {
    double sum = Wide(loopHeight) * Wide(loopHeight) + Wide(arcSquared);
    Settle(sum);
    CheckFloatingPointFlags();
    Store(length, SquareRoot(sum));
}

}  // namespace

void ComputeHelixDimensions(std::string_view frequencyText, const StyleConstants& style,
                            HelixDimensions& d) {
    ClearFloatingPointFlags();
    d.FreqMHz = TextToSingle(frequencyText);
    Settle(d.FreqMHz);

    Store(d.WavelengthMm, WavelengthNumerator / Wide(d.FreqMHz));
    CheckFloatingPointFlags();
    Store(d.TubeDiameter, Wide(d.WavelengthMm) * style.TubeFactor);
    CheckFloatingPointFlags();
    Store(d.SmallLoopPerimeter, Wide(d.WavelengthMm) * style.SmallPerimeterFactor);
    CheckFloatingPointFlags();
    Store(d.LargeLoopPerimeter, Wide(d.WavelengthMm) * style.LargePerimeterFactor);
    CheckFloatingPointFlags();
    ComputeTopArm(d.SmallTopArm, d.WavelengthMm, style.SmallTopSpanFactor, d.TubeDiameter);
    Store(d.SmallBottomArm, Wide(d.WavelengthMm) * style.SmallBottomArmFactor);
    CheckFloatingPointFlags();
    ComputeTopArm(d.LargeTopArm, d.WavelengthMm, style.LargeTopSpanFactor, d.TubeDiameter);
    Store(d.LargeBottomArm, Wide(d.WavelengthMm) * style.LargeBottomArmFactor);
    CheckFloatingPointFlags();
    Store(d.SmallLoopHeight, Wide(d.WavelengthMm) * style.SmallHeightFactor);
    CheckFloatingPointFlags();
    Store(d.LargeLoopHeight, Wide(d.WavelengthMm) * style.LargeHeightFactor);
    CheckFloatingPointFlags();
    ComputeArcSquared(d.SmallArcSquared, d.SmallBottomArm, style.TurnFactor);
    ComputeHelixLength(d.SmallHelixLength, d.SmallLoopHeight, d.SmallArcSquared);
    ComputeArcSquared(d.LargeArcSquared, d.LargeBottomArm, style.TurnFactor);
    ComputeHelixLength(d.LargeHelixLength, d.LargeLoopHeight, d.LargeArcSquared);
}

FrequencyProblem ClassifyFrequencyError(const RuntimeError& error, std::string_view frequencyText) {
    const std::optional<NumericErrorKind> kind = error.KindOf<NumericErrorKind>();
    if (!kind) {
        return FrequencyProblem::Other;
    }
    switch (*kind) {
        case NumericErrorKind::TypeMismatch:
            return FrequencyProblem::NotANumber;
        case NumericErrorKind::DivisionByZero:
            return FrequencyProblem::Zero;
        case NumericErrorKind::Overflow:
            // The text itself overflows a single only when the frequency is too large.
            try {
                TextToSingle(frequencyText);
            } catch (const NumericError&) {
                return FrequencyProblem::TooLarge;
            }
            return FrequencyProblem::TooSmall;
        case NumericErrorKind::InvalidOperation:
            break;
    }
    return FrequencyProblem::Other;
}

std::string FormatDimension(float value) { return ValueToText(Round(value, 2)); }

double DisplayedHundredths(float value) {
    return std::round(static_cast<double>(Round(value, 2)) * 100.0);
}

double DisplayedMillimetres(float value) { return DisplayedHundredths(value) / 100.0; }

}  // namespace zandrel
