#include "toolkit/formats.h"

#include "toolkit/text_buffer.h"

#include <cstring>

namespace {

const char* const kWeekdayNames[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                      "Friday", "Saturday", "Sunday"};
const char* const kWeekdayShort[7] = {"MON", "TUE", "WED", "THU", "FRI", "SAT", "SUN"};
const char* const kMonthNames[13] = {"",        "January",  "February", "March",  "April",
                                     "May",     "June",     "July",     "August", "September",
                                     "October", "November", "December"};
const char* const kMonthShort[13] = {"",    "JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
// February is looked up per year, so the table is never written.
const int kMonthLength[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int32_t kDaysPer400Years = 146097;
constexpr int32_t kMaxStringWidth = INT32_MAX;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLeapYear(int year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int YearLength(int year) {
    return IsLeapYear(year) ? 366 : 365;
}

int MonthLength(int month, int year) {
    return month == 2 && IsLeapYear(year) ? 29 : kMonthLength[month];
}

char OrDefault(char c, char fallback) {
    return c ? c : fallback;
}

// Prints a two-digit picture group: one pad character in front of a single
// digit when the group has 2 or more characters. Never pads further.
void PutPaddedGroup(TextBuffer* out, uint32_t value, int32_t count, char pad) {
    if (count >= 2 && value < 10) TextPut(out, pad);
    TextPutUnsigned(out, value, 1, ' ');
}

char GroupPad(const FormatSpec* spec, int group) {
    return spec->groups[group].last == '#' ? ' ' : '0';
}

// h: hours / minutes / seconds, or minutes / seconds with one dot.
void PutDuration(TextBuffer* out, const FormatSpec* spec, int32_t value) {
    int parts[3];
    SecondsToHms(value, &parts[0], &parts[1], &parts[2]);
    if (spec->dotCount == 0) return;
    const int first = spec->dotCount == 1 ? 1 : 0; // one dot drops the hours
    const char separators[3] = {OrDefault(spec->groupChar, 'h'), OrDefault(spec->pointChar, '.'),
                                0};
    for (int part = first; part < 3; ++part) {
        const int group = part - first;
        if (spec->groups[group].count == 0) continue;
        PutPaddedGroup(out, uint32_t(parts[part]), spec->groups[group].count,
                       GroupPad(spec, group));
        if (separators[part]) TextPut(out, separators[part]);
    }
}

// d: [weekday] [day] [month] year, the fields chosen by the dot count.
void PutDate(TextBuffer* out, const FormatSpec* spec, int32_t dayNumber) {
    enum { Weekday, Day, Month, Year };
    int day, month, year;
    DayNumberToDate(dayNumber, &day, &month, &year);
    const int dots = spec->dotCount < 3 ? spec->dotCount : 3;
    for (int group = 0; group <= dots; ++group) {
        const int field = group + (3 - dots);
        const int32_t count = spec->groups[group].count;
        if (count == 0) continue;
        switch (field) {
        case Weekday: {
            const int weekday = DayOfWeek(dayNumber);
            if (count >= 4)
                TextPutString(out, kWeekdayNames[weekday]);
            else
                for (int i = 0; i < count; ++i)
                    TextPut(out, kWeekdayShort[weekday][i]);
            TextPut(out, ' ');
            break;
        }
        case Day:
            PutPaddedGroup(out, uint32_t(day), count, GroupPad(spec, group));
            TextPut(out, OrDefault(spec->groupChar, '/'));
            break;
        case Month:
            if (count >= 4)
                TextPutString(out, kMonthNames[month]);
            else if (count == 3)
                TextPutString(out, kMonthShort[month]);
            else
                PutPaddedGroup(out, uint32_t(month), count, GroupPad(spec, group));
            TextPut(out, OrDefault(spec->pointChar, '/'));
            break;
        case Year: PutPaddedGroup(out, uint32_t(count <= 2 ? year % 100 : year), count, '0'); break;
        }
    }
}

// The sign position of decimal output.
char DecimalSign(const FormatSpec* spec, int negative, bool isZero) {
    if (isZero && spec->blankZeroSign) return ' '; // -0.0 is exactly zero too
    if (negative) return spec->blankMinus ? ' ' : OrDefault(spec->minusChar, '-');
    if (spec->blankPlus) return ' ';
    return OrDefault(spec->plusChar, '+');
}

// f and i in decimal: the value with an explicit sign, the integer part laid
// out on group 0's picture (fill, grouping) and group 1's count of decimals.
void PutDecimal(TextBuffer* out, const FormatSpec* spec, double value) {
    FixedDecimal fixed;
    const int32_t decimals = spec->groups[1].count;
    if (!FixedDecimalMake(value, decimals, &fixed)) {
        // Infinity keeps its sign position; NaN has none to show.
        TextPut(out, fixed.nan ? ' ' : DecimalSign(spec, fixed.negative, false));
        TextPutString(out, fixed.nan ? "nan" : "inf");
        return;
    }
    TextPut(out, DecimalSign(spec, fixed.negative, value == 0.0));

    const int32_t pictureWidth = spec->groups[0].count;
    if (pictureWidth > 0) { // an empty integer picture hides the integer part
        const int32_t intDigits = fixed.intLength;
        const int32_t firstWidth = pictureWidth > intDigits ? pictureWidth : intDigits;
        const bool blankFill = spec->groups[0].last == '#';
        int digit = 0;
        for (int32_t width = firstWidth; width > 0 && !TextFull(out); --width) {
            const bool fill = width > intDigits;
            const bool separate = spec->groupChar && width != firstWidth && width % 3 == 0;
            if (fill && blankFill) {
                TextPut(out, ' ');
                continue;
            }
            if (separate) TextPut(out, spec->groupChar);
            TextPut(out, fill ? '0' : fixed.intDigits[digit++]);
        }
    }
    if (decimals > 0) {
        TextPut(out, OrDefault(spec->pointChar, '.'));
        for (int32_t i = 0; i < decimals && !TextFull(out); ++i)
            TextPut(out, FixedDecimalFracDigit(&fixed, i));
    }
}

void PutByte(TextBuffer* out, uint8_t byte, char radix) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (radix) {
    case 'H':
        TextPut(out, kHex[byte >> 4]);
        TextPut(out, kHex[byte & 15]);
        break;
    case 'B':
        for (int bit = 7; bit >= 0; --bit)
            TextPut(out, (byte >> bit) & 1 ? '1' : '0');
        break;
    default: // 'C'
        if (byte == 0)
            TextPutString(out, "\\0");
        else if (byte == '\\')
            TextPutString(out, "\\\\");
        else
            TextPut(out, char(byte));
        break;
    }
}

bool IsDumpRadix(char radix) {
    return radix == 'H' || radix == 'B' || radix == 'C';
}

// i as a dump: the 32-bit value, most significant byte first.
void PutIntegerDump(TextBuffer* out, char radix, int32_t value) {
    const uint32_t bits = uint32_t(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        PutByte(out, uint8_t(bits >> shift), radix);
}

// f as a dump: the double's 8 bytes in little-endian memory order.
void PutDoubleDump(TextBuffer* out, char radix, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 64; shift += 8)
        PutByte(out, uint8_t(bits >> shift), radix);
}

// s: the text cut or filled to the width.
void PutPaddedString(TextBuffer* out, const FormatSpec* spec, const char* text) {
    if (!text) text = "";
    const int32_t width = spec->groups[2].count;
    if (width == 0) {
        TextPutString(out, text);
        return;
    }
    int32_t written = 0;
    for (; written < width && text[written] && !TextFull(out); ++written)
        TextPut(out, text[written]);
    if (written < width)
        TextPutRepeated(out, OrDefault(spec->groupChar, ' '), size_t(width - written));
}

void PutConversion(TextBuffer* out, const FormatSpec* spec, va_list* args) {
    switch (spec->conversion) {
    case 'h': PutDuration(out, spec, va_arg(*args, int)); break;
    case 'd': PutDate(out, spec, va_arg(*args, int)); break;
    case 's': PutPaddedString(out, spec, va_arg(*args, const char*)); break;
    case 'i': {
        const int32_t value = va_arg(*args, int);
        if (IsDumpRadix(spec->radix))
            PutIntegerDump(out, spec->radix, value);
        else
            PutDecimal(out, spec, double(value));
        break;
    }
    case 'f': {
        const double value = va_arg(*args, double);
        if (IsDumpRadix(spec->radix))
            PutDoubleDump(out, spec->radix, value);
        else
            PutDecimal(out, spec, value);
        break;
    }
    }
}

void PutSpan(TextBuffer* out, const char* text, size_t length) {
    for (size_t i = 0; i < length && TextPut(out, text[i]); ++i) {
    }
}

} // namespace

size_t ParseFormatSegment(const char* s, FormatSpec* spec) {
    std::memset(spec, 0, sizeof *spec);
    size_t i = 0;
    while (s[i] && s[i] != '%')
        ++i;
    spec->prefixLength = int32_t(i);
    if (!s[i]) return i;
    ++i;

    for (;;) { // options, each a letter and its argument character
        const char c = s[i];
        if (c == 'M' || c == 'V' || c == 'P' || c == 'N') {
            const char arg = s[i + 1];
            if (!arg) return i + 1;
            if (c == 'M')
                spec->groupChar = arg;
            else if (c == 'V')
                spec->pointChar = arg;
            else if (c == 'P')
                spec->plusChar = arg;
            else
                spec->minusChar = arg;
        } else if (c == '-') {
            const char arg = s[i + 1];
            if (arg == '0')
                spec->blankZeroSign = 1;
            else if (arg == '-')
                spec->blankMinus = 1;
            else if (arg == '+')
                spec->blankPlus = 1;
            else
                return i + 1;
        } else if (c == 'U') {
            ++i;
            break;
        } else {
            return i;
        }
        i += 2;
    }
    if (s[i] && std::strchr("DHBOC", s[i])) spec->radix = s[i++];
    if (s[i] != ':') return i;
    ++i;

    int group = 0;
    int32_t width = 0; // the digits of group 0, the width of s
    int widthDigits = 0;
    for (;; ++i) {
        const char c = s[i];
        if (c == '.') {
            if (group == 3) return i; // a fifth group
            ++group;
            ++spec->dotCount;
        } else if (c == '#' || IsDigit(c)) {
            if (spec->groups[group].count < INT32_MAX) ++spec->groups[group].count;
            spec->groups[group].last = c;
            if (group == 0 && IsDigit(c) && widthDigits < 100) {
                ++widthDigits;
                const int32_t d = c - '0';
                width = width > (kMaxStringWidth - d) / 10 ? kMaxStringWidth : width * 10 + d;
            }
        } else {
            break;
        }
    }
    const char c = s[i];
    if (!c || !std::strchr("dfhis", c)) return i;
    spec->conversion = c;
    spec->conversionIndex = int32_t(i);
    if (c == 's') spec->groups[2].count = width;
    return i + 1;
}

int FormatPatternV(char* out, size_t outSize, const char* pattern, va_list args) {
    TextBuffer text = TextBufferMake(out, outSize);
    if (!pattern) return 0;
    va_list own;
    va_copy(own, args);
    const char* cursor = pattern;
    while (*cursor && !TextFull(&text)) {
        FormatSpec spec;
        const size_t used = ParseFormatSegment(cursor, &spec);
        if (!spec.conversion) {
            PutSpan(&text, cursor, used);
        } else {
            PutSpan(&text, cursor, size_t(spec.prefixLength));
            PutConversion(&text, &spec, &own);
        }
        cursor += used;
    }
    va_end(own);
    return int(text.length);
}

int FormatPattern(char* out, size_t outSize, const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    const int length = FormatPatternV(out, outSize, pattern, args);
    va_end(args);
    return length;
}

void DayNumberToDate(int32_t dayNumber, int* day, int* month, int* year) {
    int32_t rest = dayNumber < 1 ? 1 : dayNumber;
    int y = 0;
    if (rest > 366) {
        // Whole 400-year cycles first: the year walk below would subtract the
        // same 146097 days one year at a time, and leave more than 366 after them.
        const int32_t cycles = (rest - 367) / kDaysPer400Years;
        rest -= cycles * kDaysPer400Years;
        y = 400 * cycles;
        do {
            rest -= YearLength(y);
            ++y;
        } while (rest > YearLength(y));
    }
    int m = 1;
    while (m < 12 && rest > MonthLength(m, y))
        rest -= MonthLength(m++, y);
    *day = int(rest);
    *month = m;
    *year = y;
}

int DayOfWeek(int32_t dayNumber) {
    const int64_t day = dayNumber < 1 ? 1 : dayNumber;
    return int((day + 4) % 7);
}

void SecondsToHms(int32_t seconds, int* h, int* m, int* s) {
    const int32_t value = seconds < 0 ? 0 : seconds;
    *h = value / 3600;
    *m = value % 3600 / 60;
    *s = value % 60;
}

namespace {

struct ClockParts {
    bool negative;
    uint64_t hours; // of the absolute position
    int32_t minutes, seconds, milliseconds;
    float frames;
};

ClockParts SplitClock(int64_t position, int32_t sampleRate, float framesPerSecond) {
    ClockParts parts = {};
    parts.negative = position < 0;
    if (sampleRate < 1) return parts;
    // Unsigned magnitude: the absolute value of INT64_MIN does not fit in 64 signed bits.
    uint64_t p = parts.negative ? 0 - uint64_t(position) : uint64_t(position);
    const uint64_t rate = uint64_t(sampleRate);
    parts.hours = p / (rate * 3600);
    uint64_t r = p % (rate * 3600);
    parts.minutes = int32_t(r / (rate * 60));
    r %= rate * 60;
    parts.seconds = int32_t(r / rate);
    r %= rate;
    parts.milliseconds = int32_t(r * 1000 / rate);
    parts.frames = float(double(r) * framesPerSecond / double(rate));
    return parts;
}

} // namespace

void SplitSamplePosition(int64_t position, int32_t sampleRate, float framesPerSecond,
                         int32_t* hours, int32_t* minutes, int32_t* seconds, int32_t* milliseconds,
                         float* frames) {
    const ClockParts parts = SplitClock(position, sampleRate, framesPerSecond);
    const uint64_t limit = parts.negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    const uint64_t h = parts.hours < limit ? parts.hours : limit;
    *hours = parts.negative ? int32_t(-int64_t(h)) : int32_t(h);
    *minutes = parts.minutes;
    *seconds = parts.seconds;
    *milliseconds = parts.milliseconds;
    *frames = parts.frames;
}

int FormatSampleClock(int64_t position, int32_t sampleRate, float framesPerSecond, char* out,
                      size_t outSize, int mode) {
    const ClockParts parts = SplitClock(position, sampleRate, framesPerSecond);
    TextBuffer text = TextBufferMake(out, outSize);
    // A negative position shows '-' even when its hours are 0.
    TextPut(&text, parts.negative ? '-' : '+');
    TextPutUnsigned(&text, parts.hours, 3, '0');
    TextPutString(&text, " H ");
    TextPutUnsigned(&text, uint64_t(parts.minutes), 2, '0');
    TextPutString(&text, "' ");
    TextPutUnsigned(&text, uint64_t(parts.seconds), 2, '0');
    if (mode == 1) {
        TextPutString(&text, " - ");
        char frames[64];
        FloatToText(parts.frames, frames, sizeof frames, 2, 0, 0);
        TextPutString(&text, frames);
    } else {
        TextPutString(&text, " : ");
        TextPutUnsigned(&text, uint64_t(parts.milliseconds), 3, '0');
        TextPutString(&text, " ms");
    }
    return int(text.length);
}
