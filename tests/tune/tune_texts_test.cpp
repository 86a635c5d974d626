// The words of a fit as the command line prints them and the model window shows them.
#include <gtest/gtest.h>

#include <string>

#include "tune_texts.h"

namespace zandrel {
namespace {

FitResult FitWithResidual(double residual) {
    FitResult fit;
    fit.Residual = residual;
    fit.FittedPoints = 11;
    return fit;
}

// The verdict follows the value: close up to 0.05, poor above, with what gives a poor one; one
// line either way, so that the window's advice wraps it as a paragraph.
TEST(PassTunedSentences, NameTheAltitudeAndLimitsAndSayWhenTheyWereNotMet) {
    PassTuneResult tuned;
    tuned.Scales = {0.8, 1.11337};
    tuned.MeetsLimits = true;
    PassTuneSettings settings;
    settings.AltitudeKm = 420.0;
    const std::string met = PassTunedSentences(tuned, settings);
    EXPECT_EQ(met.rfind("Scale factors: small loop x 0.8000, large loop x 1.1134\n", 0), 0u) << met;
    EXPECT_NE(met.find("of a pass at 420 km"), std::string::npos) << met;
    EXPECT_NE(met.find("cross-polar rejection at least 10 dB"), std::string::npos) << met;
    EXPECT_EQ(met.find("nearest"), std::string::npos) << met;
    tuned.MeetsLimits = false;
    EXPECT_NE(PassTunedSentences(tuned, settings).find("\nNo factors found meet the cross-polar "
                                                       "and parts limits: the nearest found."),
              std::string::npos);
}

TEST(ResidualSentence, CallsTheFitCloseOrPoorEitherSideOfTheLimit) {
    const struct {
        double Residual;
        const char* Value;
        bool Poor;
    } cases[] = {{0.0047, "0.0047", false},
                 {0.0499, "0.0499", false},
                 {0.0501, "0.0501", true},
                 {0.3120, "0.3120", true}};
    for (const auto& c : cases) {
        const std::string sentence = ResidualSentence(FitWithResidual(c.Residual));
        SCOPED_TRACE(sentence);
        EXPECT_EQ(sentence.rfind(std::string("Residual ") + c.Value + " at 11 frequencies (", 0),
                  0u);
        EXPECT_EQ(sentence.find('\n'), std::string::npos);
        EXPECT_EQ(sentence.find("a close fit."), c.Poor ? std::string::npos : sentence.size() - 12);
        EXPECT_EQ(sentence.find("a poor fit; a long cable") != std::string::npos, c.Poor);
    }
}

}  // namespace
}  // namespace zandrel
