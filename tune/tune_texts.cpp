#include "tune_texts.h"

#include <cmath>
#include <cstdlib>

#include "model_texts.h"

namespace zandrel {

std::string ScaleText(double factor) { return Fixed(factor, 4); }

std::string ScaleFactorsSentence(LoopScales scales) {
    return "Scale factors: small loop x " + ScaleText(scales.Small) + ", large loop x " +
           ScaleText(scales.Large);
}

std::string LoopTrimSentence(std::string_view loop, const LoopTrim& trim) {
    const long error = std::lround(trim.ErrorMm);
    std::string text = "The " + std::string(loop) + " loop is ";
    if (error == 0) {
        text += "within 1 mm of the design (" + Fixed(trim.ErrorPercent, 1) + " %)";
    } else {
        text += std::to_string(std::labs(error)) + " mm (" +
                Fixed(std::fabs(trim.ErrorPercent), 1) + " %) too " +
                (error > 0 ? "long" : "short");
    }
    const long cut = std::lround(trim.TrimPerElementMm);
    if (cut > 0) {
        text += ": shorten each of its two helical elements by " + std::to_string(cut) + " mm.";
    } else if (cut < 0) {
        text +=
            ": each of its two helical elements must be " + std::to_string(-cut) + " mm longer.";
    } else {
        text += ": nothing to trim.";
    }
    return text;
}

std::string ResidualSentence(const FitResult& fit) {
    const std::string verdict =
        fit.Residual <= PoorFitResidual
            ? "a close fit."
            : "a poor fit; a long cable between the VNA and the antenna, or a measurement of "
              "another style, gives this.";
    return "Residual " + Fixed(fit.Residual, 4) + " at " +
           std::to_string(fit.FrequenciesMHz.size()) +
           " frequencies (RMS difference of S11, model against measurement): " + verdict;
}

std::string AfterTrimSentence(const TrimAdvice& advice, std::string_view frequencyText,
                              Polarisation sense) {
    const auto texts = FigureTexts(advice.After, sense);
    return "After trimming, at " + std::string(frequencyText) + " MHz: " + texts[0] + " ohm, SWR " +
           Fixed(advice.SwrAfter, 2) + " on " + Fixed(advice.ReferenceOhm, 1) + " ohm, resonance " +
           texts[5];
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

std::string TrimAdviceText(const FitResult& fit, const TrimAdvice& advice,
                           std::string_view frequencyText, Polarisation sense) {
    return "Fitted in nec2c: small loop x " + ScaleText(fit.Scales.Small) + ", large loop x " +
           ScaleText(fit.Scales.Large) + "\n" + ResidualSentence(fit) + "\n\n" +
           LoopTrimSentence("small", advice.Small) + "\n" +
           LoopTrimSentence("large", advice.Large) + "\n\n" +
           AfterTrimSentence(advice, frequencyText, sense);
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
