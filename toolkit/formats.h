// The toolkit's text arithmetic: the pattern formatter with its picture
// language, dates and durations, and the signed sample clock. Pure functions,
// safe to call from any thread; every writer is bounded by the size the
// caller gives and always terminates its text.
//
// Pattern language: literal text with conversions
//   %  [Mc Vc Pc Nc -0 -- -+]*  U [D|H|B|O|C] :  picture  conversion
// where the picture is up to four groups of '#' and digits separated by '.',
// and the conversion is d (day number), f (double), h (seconds), i (int32)
// or s (text). A conversion that breaks off is copied as literal text.
#pragma once

#include "toolkit/musical_position.h"
#include "toolkit/number_text.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// One parsed conversion of a pattern; cleared before each parse.
struct FormatSpec {
    char groupChar;        // M: thousands separator, after hours / day, fill of s; 0 = default
    char pointChar;        // V: decimal point, after minutes / month; 0 = default
    char plusChar;         // P: replaces '+' of decimal output; 0 = '+'
    char minusChar;        // N: replaces '-' of decimal output; 0 = '-'
    char radix;            // letter after U: 0, 'D', 'H', 'B', 'O' or 'C'
    uint8_t blankZeroSign; // -0: the sign of an exact zero prints as a blank
    uint8_t blankMinus;    // --: the minus sign prints as a blank
    uint8_t blankPlus;     // -+: the plus sign prints as a blank
    char conversion;       // 0 (none recognised) or 'd', 'f', 'h', 'i', 's'
    struct {
        int32_t count; // picture characters in the group; for s, group 2 holds the width
        char last;     // last picture character of the group ('#' or a digit)
    } groups[4];
    int32_t dotCount;        // '.' in the picture
    int32_t prefixLength;    // literal characters before the '%'
    int32_t conversionIndex; // position of the conversion letter in the segment
};

// Parses one segment of a pattern: literal text up to a '%', then one
// conversion. Returns the characters consumed: past the conversion letter
// when spec->conversion is set, else up to the character where the
// conversion broke off (the whole segment is then literal). Returns at
// least 1 for non-empty text, 0 for empty text.
size_t ParseFormatSegment(const char* segment, FormatSpec* spec);

// Formats `pattern` into `out`, taking one argument per recognised conversion
// in pattern order: d, h, i an int, f a double, s a const char* (null prints
// as empty text). Writes at most outSize - 1 characters and always terminates
// when outSize > 0. Returns the length written.
int FormatPattern(char* out, size_t outSize, const char* pattern, ...);

// FormatPattern with the arguments as a va_list. Returns the length written.
int FormatPatternV(char* out, size_t outSize, const char* pattern, va_list args);

// Converts a day number (1 = 1 January of year 0, proleptic Gregorian) to
// its date; day numbers below 1 count as 1. Returns through day (1-31),
// month (1-12) and year.
void DayNumberToDate(int32_t dayNumber, int* day, int* month, int* year);

// Returns the weekday of a day number, 0 = Monday .. 6 = Sunday (day 1 is a
// Saturday); day numbers below 1 count as 1, as in DayNumberToDate.
int DayOfWeek(int32_t dayNumber);

// Splits a duration; negative seconds count as 0. Returns through h, m, s.
void SecondsToHms(int32_t seconds, int* h, int* m, int* s);

// Splits a signed sample position at `sampleRate` into its clock parts: the
// hours carry the sign (clamped to 32 bits), the other parts are of the
// absolute value; frames = leftover samples * framesPerSecond / rate. A rate
// below 1 gives all parts 0. Returns through the pointers.
void SplitSamplePosition(int64_t position, int32_t sampleRate, float framesPerSecond,
                         int32_t* hours, int32_t* minutes, int32_t* seconds, int32_t* milliseconds,
                         float* frames);

// Formats a sample position as "+000 H 00' 00 : 000 ms" (mode 1: frames,
// "+000 H 00' 00 - 0.00"); a negative position starts with '-' even under one
// hour. Writes at most outSize - 1 characters, always terminated. Returns the
// length written.
int FormatSampleClock(int64_t position, int32_t sampleRate, float framesPerSecond, char* out,
                      size_t outSize, int mode);
