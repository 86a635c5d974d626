#include "numeric.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfenv>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <system_error>

#include "numeric_error.h"

// On x86-64 every float and double operation runs on SSE, whose IEEE flags live in MXCSR;
// reading that register is the same test as fetestexcept at a fraction of the cost.
#if defined(__x86_64__) && defined(__SSE2_MATH__)
#define ZANDREL2_SSE_FLAGS 1
#include <xmmintrin.h>
#endif

static_assert(FLT_EVAL_METHOD == 0, "singles and doubles must be evaluated in their own precision");
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

namespace zandrel {

namespace {

#if defined(ZANDREL2_SSE_FLAGS)
constexpr unsigned SseInvalid = 0x01;
constexpr unsigned SseDivideByZero = 0x04;
constexpr unsigned SseOverflow = 0x08;
constexpr unsigned SseFlagMask = 0x3F;  // all six exception flags
#else
constexpr int TestedFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
#endif
constexpr float LargestFractionalSingle = 8388608.0f;  // 2^23: every single from here up is whole
constexpr std::array<double, 8> PowersOfTen{1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
constexpr long long ExponentClamp = 1'000'000'000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

// The decimal exponent of the leading non-zero digit of a number that matched the grammar:
// 0 for 1 to 9.99, -1 for 0.1 to 0.999. Only its sign matters, so the exponent saturates.
long long LeadingDigitExponent(std::string_view integerDigits, std::string_view fractionDigits,
                               std::string_view exponentText) {
    long long exponent = 0;
    bool negativeExponent = false;
    for (const char c : exponentText) {
        if (c == '-') {
            negativeExponent = true;
        } else if (IsDigit(c) && exponent < ExponentClamp) {
            exponent = exponent * 10 + (c - '0');
        }
    }
    if (negativeExponent) {
        exponent = -exponent;
    }
    const std::size_t firstInteger = integerDigits.find_first_not_of('0');
    if (firstInteger != std::string_view::npos) {
        return static_cast<long long>(integerDigits.size() - firstInteger) - 1 + exponent;
    }
    const std::size_t firstFraction = fractionDigits.find_first_not_of('0');
    return -static_cast<long long>(firstFraction) - 1 + exponent;
}

}  // namespace

float TextToSingle(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        throw NumericError(NumericErrorKind::TypeMismatch);
    }
    const std::string_view number = text.substr(first, text.find_last_not_of(' ') - first + 1);

    std::size_t at = 0;
    const bool negative = number[at] == '-';
    if (number[at] == '+' || number[at] == '-') {
        ++at;
    }
    const std::size_t integerStart = at;
    at = SkipDigits(number, at);
    const std::string_view integerDigits = number.substr(integerStart, at - integerStart);
    std::string_view fractionDigits;
    if (at < number.size() && number[at] == '.') {
        const std::size_t fractionStart = ++at;
        at = SkipDigits(number, at);
        fractionDigits = number.substr(fractionStart, at - fractionStart);
    }
    if (integerDigits.empty() && fractionDigits.empty()) {
        throw NumericError(NumericErrorKind::TypeMismatch);
    }
    std::string_view exponentText;
    if (at < number.size() && (number[at] == 'e' || number[at] == 'E')) {
        const std::size_t exponentStart = ++at;
        if (at < number.size() && (number[at] == '+' || number[at] == '-')) {
            ++at;
        }
        const std::size_t digitsStart = at;
        at = SkipDigits(number, at);
        if (at == digitsStart) {
            throw NumericError(NumericErrorKind::TypeMismatch);
        }
        exponentText = number.substr(exponentStart, at - exponentStart);
    }
    if (at != number.size()) {
        throw NumericError(NumericErrorKind::TypeMismatch);
    }

    // from_chars takes no plus sign; it rounds the exact decimal to the nearest single.
    const std::string_view digits = number.substr(number[0] == '+' ? 1 : 0);
    float value = 0.0f;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (LeadingDigitExponent(integerDigits, fractionDigits, exponentText) >= 0) {
            throw NumericError(NumericErrorKind::Overflow);
        }
        return negative ? -0.0f : 0.0f;
    }
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        throw NumericError(NumericErrorKind::TypeMismatch);
    }
    return value;
}

float Round(float value, int decimals) {
    if (!std::isfinite(value)) {
        throw NumericError(NumericErrorKind::Overflow);
    }
    if (std::fabs(value) >= LargestFractionalSingle) {
        return value;
    }
    const double scale = PowersOfTen.at(static_cast<std::size_t>(decimals));
    // Both products are exact: 24 significant bits times at most 24 bits of 10^7.
    const double whole = std::nearbyint(static_cast<double>(value) * scale);
    const double quotient = whole / scale;
    float nearest = static_cast<float>(quotient);
    if (static_cast<double>(nearest) != quotient) {
        // The double quotient was rounded once already; if it fell exactly between two singles,
        // the true decimal decides which one is nearer.
        const float neighbour = std::nextafter(nearest, quotient > static_cast<double>(nearest)
                                                            ? std::numeric_limits<float>::max()
                                                            : std::numeric_limits<float>::lowest());
        const double midpoint =
            (static_cast<double>(nearest) + static_cast<double>(neighbour)) / 2.0;
        if (midpoint == quotient) {
            const double scaledMidpoint = midpoint * scale;
            if (whole > scaledMidpoint) {
                nearest = std::max(nearest, neighbour);
            } else if (whole < scaledMidpoint) {
                nearest = std::min(nearest, neighbour);
            }
        }
    }
    return nearest;
}

std::string ValueToText(float value) {
    if (!std::isfinite(value)) {
        throw NumericError(NumericErrorKind::Overflow);
    }
    if (value == 0.0f) {
        return "0";
    }
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude >= 1.0 && magnitude < PowersOfTen[7]) {
        // Seven significant digits from one exact product: 24 bits times at most 5^6.
        std::size_t integerDigits = 1;
        while (magnitude >= PowersOfTen[integerDigits]) {
            ++integerDigits;
        }
        const double digits = std::nearbyint(magnitude * PowersOfTen[7 - integerDigits]);
        if (digits < PowersOfTen[7]) {
            std::array<char, 7> decimal{};
            auto remaining = static_cast<std::uint32_t>(digits);
            for (std::size_t i = decimal.size(); i-- > 0;) {
                decimal[i] = static_cast<char>('0' + remaining % 10);
                remaining /= 10;
            }
            std::size_t kept = decimal.size();
            while (kept > integerDigits && decimal[kept - 1] == '0') {
                --kept;
            }
            std::string text = value < 0.0f ? "-" : "";
            text.append(decimal.data(), integerDigits);
            if (kept > integerDigits) {
                text += '.';
                text.append(decimal.data() + integerDigits, kept - integerDigits);
            }
            return text;
        }
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      static_cast<double>(value), std::chars_format::general, 7);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

double SquareRoot(double value) { return std::sqrt(value); }

void ClearFloatingPointFlags() noexcept {
    std::atomic_signal_fence(std::memory_order_seq_cst);
#if defined(ZANDREL2_SSE_FLAGS)
    _mm_setcsr(_mm_getcsr() & ~SseFlagMask);
#else
    std::feclearexcept(FE_ALL_EXCEPT);
#endif
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void CheckFloatingPointFlags() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
#if defined(ZANDREL2_SSE_FLAGS)
    const unsigned sse = _mm_getcsr();
    const int raised = ((sse & SseInvalid) != 0 ? FE_INVALID : 0) |
                       ((sse & SseDivideByZero) != 0 ? FE_DIVBYZERO : 0) |
                       ((sse & SseOverflow) != 0 ? FE_OVERFLOW : 0);
#else
    const int raised = std::fetestexcept(TestedFlags);
#endif
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if ((raised & FE_DIVBYZERO) != 0) {
        throw NumericError(NumericErrorKind::DivisionByZero);
    }
    if ((raised & FE_OVERFLOW) != 0) {
        throw NumericError(NumericErrorKind::Overflow);
    }
    if ((raised & FE_INVALID) != 0) {
        throw NumericError(NumericErrorKind::InvalidOperation);
    }
}

}  // namespace zandrel
