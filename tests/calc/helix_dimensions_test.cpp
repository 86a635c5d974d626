// The dimension computation, bit for bit, and where it stops when a frequency is unusable.
#include "helix_dimensions.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "numeric.h"
#include "numeric_error.h"
#include "worked_example.h"

namespace zandrel {
namespace {

using Column = std::array<const char*, 11>;

std::vector<std::string> Texts(const HelixDimensions& dimensions) {
    std::vector<std::string> texts;
    for (const DisplayedDimension& shown : DisplayOrder) {
        texts.push_back(FormatDimension(dimensions.*shown.Field));
    }
    return texts;
}

std::vector<std::string> Texts(const Column& column) { return {column.begin(), column.end()}; }

std::vector<std::string> Compute(const char* frequency, HelixStyle style) {
    HelixDimensions dimensions;
    ComputeHelixDimensions(frequency, StyleConstantsOf(style), dimensions);
    return Texts(dimensions);
}

bool SameBits(const HelixDimensions& a, const HelixDimensions& b) {
    return std::memcmp(&a, &b, sizeof(HelixDimensions)) == 0;
}

// Shortest text that reads back as exactly this single.
std::string ShortestText(float value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

using test_support::WorkedExample;

TEST(WorkedExample, GivesEveryStyleItsColumnCharacterForCharacter) {
    for (std::size_t i = 0; i < Styles.size(); ++i) {
        SCOPED_TRACE(std::string(Styles[i].Name));
        EXPECT_EQ(Compute("137.50", Styles[i].Style), Texts(WorkedExample[i]));
    }
}

TEST(WorkedExample, StoresTheExactSinglesOfQuarterTurn) {
    HelixDimensions d;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::QuarterTurn), d);
    EXPECT_EQ(d.FreqMHz, 137.5f);
    EXPECT_EQ(d.WavelengthMm, 2181.818115234375f);
    EXPECT_EQ(d.TubeDiameter, 8.727272033691406f);
    EXPECT_EQ(d.SmallLoopPerimeter, 2410.112548828125f);
    EXPECT_EQ(d.LargeLoopPerimeter, 2427.095947265625f);
    EXPECT_EQ(d.SmallTopArm, 129.26580810546875f);
    EXPECT_EQ(d.SmallBottomArm, 276.0f);
    EXPECT_EQ(d.LargeBottomArm, 276.0f);
    EXPECT_EQ(d.LargeTopArm, 129.26580810546875f);
    EXPECT_EQ(d.SmallLoopHeight, 912.4690551757812f);
    EXPECT_EQ(d.LargeLoopHeight, 921.1963500976562f);
    EXPECT_EQ(d.SmallHelixLength, 937.838623046875f);
    EXPECT_EQ(d.LargeHelixLength, 946.33203125f);
    EXPECT_EQ(d.SmallArcSquared, 46941.55859375f);
    EXPECT_EQ(d.LargeArcSquared, 46941.55859375f);
}

TEST(WorkedExample, StoresTheExactSinglesOfHalfTurnRca) {
    HelixDimensions d;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::HalfTurnRca), d);
    EXPECT_EQ(d.FreqMHz, 137.5f);
    EXPECT_EQ(d.WavelengthMm, 2181.818115234375f);
    EXPECT_EQ(d.TubeDiameter, 19.19999885559082f);
    EXPECT_EQ(d.SmallLoopPerimeter, 2216.727294921875f);
    EXPECT_EQ(d.LargeLoopPerimeter, 2443.63623046875f);
    EXPECT_EQ(d.SmallTopArm, 158.58181762695312f);
    EXPECT_EQ(d.SmallBottomArm, 340.3636169433594f);
    EXPECT_EQ(d.LargeBottomArm, 377.45452880859375f);
    EXPECT_EQ(d.LargeTopArm, 177.1272735595703f);
    EXPECT_EQ(d.SmallLoopHeight, 519.272705078125f);
    EXPECT_EQ(d.LargeLoopHeight, 567.272705078125f);
    EXPECT_EQ(d.SmallHelixLength, 745.114990234375f);
    EXPECT_EQ(d.LargeHelixLength, 820.3519897460938f);
    EXPECT_EQ(d.SmallArcSquared, 285552.21875f);
    EXPECT_EQ(d.LargeArcSquared, 351179.0625f);
}

TEST(WorkedExample, KeepsTheIntermediatesOfQuarterTurnInDoublePrecision) {
    const StyleConstants& k = StyleConstantsOf(HelixStyle::QuarterTurn);
    const double wavelength = 2181.818115234375;
    const double span = wavelength * k.SmallTopSpanFactor;
    const double tubePlusGap = static_cast<double>(8.727272033691406f) + 4.0;
    EXPECT_EQ(span, 271.2589008127441);
    EXPECT_EQ(tubePlusGap, 12.727272033691406);
    EXPECT_EQ((span - tubePlusGap) / 2.0, 129.26581438952635);
    EXPECT_EQ(static_cast<float>(276.0 * PiApprox * k.TurnFactor), 216.66000366210938f);
    const double sum = 912.4690551757812 * 912.4690551757812 + 46941.55859375;
    EXPECT_EQ(sum, 879541.3352471329);
    EXPECT_EQ(SquareRoot(sum), 937.8386509667497);
}

TEST(WorkedExample, RoundsTheStoredHelixLengthOfHalfTurnRcaDown) {
    // 745.114990234375 rounds to 745.11; with single constants or a rounded text it would be
    // 745.12.
    EXPECT_EQ(Compute("137.50", HelixStyle::HalfTurnRca)[9], "745.11");
}

TEST(FurtherCases, NegativeFrequencyGivesNegativeLengthsAndPositiveHelices) {
    EXPECT_EQ(Compute("-137.5", HelixStyle::QuarterTurn),
              Texts(Column{"-8.73", "-2410.11", "-2427.1", "-133.27", "-276", "-912.47", "-921.2",
                           "-133.27", "-276", "937.84", "946.33"}));
}

TEST(FurtherCases, HugeFrequencyGivesZerosAndTopArmsOfMinusTwo) {
    EXPECT_EQ(Compute("1E+30", HelixStyle::QuarterTurn),
              Texts(Column{"0", "0", "0", "-2", "0", "0", "0", "-2", "0", "0", "0"}));
    // The largest single still computes: every length underflows quietly.
    EXPECT_EQ(Compute("3.4028235E+38", HelixStyle::OneAndHalfTurn),
              Texts(Column{"0", "0", "0", "-2", "0", "0", "0", "-2", "0", "0", "0"}));
}

TEST(FurtherCases, OneMegahertzShowsSevenSignificantDigits) {
    HelixDimensions d;
    ComputeHelixDimensions("1", StyleConstantsOf(HelixStyle::QuarterTurn), d);
    EXPECT_EQ(d.LargeLoopPerimeter, 333725.6875f);
    const std::vector<std::string> texts = Texts(d);
    EXPECT_EQ(texts[0], "1200");
    EXPECT_EQ(texts[2], "333725.7");
    EXPECT_EQ(texts[4], "37950");
}

TEST(FurtherCases, OnlyHalfTurnRcaHasLoopsWithDifferentArms) {
    for (const char* frequency : {"137.50", "1", "28.5", "435", "1296.75", "0.001", "-7"}) {
        for (const StyleEntry& entry : Styles) {
            SCOPED_TRACE(std::string(entry.Name) + " at " + frequency);
            const std::vector<std::string> texts = Compute(frequency, entry.Style);
            const bool equalArms = texts[3] == texts[7] && texts[4] == texts[8];
            EXPECT_EQ(equalArms, entry.Style != HelixStyle::HalfTurnRca);
        }
    }
}

TEST(FurtherCases, RepeatedAndAlternatingComputesDependOnlyOnTheirOwnInput) {
    HelixDimensions d;
    const auto run = [&d](const char* frequency, HelixStyle style) {
        ComputeHelixDimensions(frequency, StyleConstantsOf(style), d);
        return Texts(d);
    };
    const std::vector<std::string> first = run("137.50", HelixStyle::QuarterTurn);
    EXPECT_EQ(run("137.50", HelixStyle::QuarterTurn), first);
    EXPECT_EQ(run("137.50", HelixStyle::HalfTurnRca), Texts(WorkedExample[1]));
    EXPECT_EQ(run("-1", HelixStyle::OneTurn), Compute("-1", HelixStyle::OneTurn));
    EXPECT_EQ(run("137.50", HelixStyle::QuarterTurn), first);
    EXPECT_EQ(run("137.5", HelixStyle::OneAndHalfTurn), Texts(WorkedExample[5]));
}

// The hundredths a result box's text shows, read from its digits alone.
long long HundredthsOfText(const std::string& text) {
    const bool negative = text.front() == '-';
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    fraction.resize(2, '0');
    const long long hundredths = std::stoll(whole) * 100 + std::stoll(fraction);
    return negative ? -hundredths : hundredths;
}

TEST(DisplayedDimensions, AgreeWithTheResultBoxesOverADenseGridOfFrequencies) {
    // Every 0.01 MHz from 50 to 3000 MHz, ties of the two usual roundings among them: at 50.06 MHz
    // the 1/2 TURN .3 TALL's small loop shows 6362.62, where rounding half away from zero gives
    // 6362.63.
    HelixDimensions tie;
    ComputeHelixDimensions("50.06", StyleConstantsOf(HelixStyle::HalfTurnShort), tie);
    EXPECT_EQ(FormatDimension(tie.SmallLoopPerimeter), "6362.62");
    EXPECT_EQ(DisplayedMillimetres(tie.SmallLoopPerimeter), 6362.62);
    std::size_t compared = 0;
    for (int hundredths = 5000; hundredths <= 300000; ++hundredths) {
        const std::string frequency =
            std::to_string(hundredths / 100) + "." + std::to_string(100 + hundredths % 100).substr(1);
        for (const StyleEntry& style : Styles) {
            HelixDimensions dimensions;
            ComputeHelixDimensions(frequency, style.Constants, dimensions);
            for (const DisplayedDimension& shown : DisplayOrder) {
                const float value = dimensions.*shown.Field;
                const std::string text = FormatDimension(value);
                ASSERT_EQ(DisplayedHundredths(value), static_cast<double>(HundredthsOfText(text)))
                    << frequency << " MHz, " << style.Name << ", " << shown.Name << ": " << text;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 295001u * 6u * 11u);
}

TEST(Failures, TextThatIsNotANumberChangesNoField) {
    for (const char* text : {"", "abc", "137,50", "137.50 MHz"}) {
        SCOPED_TRACE(text);
        HelixDimensions d;
        ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::QuarterTurn), d);
        const HelixDimensions before = d;
        try {
            ComputeHelixDimensions(text, StyleConstantsOf(HelixStyle::HalfTurnRca), d);
            ADD_FAILURE() << "no run-time error";
        } catch (const NumericError& error) {
            EXPECT_EQ(error.Kind(), NumericErrorKind::TypeMismatch);
            EXPECT_EQ(error.Number(), 13);
            EXPECT_EQ(error.Message(), "Type mismatch");
        }
        EXPECT_TRUE(SameBits(d, before));
    }
}

TEST(Failures, FrequencyBeyondTheSingleRangeChangesNoField) {
    HelixDimensions d;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::OneTurn), d);
    const HelixDimensions before = d;
    try {
        ComputeHelixDimensions("1E+39", StyleConstantsOf(HelixStyle::OneTurn), d);
        ADD_FAILURE() << "no run-time error";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::Overflow);
        EXPECT_EQ(error.Message(), "Overflow");
    }
    EXPECT_TRUE(SameBits(d, before));
}

TEST(Failures, ZeroFrequencyStopsAfterStoringTheWavelength) {
    HelixDimensions d;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::QuarterTurn), d);
    HelixDimensions expected = d;
    try {
        ComputeHelixDimensions("0", StyleConstantsOf(HelixStyle::QuarterTurn), d);
        ADD_FAILURE() << "no run-time error";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::DivisionByZero);
        EXPECT_EQ(error.Number(), 11);
        EXPECT_EQ(error.Message(), "Division by zero");
    }
    EXPECT_EQ(d.FreqMHz, 0.0f);
    EXPECT_TRUE(std::isinf(d.WavelengthMm));
    expected.FreqMHz = d.FreqMHz;
    expected.WavelengthMm = d.WavelengthMm;
    EXPECT_TRUE(SameBits(d, expected));
}

TEST(Failures, AFailedComputeDoesNotDisturbTheNextOne) {
    HelixDimensions d;
    EXPECT_THROW(ComputeHelixDimensions("0", StyleConstantsOf(HelixStyle::HalfTurnTall), d),
                 RuntimeError);
    EXPECT_THROW(ComputeHelixDimensions("1e-16", StyleConstantsOf(HelixStyle::HalfTurnTall), d),
                 RuntimeError);
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::HalfTurnTall), d);
    EXPECT_EQ(Texts(d), Texts(WorkedExample[3]));
}

// Where each style's dimensions first leave the single range as the frequency falls.
struct OverflowLimit {
    HelixStyle style;
    double approximateMHz;
    bool largeArcFirst;
};

void PrintTo(const OverflowLimit& limit, std::ostream* out) {
    *out << StyleEntryOf(limit.style).Name << " near " << limit.approximateMHz << " MHz";
}

class OverflowLimits : public testing::TestWithParam<OverflowLimit> {};

// The highest frequency that still overflows, found between adjacent singles.
float HighestFailingFrequency(const StyleConstants& constants) {
    float failing = 1e-20f;
    float working = 1e-10f;
    HelixDimensions scratch;
    while (std::nextafter(failing, working) != working) {
        const float middle = std::sqrt(failing * working);
        const float probe =
            (middle > failing && middle < working) ? middle : std::nextafter(failing, working);
        try {
            ComputeHelixDimensions(ShortestText(probe), constants, scratch);
            working = probe;
        } catch (const RuntimeError&) {
            failing = probe;
        }
    }
    return failing;
}

TEST_P(OverflowLimits, StopAtTheFirstSquaredArcThatOverflows) {
    const OverflowLimit limit = GetParam();
    const StyleConstants& constants = StyleConstantsOf(limit.style);
    const float failing = HighestFailingFrequency(constants);
    EXPECT_NEAR(failing, limit.approximateMHz, limit.approximateMHz * 0.05);

    HelixDimensions before;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::OneAndHalfTurn), before);

    HelixDimensions d = before;
    ComputeHelixDimensions(ShortestText(std::nextafter(failing, 1.0f)), constants, d);
    EXPECT_TRUE(std::isfinite(d.SmallArcSquared) && std::isfinite(d.LargeArcSquared));

    d = before;
    try {
        ComputeHelixDimensions(ShortestText(failing), constants, d);
        ADD_FAILURE() << "no run-time error";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::Overflow);
        EXPECT_EQ(error.Number(), 6);
    }
    EXPECT_EQ(d.FreqMHz, failing);
    EXPECT_NE(d.LargeLoopHeight, before.LargeLoopHeight);
    if (limit.largeArcFirst) {
        EXPECT_TRUE(std::isfinite(d.SmallArcSquared));
        EXPECT_NE(d.SmallHelixLength, before.SmallHelixLength);
        EXPECT_TRUE(std::isinf(d.LargeArcSquared));
        EXPECT_EQ(d.LargeHelixLength, before.LargeHelixLength);
    } else {
        EXPECT_TRUE(std::isinf(d.SmallArcSquared));
        EXPECT_EQ(d.SmallHelixLength, before.SmallHelixLength);
        EXPECT_EQ(d.LargeArcSquared, before.LargeArcSquared);
        EXPECT_EQ(d.LargeHelixLength, before.LargeHelixLength);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, OverflowLimits,
                         testing::Values(OverflowLimit{HelixStyle::QuarterTurn, 1.6e-15, false},
                                         OverflowLimit{HelixStyle::HalfTurnRca, 4.4e-15, true},
                                         OverflowLimit{HelixStyle::HalfTurnShort, 2.6e-15, false},
                                         OverflowLimit{HelixStyle::HalfTurnTall, 3.7e-15, false},
                                         OverflowLimit{HelixStyle::OneTurn, 5.3e-15, false},
                                         OverflowLimit{HelixStyle::OneAndHalfTurn, 8.3e-15, false}),
                         [](const testing::TestParamInfo<OverflowLimit>& param) {
                             return std::string(StyleEntryOf(param.param.style).Name);
                         });

TEST(Failures, FrequenciesTooSmallForEvenTheWavelengthOverflowAtOnce) {
    HelixDimensions d;
    try {
        ComputeHelixDimensions("1e-35", StyleConstantsOf(HelixStyle::QuarterTurn), d);
        ADD_FAILURE() << "no run-time error";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::Overflow);
    }
    EXPECT_TRUE(std::isinf(d.WavelengthMm));
    EXPECT_EQ(d.TubeDiameter, 0.0f);
}

}  // namespace
}  // namespace zandrel
