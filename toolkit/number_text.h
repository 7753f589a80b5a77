// Number utilities of the toolkit: exact fixed-point text of a double, the
// float printer and the lenient reader of typed numbers, and two rounding
// helpers. All are pure functions; none allocates or keeps state.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kFixedIntDigits = 312;   // 309 digits of the largest double, a carry, spare
constexpr int kFixedFracDigits = 1074; // the longest exact fraction of a double

// The exact decimal expansion of a finite double rounded to `decimals`
// fractional digits, ties to even: what C99 printf's "%.Nf" prints, computed
// with integers so every C runtime gives the same digits.
struct FixedDecimal {
    int negative;   // the sign bit (so -0.0 and values rounding to zero keep '-')
    int finite;     // 0 for infinity and NaN; the digit fields are then "0"
    int nan;        // 1 for NaN
    int decimals;   // fractional digits asked for, never negative
    int intLength;  // digits in intDigits, at least 1, no leading zeros
    int fracLength; // digits held in fracDigits; the rest up to decimals are '0'
    char intDigits[kFixedIntDigits];
    char fracDigits[kFixedFracDigits];
};

// Fills `fixed` with `value` rounded to `decimals` places (negative counts as
// 0). Returns 1 for a finite value, 0 for infinity or NaN.
int FixedDecimalMake(double value, int decimals, FixedDecimal* fixed);

// Returns fractional digit `index` (0 = tenths) as a character, '0' past the stored digits.
char FixedDecimalFracDigit(const FixedDecimal* fixed, int index);

// Prints `value` as printf's "%[+][0width].{decimals}f" would: a '+' when
// withPlus is 1 and the value is not 0, zero-padded to `width` when width is
// not 0. Infinity prints "inf" ("+inf" with withPlus 1, "-inf"), NaN "nan",
// both blank-padded to width. The text is cut to outSize - 1 characters and
// always terminated. Returns the length written, at most 255.
uint8_t FloatToText(float value, char* out, size_t outSize, uint8_t decimals, uint8_t width,
                    int withPlus);

// Reads a typed number leniently: skips to the first digit, '.' or ','
// ('-' on the way makes it negative), reads up to 53 integer digits and, after
// '.' or ',', up to 52 fraction digits; any other character ends it. Returns
// the number; 0.0 (never -0.0) for null, empty or digit-less text.
double TextToNumber(const char* text);

// Returns the nearest integer to `value` with halves going down (2.5 -> 2,
// -2.5 -> -3). Infinity and NaN come back unchanged.
float RoundHalfDown(float value);

// Returns a * b / c computed with a 64-bit product, truncated toward zero.
// A zero divisor gives 0; a quotient beyond 32 bits is clamped to
// INT32_MIN..INT32_MAX.
int32_t ScaleMulDiv(int32_t a, int32_t b, int32_t c);
