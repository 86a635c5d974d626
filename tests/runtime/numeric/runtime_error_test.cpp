// The run-time error: the check of a layer's table of kinds, and an error that keeps its kind
// when it is kept for later as a plain RuntimeError.
#include "runtime_error.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "numeric_error.h"

namespace zandrel {

enum class SampleKind { First, Second, Third };

template <>
struct ErrorKindTable<SampleKind> {
    static constexpr std::array<ErrorKindEntry<SampleKind>, 3> Entries{{
        {SampleKind::First, 901, "First sample"},
        {SampleKind::Second, 902, "Second sample"},
        {SampleKind::Third, 903, "Third sample"},
    }};
};

using SampleError = LayerError<SampleKind>;

namespace {

using Entry = ErrorKindEntry<SampleKind>;

static_assert(CoversEveryKindInOrder(std::array<Entry, 3>{
    {{SampleKind::First, 1, ""}, {SampleKind::Second, 2, ""}, {SampleKind::Third, 3, ""}}}));
static_assert(!CoversEveryKindInOrder(std::array<Entry, 2>{
                  {{SampleKind::First, 1, ""}, {SampleKind::Second, 2, ""}}}),
              "a table that leaves out the last kind");
static_assert(!CoversEveryKindInOrder(std::array<Entry, 3>{{{SampleKind::First, 1, ""},
                                                            {SampleKind::Third, 3, ""},
                                                            {SampleKind::Second, 2, ""}}}),
              "a table out of order");
static_assert(!CoversEveryKindInOrder(std::array<Entry, 3>{{{SampleKind::First, 1, ""},
                                                            {SampleKind::First, 1, ""},
                                                            {SampleKind::Third, 3, ""}}}),
              "a table that names a kind twice");
static_assert(!CoversEveryKindInOrder(std::array<Entry, 4>{{{SampleKind::First, 1, ""},
                                                            {SampleKind::Second, 2, ""},
                                                            {SampleKind::Third, 3, ""},
                                                            {static_cast<SampleKind>(3), 4, ""}}}),
              "a table with a kind that the enumeration does not have");

enum class GappedKind { First, Later = 5 };
static_assert(!CoversEveryKindInOrder(std::array<ErrorKindEntry<GappedKind>, 2>{
                  {{GappedKind::First, 1, ""}, {GappedKind::Later, 2, ""}}}),
              "an enumeration whose kinds are not numbered one after another");

void ExpectSecondSample(const RuntimeError& error) {
    EXPECT_EQ(error.KindOf<SampleKind>(), SampleKind::Second);
    EXPECT_TRUE(error.Is(SampleKind::Second));
    EXPECT_FALSE(error.Is(SampleKind::First));
    EXPECT_EQ(error.Number(), 902);
    EXPECT_EQ(error.Message(), "Second sample");
    EXPECT_EQ(error.Detail(), "what went wrong");
}

TEST(KeptRuntimeError, KeepsItsKindWhenCopiedOrMovedAsAPlainRuntimeError) {
    std::optional<RuntimeError> kept;
    try {
        throw SampleError(SampleKind::Second, "what went wrong");
    } catch (const RuntimeError& error) {
        kept = error;
    }
    ASSERT_TRUE(kept.has_value());
    ExpectSecondSample(*kept);

    std::vector<RuntimeError> moved;
    moved.push_back(std::move(*kept));
    ExpectSecondSample(moved.front());

    RuntimeError assigned = NumericError(NumericErrorKind::Overflow);
    assigned = moved.front();
    ExpectSecondSample(assigned);
}

TEST(KeptRuntimeError, KeepsItsKindWhenThrownAgain) {
    const std::optional<RuntimeError> kept = SampleError(SampleKind::Second, "what went wrong");
    try {
        throw *kept;
    } catch (const RuntimeError& error) {
        ExpectSecondSample(error);
    }
}

TEST(KeptRuntimeError, TellsTheLayersApartWhereTheirKindsShareAValue) {
    static_assert(static_cast<int>(SampleKind::Second) ==
                  static_cast<int>(NumericErrorKind::Overflow));
    const RuntimeError sample = SampleError(SampleKind::Second);
    const RuntimeError numeric = NumericError(NumericErrorKind::Overflow);
    EXPECT_EQ(sample.KindOf<NumericErrorKind>(), std::nullopt);
    EXPECT_EQ(numeric.KindOf<SampleKind>(), std::nullopt);
    EXPECT_EQ(numeric.KindOf<NumericErrorKind>(), NumericErrorKind::Overflow);
    EXPECT_EQ(numeric.Number(), 6);
    EXPECT_EQ(numeric.Message(), "Overflow");
    EXPECT_TRUE(numeric.Detail().empty());
}

}  // namespace
}  // namespace zandrel
