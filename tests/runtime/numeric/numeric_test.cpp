// Number services: the text grammar, correct rounding, the text form and the flag check.
#include "numeric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "numeric_error.h"

namespace zandrel {
namespace {

constexpr float FloatMax = std::numeric_limits<float>::max();

// The single nearest to an exact decimal, from the standard library's correctly rounded reader.
float NearestSingle(const std::string& text) {
    float value = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void ExpectRuntimeError(NumericErrorKind kind, int number, const std::string& message,
                        const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "no run-time error was raised";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), kind);
        EXPECT_EQ(error.Number(), number);
        EXPECT_EQ(error.Message(), message);
    }
}

TEST(TextToSingle, ReadsEveryFormOfTheGrammar) {
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"137.50", 137.5f}, {"  137.5  ", 137.5f}, {"+1", 1.0f},     {"-2.5", -2.5f},
        {"7.", 7.0f},       {".5", 0.5f},          {"1e3", 1000.0f}, {"1E+3", 1000.0f},
        {"25E-1", 2.5f},    {"0007", 7.0f},        {"-0", -0.0f},    {"1.e2", 100.0f},
        {".5e1", 5.0f},     {"0.1", 0.1f},         {"-.25", -0.25f}, {"1e0000000002", 100.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const float value = TextToSingle(c.text);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(std::signbit(value), std::signbit(c.expected));
    }
}

TEST(TextToSingle, RejectsEverythingElseAsATypeMismatch) {
    const char* rejected[] = {
        "",      "   ",   "abc",    "nan",   "NaN",   "inf", "-infinity", "0x10",
        "0x1p3", "1.2.3", "1,5",    "1 000", "1e",    "1e+", "e5",        ".",
        "+",     "-",     "- 1",    "+-1",   "1-",    "\t1", "1\n",       "1d3",
        "12MHz", "١٢٣",   "１２３", "1٫5",   "1e5.5", "..5", "1\xC2\xA0", "$1",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        ExpectRuntimeError(NumericErrorKind::TypeMismatch, 13, "Type mismatch",
                           [text] { TextToSingle(text); });
    }
    const std::string withNul("1\0", 2);
    EXPECT_THROW(TextToSingle(withNul), RuntimeError);
}

TEST(TextToSingle, RoundsTheExactDecimalOnceAndNeverThroughADouble) {
    // Just above the midpoint between 1 and the next single: a double would land exactly on the
    // midpoint and then round down to 1.
    EXPECT_EQ(TextToSingle("1.00000005960464477539062500000001"), std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(TextToSingle("1.000000059604644775390625"), 1.0f);
    EXPECT_EQ(TextToSingle("0.000000000000000000000000000000000000000000000000000001e60"), 1e6f);
}

TEST(TextToSingle, RaisesOverflowBeyondTheLargestSingle) {
    EXPECT_EQ(TextToSingle("3.4028235e38"), FloatMax);
    // Half a step above the largest single rounds to even, which is out of range.
    EXPECT_EQ(TextToSingle("340282356779733661637539395458142568447"), FloatMax);
    for (const char* text : {"340282356779733661637539395458142568448", "1E+39", "-3.5e38",
                             "1e99999999999999999999", "123456789e99999"}) {
        SCOPED_TRACE(text);
        ExpectRuntimeError(NumericErrorKind::Overflow, 6, "Overflow",
                           [text] { TextToSingle(text); });
    }
}

TEST(TextToSingle, TurnsNumbersBelowTheSmallestSingleIntoZeroOfTheirSign) {
    EXPECT_EQ(TextToSingle("1.4e-45"), std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(TextToSingle("1e-40"), NearestSingle("1e-40"));
    const float tiny = TextToSingle("1e-50");
    EXPECT_EQ(tiny, 0.0f);
    EXPECT_FALSE(std::signbit(tiny));
    const float negativeTiny = TextToSingle("-0.0000001e-99999999999999");
    EXPECT_EQ(negativeTiny, 0.0f);
    EXPECT_TRUE(std::signbit(negativeTiny));
}

TEST(Round, ActsOnTheExactBinaryValueOfTheSingle) {
    // 745.114990234375 is the single; a seven-digit text of it (745.115) would round up.
    EXPECT_EQ(Round(745.114990234375f, 2), NearestSingle("745.11"));
    EXPECT_EQ(Round(2.675f, 2), NearestSingle("2.67"));  // the single is 2.67499995...
    EXPECT_EQ(Round(333725.6875f, 2), 333725.6875f);
    EXPECT_EQ(Round(8.727272033691406f, 2), NearestSingle("8.73"));
    EXPECT_EQ(Round(1e10f, 2), 1e10f);
    EXPECT_EQ(Round(-FloatMax, 2), -FloatMax);
}

TEST(Round, SendsExactHalvesToTheEvenNeighbour) {
    EXPECT_EQ(Round(0.125f, 2), NearestSingle("0.12"));
    EXPECT_EQ(Round(0.375f, 2), NearestSingle("0.38"));
    EXPECT_EQ(Round(-0.125f, 2), NearestSingle("-0.12"));
    EXPECT_EQ(Round(2.5f, 0), 2.0f);
    EXPECT_EQ(Round(3.5f, 0), 4.0f);
}

TEST(Round, KeepsTheSignOfAValueThatRoundsToZero) {
    const float rounded = Round(-0.004f, 2);
    EXPECT_EQ(rounded, 0.0f);
    EXPECT_TRUE(std::signbit(rounded));
}

TEST(Round, GivesTheSingleNearestToTheRoundedDecimalForManyValues) {
    std::mt19937 generator(20261208);
    std::uniform_real_distribution<float> magnitude(-6.0f, 5.2f);
    for (int i = 0; i < 200000; ++i) {
        const float value =
            std::copysign(std::pow(10.0f, magnitude(generator)), (i % 2 == 0) ? 1.0f : -1.0f);
        const double hundredths = std::nearbyint(static_cast<double>(value) * 100.0);
        const std::string decimal = std::to_string(static_cast<long long>(hundredths)) + "e-2";
        ASSERT_EQ(Round(value, 2), NearestSingle(decimal)) << "value " << value;
    }
}

TEST(Round, RaisesOverflowForValuesThatAreNotFinite) {
    ExpectRuntimeError(NumericErrorKind::Overflow, 6, "Overflow",
                       [] { Round(std::numeric_limits<float>::infinity(), 2); });
    EXPECT_THROW(Round(std::numeric_limits<float>::quiet_NaN(), 2), RuntimeError);
}

TEST(ValueToText, WritesAtMostSevenSignificantDigitsWithoutTrailingZeros) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {276.0f, "276"},     {2427.1f, "2427.1"},     {333725.6875f, "333725.7"},
        {1200.0f, "1200"},   {37950.0f, "37950"},     {0.05f, "0.05"},
        {-8.73f, "-8.73"},   {1234567.0f, "1234567"}, {9999999.0f, "9999999"},
        {0.0001f, "0.0001"}, {-2.0f, "-2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueToText(c.value), c.text);
    }
}

TEST(ValueToText, UsesTheScientificFormFromEightIntegerDigits) {
    EXPECT_EQ(ValueToText(12345678.0f), "1.234568E+07");
    EXPECT_EQ(ValueToText(16777216.0f), "1.677722E+07");
    EXPECT_EQ(ValueToText(9999999.5f), "1E+07");
    EXPECT_EQ(ValueToText(1e30f), "1E+30");
    EXPECT_EQ(ValueToText(-FloatMax), "-3.402823E+38");
    EXPECT_EQ(ValueToText(0.00001f), "1E-05");
}

TEST(ValueToText, AgreesWithTheStandardSevenDigitGeneralFormForManyValues) {
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> magnitude(-6.0f, 9.0f);
    std::uniform_int_distribution<std::uint32_t> bits(0x3F800000u, 0x4B18967Fu);  // 1 to 1e7
    for (int i = 0; i < 400000; ++i) {
        float value = std::pow(10.0f, magnitude(generator));
        if (i % 2 == 1) {
            value = std::bit_cast<float>(bits(generator));
        }
        value = (i % 3 == 0) ? -value : value;
        std::array<char, 32> buffer{};
        const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                       static_cast<double>(value), std::chars_format::general, 7)
                             .ptr;
        std::string expected(buffer.data(), end);
        std::replace(expected.begin(), expected.end(), 'e', 'E');
        ASSERT_EQ(ValueToText(value), expected) << "bits " << std::bit_cast<std::uint32_t>(value);
    }
}

TEST(ValueToText, ShowsNegativeZeroAsZero) {
    EXPECT_EQ(ValueToText(-0.0f), "0");
    EXPECT_EQ(ValueToText(0.0f), "0");
}

TEST(ValueToText, RaisesOverflowForValuesThatAreNotFinite) {
    EXPECT_THROW(ValueToText(std::numeric_limits<float>::infinity()), RuntimeError);
}

TEST(NumericError, CarriesTheNumberAndMessageOfEachKind) {
    const NumericError divide(NumericErrorKind::DivisionByZero);
    EXPECT_EQ(divide.Number(), 11);
    EXPECT_STREQ(divide.what(), "Division by zero");
    const NumericError invalid(NumericErrorKind::InvalidOperation);
    EXPECT_EQ(invalid.Number(), 5);
    EXPECT_EQ(invalid.Message(), "Invalid floating-point operation");
    const RuntimeError& caught = NumericError(NumericErrorKind::TypeMismatch);
    EXPECT_EQ(caught.Number(), 13);
    EXPECT_EQ(caught.Message(), "Type mismatch");
}

// Values the optimiser cannot see through, so that each operation really happens at run time.
volatile float VolatileFloat = 0.0f;
volatile double VolatileDouble = 0.0;

TEST(FloatingPointCheck, PassesWhenNothingWasRaised) {
    ClearFloatingPointFlags();
    VolatileDouble = 1.0 / 3.0;  // inexact only
    EXPECT_NO_THROW(CheckFloatingPointFlags());
}

TEST(FloatingPointCheck, ReportsEachTestedFlagAsItsOwnError) {
    ClearFloatingPointFlags();
    VolatileDouble = 0.0;
    VolatileDouble = 1.0 / VolatileDouble;
    ExpectRuntimeError(NumericErrorKind::DivisionByZero, 11, "Division by zero",
                       [] { CheckFloatingPointFlags(); });

    ClearFloatingPointFlags();
    VolatileDouble = 1e300;
    VolatileFloat = static_cast<float>(VolatileDouble);
    ExpectRuntimeError(NumericErrorKind::Overflow, 6, "Overflow",
                       [] { CheckFloatingPointFlags(); });

    ClearFloatingPointFlags();
    VolatileDouble = -1.0;
    VolatileDouble = SquareRoot(VolatileDouble);
    ExpectRuntimeError(NumericErrorKind::InvalidOperation, 5, "Invalid floating-point operation",
                       [] { CheckFloatingPointFlags(); });
}

TEST(FloatingPointCheck, IgnoresUnderflow) {
    ClearFloatingPointFlags();
    VolatileFloat = 1e-30f;
    VolatileFloat = VolatileFloat * VolatileFloat;
    EXPECT_EQ(VolatileFloat, 0.0f);
    EXPECT_NO_THROW(CheckFloatingPointFlags());
}

TEST(FloatingPointCheck, KeepsAFlagUntilTheNextClear) {
    ClearFloatingPointFlags();
    VolatileFloat = FloatMax;
    VolatileFloat = VolatileFloat * 2.0f;
    VolatileDouble = 2.0 * 3.0;
    EXPECT_THROW(CheckFloatingPointFlags(), RuntimeError);
    EXPECT_THROW(CheckFloatingPointFlags(), RuntimeError);
    ClearFloatingPointFlags();
    EXPECT_NO_THROW(CheckFloatingPointFlags());
}

// Sets the C locale for one test and puts the previous one back.
class DecimalCommaLocale : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* locales = std::getenv("ZANDREL2_TEST_LOCPATH");
        if (locales == nullptr) {
            GTEST_SKIP() << "needs the decimal-comma locale that the test fixture builds";
        }
        setenv("LOCPATH", locales, 1);
        previous_ = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override {
        if (!previous_.empty()) {
            std::setlocale(LC_ALL, previous_.c_str());
        }
    }

  private:
    std::string previous_;
};

TEST_F(DecimalCommaLocale, ReadsAndWritesNumbersWithAPointAsEverywhere) {
    EXPECT_EQ(TextToSingle("137.50"), 137.5f);
    EXPECT_EQ(TextToSingle(" -1.375E+2 "), -137.5f);
    ExpectRuntimeError(NumericErrorKind::TypeMismatch, 13, "Type mismatch",
                       [] { TextToSingle("137,50"); });
    EXPECT_EQ(ValueToText(Round(2427.1f, 2)), "2427.1");
    EXPECT_EQ(ValueToText(12345678.0f), "1.234568E+07");
    EXPECT_EQ(ValueToText(0.05f), "0.05");
}

}  // namespace
}  // namespace zandrel
