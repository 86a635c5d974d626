// Number services of the runtime: text to single, rounding, value to text, square root and
// the floating-point exception check. They behave the same whatever the C locale says.
#pragma once

#include <string>
#include <string_view>

namespace zandrel {

// Converts a text to the single nearest to the number it writes (round half to even on the
// exact decimal value, never through a double). The accepted text is, in full:
//
//   text     = spaces [sign] mantissa [exponent] spaces
//   spaces   = { " " }                      only U+0020, before and after
//   sign     = "+" | "-"
//   mantissa = digits ["." [digits]] | "." digits
//   exponent = ("e" | "E") [sign] digits
//   digits   = digit { digit }              ASCII "0" to "9" only
//
// Anything else (an empty or blank text, words, "nan", "inf", hexadecimal, digits of other
// scripts, a second point, a thousands separator) raises TypeMismatch. A number whose single
// would lie beyond the largest finite single raises Overflow. A number too small for the
// smallest single becomes a zero of its sign, as any tiny result does.
float TextToSingle(std::string_view text);

// Rounds the exact binary value of `value` to `decimals` places (0 to 7) and returns the single
// nearest to that decimal. A value exactly halfway goes to the even neighbour. Values that have
// no fraction at that precision come back unchanged. A value that is not finite raises Overflow.
float Round(float value, int decimals);

// Decimal text of a single with at most seven significant digits, no trailing zeros and no
// trailing point: 276, 2427.1, 333725.7, 0.05. Values with eight or more integer digits (and
// values below 0.0001) take the scientific form with a two-digit signed exponent and the same
// seven digits: 12345678 gives "1.234568E+07", 1E+30 gives "1E+30". Zero of either sign is "0".
// A value that is not finite raises Overflow.
std::string ValueToText(float value);

double SquareRoot(double value);

// The floating-point exception flags for invalid operation, division by zero and overflow.
// Underflow and inexact results are never tested.
void ClearFloatingPointFlags() noexcept;

// Raises DivisionByZero, Overflow or InvalidOperation (in that order of precedence) when the
// matching flag has been raised since the last clear.
void CheckFloatingPointFlags();

// Makes the compiler finish computing `value` and write it to memory at this point, so that the
// floating-point work before a flag check is neither moved after it nor dropped.
template <typename T>
inline void Settle(T& value) noexcept {
#if defined(__GNUC__)
    asm volatile("" : "+m"(value) : : "memory");
#else
    static_cast<void>(*static_cast<volatile T*>(&value));
#endif
}

}  // namespace zandrel
