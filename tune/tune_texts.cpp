#include "tune_texts.h"

#include <cmath>
#include <cstdlib>

#include "model_texts.h"

namespace zandrel {

std::string ScaleText(double factor) { return Fixed(factor, 4); }

std::string SearchedScalesText() {
    return Fixed(LowestLoopScale, 2) + " to " + Fixed(HighestLoopScale, 2);
}

std::string ScaleFactorsSentence(LoopScales scales) {
    return "Scale factors: small loop x " + ScaleText(scales.Small) + ", large loop x " +
           ScaleText(scales.Large);
}

const TrimHints CommandLineHints{
    "give --conductor-diameter",
    "give the two files as --measured-small and --measured-large",
    "give it with --cable-length, --cable-velocity-factor and --cable-loss"};

namespace {

// Millimetres per element as the advice says them: whole millimetres, never rounded up into a
// longer cut than the figure.
long WholeMm(double mm) { return static_cast<long>(std::floor(mm + 1e-9)); }

std::string MmRange(double low, double high) {
    const auto text = [](double mm) { return Fixed(mm, 1); };
    return text(low) + " to " + text(high) + " mm";
}

}  // namespace

std::string LoopTrimSentence(std::string_view loop, const LoopTrim& trim) {
    const long error = std::lround(trim.ErrorMm);
    std::string text = "The " + std::string(loop) + " loop is ";
    if (error == 0) {
        return text + "within 1 mm of the target (" + Fixed(trim.ErrorPercent, 1) +
               " %): nothing to trim (95 %: " + MmRange(trim.IntervalLowMm, trim.IntervalHighMm) +
               " per element).";
    }
    text += std::to_string(std::labs(error)) + " mm (" + Fixed(std::fabs(trim.ErrorPercent), 1) +
            " %) too " + (error > 0 ? "long" : "short");
    const std::string interval =
        " (95 %: " + MmRange(trim.IntervalLowMm, trim.IntervalHighMm) + ")";
    if (trim.TrimPerElementMm < 0.0) {
        return text + ": each of its two helical elements must be " +
               Fixed(-trim.TrimPerElementMm, 1) + " mm longer" + interval +
               ". Cut nothing: lengthen them, or replace them.";
    }
    text += ": cut " + Fixed(trim.TrimPerElementMm, 1) +
            " mm off each of its two helical elements" + interval + ".";
    const long now = WholeMm(trim.CutNowPerElementMm);
    if (now <= 0) {
        text += " Cut nothing yet: the measurement cannot rule out that it is short enough "
                "already.";
    } else if (trim.CutNowPerElementMm < trim.TrimPerElementMm) {
        text += " Cut " + std::to_string(now) + " mm now, measure again, then trim the rest.";
    } else {
        text += " Cut " + std::to_string(now) + " mm now.";
    }
    return text;
}

std::string ResidualSentence(const FitResult& fit) {
    const std::string verdict =
        fit.Residual <= PoorFitResidual
            ? "a close fit."
            : "a poor fit; a long cable between the VNA and the antenna, or a measurement of "
              "another style, gives this.";
    return "Residual " + Fixed(fit.Residual, 4) + " at " + std::to_string(fit.FittedPoints) +
           " frequencies (RMS difference of S11, model against measurement): " + verdict;
}

std::string FittedSentence(const FitResult& fit) {
    const auto factor = [](const char* loop, double scale, const ScaleInterval& interval) {
        return std::string(loop) + " loop x " + ScaleText(scale) + " (" + ScaleText(interval.Low) +
               " to " + ScaleText(interval.High) + ")";
    };
    return "Fitted in nec2c at " + std::to_string(fit.FittedPoints) + " frequencies from " +
           Fixed(fit.LowestMHz, 2) + " to " + Fixed(fit.HighestMHz, 2) + " MHz: " +
           factor("small", fit.Scales.Small, fit.Small) + ", " +
           factor("large", fit.Scales.Large, fit.Large) + ", 95 % intervals";
}

std::string ConductorSentence(std::optional<double> builtMm, double calculatorTubeMm,
                              const TrimHints& hints) {
    if (builtMm) {
        return "Modelled with your " + Fixed(*builtMm, 2) + " mm tube or wire.";
    }
    return "Modelled with the calculator's " + Fixed(calculatorTubeMm, 2) + " mm tube: " +
           hints.Conductor + " if you built with another.";
}

std::string CableSentence(const MeasuringCable& cable) {
    return "Cable taken off the measurement: " + Fixed(cable.LengthM, 2) +
           " m, velocity factor " + Fixed(cable.VelocityFactor, 2) + ", " +
           Fixed(cable.LossDbPer100M, 1) + " dB per 100 m.";
}

std::string WithheldSentence(const FitResult& fit, const TrimAdvice& advice,
                             const TrimHints& hints) {
    switch (advice.Withheld) {
        case WithheldReason::PoorFit:
            return "No cuts: the model does not explain the measurement (residual " +
                   Fixed(fit.Residual, 4) + ", above " + Fixed(PoorFitResidual, 2) +
                   "). Check that the style and frequency are the ones you built, that the VNA "
                   "was calibrated where the antenna was connected (a cable in between? " +
                   hints.Cable + "), and the conductor's diameter.";
        case WithheldReason::CableSuspected:
            return "No cuts: a cable of about " + Fixed(fit.CableElectricalLengthM, 2) +
                   " m electrical length (" +
                   Fixed(fit.CableElectricalLengthM * SolidPolyethyleneVelocityFactor, 2) +
                   " m of coax with velocity factor " + Fixed(SolidPolyethyleneVelocityFactor, 2) +
                   ") between the VNA and the feed explains "
                   "the measurement far better (residual " +
                   Fixed(fit.CableResidual, 4) + " against " + Fixed(fit.Residual, 4) +
                   "). Calibrate the VNA at the cable's end, or " + hints.Cable + ".";
        case WithheldReason::AtLimit:
            return "No cuts: a loop's factor is at the end of the range searched (small loop x " +
                   ScaleText(fit.Scales.Small) + ", large loop x " + ScaleText(fit.Scales.Large) +
                   "): this antenna is not the design within 20 %. Check the style, the "
                   "frequency and the conductor's diameter.";
        case WithheldReason::None:
            break;
    }
    return {};
}

std::string ModelledStateSentence(std::string_view name, const ModelledState& state,
                                  double referenceOhm, std::string_view frequencyText,
                                  Polarisation sense) {
    const auto texts = FigureTexts(state.Figures, sense);
    return std::string(name) + ", at " + std::string(frequencyText) + " MHz: " + texts[0] +
           " ohm, SWR " + Fixed(state.Swr, 2) + " on " + Fixed(referenceOhm, 1) +
           " ohm, resonance " + texts[5];
}

std::string TunedSentences(const TuneResult& tuned, const TuneSettings& settings) {
    std::string text = ScaleFactorsSentence(tuned.Scales) + "\n(each from " +
                       Fixed(settings.LowestScale, 2) + " to " + Fixed(settings.HighestScale, 2) +
                       ", for the lowest zenith axial ratio with |X| within " +
                       Fixed(settings.ReactanceLimitOhm, 0) + " ohm at the design frequency)";
    if (!tuned.MeetsReactanceLimit) {
        text += "\nNo factors in range meet the reactance limit: the best found.";
    }
    return text;
}

std::string PassTunedSentences(const PassTuneResult& tuned, const PassTuneSettings& settings) {
    std::string text = ScaleFactorsSentence(tuned.Scales) + "\n(each from " +
                       Fixed(settings.LowestScale, 2) + " to " + Fixed(settings.HighestScale, 2) +
                       ", for the highest weakest signal from 10° to 90° of a pass at " +
                       Fixed(settings.AltitudeKm, 0) +
                       " km,\nwith the zenith's cross-polar rejection at least " +
                       Fixed(settings.CrossPolarRejectionDb, 0) +
                       " dB and the L-network's parts practical;\nX is left to the L-network)";
    if (!tuned.MeetsLimits) {
        text += "\nNo factors found meet the cross-polar and parts limits: the nearest found.";
    }
    return text;
}

std::vector<std::vector<std::string>> DimensionRows(const HelixDimensions& calculator,
                                                    const HelixDimensions& tuned) {
    std::vector<std::vector<std::string>> rows{{"DIMENSION (mm)", "CALCULATOR", "TUNED"}};
    for (const DisplayedDimension& shown : DisplayOrder) {
        rows.push_back({std::string(shown.Name), FormatDimension(calculator.*shown.Field),
                        FormatDimension(tuned.*shown.Field)});
    }
    return rows;
}

std::string MeasuredSentence(std::string_view name, const Measurement& measurement) {
    return "Measured: " + std::string(name) + ", " + std::to_string(measurement.Points.size()) +
           " points from " + Fixed(measurement.Points.front().FrequencyMHz, 2) + " to " +
           Fixed(measurement.Points.back().FrequencyMHz, 2) + " MHz on " +
           Fixed(measurement.ReferenceOhm, 1) + " ohm";
}

std::string MeasuredSentence(const PartMeasurement& part) {
    const std::string sentence = MeasuredSentence(part.Name, part.Data);
    switch (part.Part) {
        case MeasuredPart::SmallLoop:
            return sentence + ", the small loop alone";
        case MeasuredPart::LargeLoop:
            return sentence + ", the large loop alone";
        case MeasuredPart::Whole:
            break;
    }
    return sentence;
}

std::string TrimAdviceText(const FitResult& fit, const TrimAdvice& advice,
                           const TrimAssumptions& assumed, const TrimHints& hints) {
    std::string text =
        ConductorSentence(assumed.ConductorDiameterMm, assumed.CalculatorTubeMm, hints) + "\n";
    if (assumed.Cable) {
        text += CableSentence(*assumed.Cable) + "\n";
    }
    text += FittedSentence(fit) + "\n" + ResidualSentence(fit) + "\n\n";
    if (advice.Withheld != WithheldReason::None) {
        text += WithheldSentence(fit, advice, hints) + "\n\n";
    } else {
        text += LoopTrimSentence("small", advice.Small) + "\n" +
                LoopTrimSentence("large", advice.Large) + "\n\n";
        if (advice.Ambiguous) {
            text += "The measurement cannot tell the two loops apart to within " +
                    Fixed(AmbiguousWidthMm, 0) +
                    " mm per element. To pin each one down, measure each loop alone: take the "
                    "other loop's two top arms off the coax, sweep, put them back; then " +
                    hints.LoopFiles + ".\n\n";
        }
    }
    const std::string target =
        assumed.ToTuned ? "Target (the tuned loops)" : "Target (the calculator's design)";
    return text +
           ModelledStateSentence("Now, as fitted", advice.Now, advice.ReferenceOhm,
                                 assumed.FrequencyText, assumed.Sense) +
           "\n" +
           ModelledStateSentence(target, advice.AtTarget, advice.ReferenceOhm,
                                 assumed.FrequencyText, assumed.Sense);
}

std::vector<std::string> TouchstoneComments(std::string_view caption,
                                            std::string_view frequencyText, double referenceOhm,
                                            std::optional<double> conductorDiameterMm) {
    std::vector<std::string> comments{"zandrel2 NEC-2 model of " + std::string(caption) + " at " +
                                          std::string(frequencyText) + " MHz, nec2c",
                                      "S11 on " + Fixed(referenceOhm, 2) +
                                          " ohm, 41 points over +-10 %"};
    if (conductorDiameterMm) {
        comments.push_back("built with a " + Fixed(*conductorDiameterMm, 2) +
                           " mm tube or wire instead of the calculator's tube");
    }
    return comments;
}

}  // namespace zandrel
