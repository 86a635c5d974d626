// The texts of the model's figures, of a frequency that cannot be modelled, and the engine's
// words as the program quotes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "model_error.h"
#include "model_texts.h"
#include "nec_output.h"

namespace zandrel {
namespace {

// The same number as the C library prints it, an independent way to write it in full.
std::string Printed(double value, int decimals) {
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.pop_back();
    return text;
}

TEST(NumberText, WritesEveryFiniteNumberInFullWithoutStrayBytes) {
    for (const double value :
         {137.456, -2.5e6, 1e61, 9.87e62, 1e100, -1e300, std::numeric_limits<double>::max(),
          std::numeric_limits<double>::lowest()}) {
        for (const int decimals : {0, 1, 2}) {
            const std::string text = Fixed(value, decimals);
            EXPECT_EQ(text, Printed(value, decimals)) << value;
            EXPECT_EQ(text.find('\0'), std::string::npos) << value;
        }
    }
    EXPECT_EQ(Fixed(std::numeric_limits<double>::max(), 2).size(), 309u + 3u);
    EXPECT_EQ(Fixed(-0.001, 2), "0.00");  // no negative zero
}

TEST(NumberText, ShowsAFigureThatIsNoFiniteNumberAsADash) {
    EXPECT_EQ(Fixed(std::numeric_limits<double>::infinity(), 2), "-");
    EXPECT_EQ(Fixed(-std::numeric_limits<double>::infinity(), 1), "-");
    EXPECT_EQ(Fixed(std::numeric_limits<double>::quiet_NaN(), 2), "-");
    ModelFigures figures;
    figures.Impedance = {50.0, 0.0};
    figures.FrontToBackDb = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FigureTexts(figures, Polarisation::Rhcp)[6], "- dB");
}

TEST(FigureTexts, OverAGroundShowTheGainAt10DegreesElevationUnderItsHeaderAndNoFrontToBack) {
    ModelFigures figures;
    figures.Impedance = {50.0, 0.0};
    figures.OverGround = true;
    figures.ElevationGains = {{0.0, -999.99, -999.99}, {5.0, -3.0, -9.0}, {10.0, 1.25, -7.5}};
    EXPECT_EQ(FigureTexts(figures, Polarisation::Rhcp)[3], "1.25 dBic");
    EXPECT_EQ(FigureTexts(figures, Polarisation::Lhcp)[3], "-7.50 dBic");
    EXPECT_EQ(FigureTexts(figures, Polarisation::Rhcp)[6], "\u2014");
    EXPECT_EQ(ModelColumnHeader(4, true), "GAIN AT 10\u00B0 ELEVATION");
    EXPECT_EQ(ModelColumnHeader(4, false), "GAIN AT HORIZON");
    EXPECT_EQ(ModelColumnHeader(7, true), "FRONT-TO-BACK");
}

TEST(EnginesWords, AreQuotedWithoutControlCharactersOrTerminalSequences) {
    const std::string words = LastWords(
        "first line, not among the last two\n"
        "\x1b[2J\x1b]0;a new title\x07GEOMETRY \tDATA\r\n"
        "caf\xc3\xa9 \xff \xc2\x9b"
        "31m \xe2\x80\x94 end\x7f\n\n",
        2);
    EXPECT_EQ(words, "?[2J?]0;a new title?GEOMETRY DATA\ncaf\xc3\xa9 ? ?31m \xe2\x80\x94 end?");
}

TEST(EnginesWords, CutsALongLineShort) {
    const std::string words = LastWords(std::string(100000, 'x'));
    EXPECT_EQ(words, std::string(200, 'x') + "...");
}

TEST(EnginesWords, NameAGeometryRejectionOnlyWhenTheEngineMakesOne) {
    EXPECT_EQ(GeometryRejection("     1   -0.0000    0.0000\n SEGMENT DATA ERROR"),
              "SEGMENT DATA ERROR");
    EXPECT_EQ(GeometryRejection("  GEOMETRY DATA ERROR -- SEGMENT 3 EXTENDS BELOW GROUND\n"),
              "GEOMETRY DATA ERROR -- SEGMENT 3 EXTENDS BELOW GROUND");
    EXPECT_EQ(GeometryRejection("  LOADING DATA CARD ERROR, NO SEGMENT HAS AN ITAG = 9\n"), "");
    EXPECT_EQ(GeometryRejection("  GEOMETRY DATA CARD ERROR\n"), "");
}

struct ComponentCase {
    double Value;
    const char* Unit;
    const char* Text;
};

TEST(ComponentValue, KeepsThreeSignificantFiguresInTheUnitThatHoldsThem) {
    const ComponentCase cases[] = {
        {36.3e-12, "F", "36.3 pF"},
        {4.48e-9, "H", "4.48 nH"},
        {30.3e-9, "H", "30.3 nH"},
        {1.0e-10, "H", "100 pH"},
        {4.16e-6, "H", "4.16 \u00B5H"},
        {5.0e-13, "F", "500 fF"},
        {11.4e-9, "F", "11.4 nF"},
        {2.5e-15, "F", "2.50 fF"},
        {1.234e-3, "H", "1.23 mH"},
        // Rounding that carries into the next unit, and that stays below it.
        {999.7e-12, "F", "1.00 nF"},
        {999.4e-12, "F", "999 pF"},
        {9.996e-9, "H", "10.0 nH"},
        {99.96e-9, "H", "100 nH"},
    };
    for (const ComponentCase& c : cases) {
        EXPECT_EQ(ComponentValue(c.Value, c.Unit), c.Text) << c.Value;
    }
}

TEST(ComponentValue, MatchingAtTenGigahertzIsNoLongerRoundedAway) {
    ModelFigures figures;
    figures.Match = {MatchingKind::Inductor, 1.2e-10};
    EXPECT_EQ(FigureTexts(figures, Polarisation::Rhcp)[1], "120 pH inductor");
    figures.Match = {MatchingKind::Capacitor, 4.99e-13};
    EXPECT_EQ(FigureTexts(figures, Polarisation::Rhcp)[1], "499 fF capacitor");
}

TEST(CannotBeModelledSentence, QuotesTheFrequencyAndGivesTheModelsReason) {
    const ModelError error(ModelErrorKind::NotModellable,
                           "at this frequency the tube diameter is 0 mm");
    EXPECT_TRUE(IsNotModellable(error));
    EXPECT_FALSE(IsEngineError(error));
    EXPECT_EQ(CannotBeModelledSentence("\u201C1E+30\u201D", error),
              "The frequency \u201C1E+30\u201D cannot be modelled: at this frequency the tube "
              "diameter is 0 mm.");
    EXPECT_FALSE(IsNotModellable(ModelError(ModelErrorKind::EngineFailed, "nec2c said: x")));
}

TEST(LineColumnHeader, NamesTheLinesImpedanceWithoutTrailingZeros) {
    EXPECT_EQ(LineColumnHeader("SWR ON Z0", 50.0), "SWR ON 50 OHM");
    EXPECT_EQ(LineColumnHeader("QUARTER-WAVE TO Z0", 75.0), "QUARTER-WAVE TO 75 OHM");
    EXPECT_EQ(LineColumnHeader("L-NETWORK TO Z0", 52.5), "L-NETWORK TO 52.5 OHM");
    EXPECT_EQ(LineColumnHeader("SWR ON Z0", 100.0), "SWR ON 100 OHM");
    EXPECT_EQ(LineColumnHeader("PHASING", 50.0), "PHASING");
}

// 1 % of a 137.5 MHz resonance is 1.375 MHz: at 0.0275 MHz per mm, 50 mm either way.
TEST(ResonanceToleranceText, GivesTheLengthThatMovesResonanceByOnePercentEitherWay) {
    EXPECT_EQ(ResonanceToleranceText(-0.0275, 137.5),
              "\u00B150 mm keeps resonance within \u00B11 %");
    EXPECT_EQ(ResonanceToleranceText(0.0275, 137.5),
              "\u00B150 mm keeps resonance within \u00B11 %");
    // Small loops at high frequencies: a few millimetres, to tenths and hundredths.
    EXPECT_EQ(ResonanceToleranceText(-4.0, 1691.0),
              "\u00B14.2 mm keeps resonance within \u00B11 %");
    EXPECT_EQ(ResonanceToleranceText(-40.0, 1691.0),
              "\u00B10.42 mm keeps resonance within \u00B11 %");
    EXPECT_EQ(ResonanceToleranceText(0.0, 137.5), "resonance does not follow its length");
    EXPECT_EQ(ResonanceToleranceText(std::nullopt, 137.5), "no resonance in the sweep");
    EXPECT_EQ(ResonanceToleranceText(-0.03, std::nullopt), "no resonance in the sweep");
}

}  // namespace
}  // namespace zandrel
