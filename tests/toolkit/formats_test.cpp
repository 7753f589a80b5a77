#include "toolkit/formats.h"
#include "toolkit/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FormatPattern, ConversionsRadixesAndLiterals) {
    const struct {
        const char* pattern;
        char kind; // the argument passed: 'i' int, 'f' double, 's' text
        double number;
        const char* text;
        const char* expected;
    } cases[] = {
        {"%VmU:00.00.00h", 'i', 3723, "", "01h02m03"},
        {"%U:0000.00.00.0000d", 'i', 730973, "", "Wednesday 02/05/2001"},
        {"%M,U:#######i", 'i', -1234567, "", "-1,234,567"},
        {"%UH:i", 'i', 0x12AB00FF, "", "12AB00FF"},
        {"%UC:i", 'i', 0x5C00415C, "", "\\\\\\0A\\\\"},
        {"%M,U:0000000.00f", 'f', 1234567.891, "", "+1,234,567.89"},
        {"%U:0.00f", 'f', 0.125, "", "+0.12"}, // exact tie: to even, as printf
        {"%U:0.00f", 'f', kNaN, "", " nan"},
        {"%M*U:5s", 's', 0, "abcdefg", "abcde"},
        {"%x", 's', 0, "unused", "%x"},
        // The edge cases of the picture language.
        {"%VmU:00.00.00h", 'i', -5, "", "00h00m00"},
        {"%VmU:00.00.h", 'i', 3723, "", "01h02m"},   // ruler labels at zoom 9 and above
        {"%VmU:#.00.00h", 'i', 3723, "", "1h02m03"}, // run-end and cue labels
        {"%U:00.00h", 'i', 3723, "", "02.03"},       // one dot: minutes and seconds
        {"%U:00h", 'i', 3723, "", ""},
        {"%-+U:000i", 'i', 42, "", " 042"},
        {"%U:0##i", 'i', 7, "", "+  7"},
        {"%M,U:#i", 'i', 123456, "", "+123,456"},
        {"%-0U:0.0f", 'f', 0.0, "", " 0.0"},
        {"%U:.00f", 'f', 12.345, "", "+.35"}, // the integer part hidden
        {"%U:0.00f", 'f', 9.999, "", "+10.00"},
        {"%M-V-U:00.000.0000d", 'i', 730973, "", "02-MAY-2001"},
        {"%U:000.#.0000.00d", 'i', 730973, "", "WED 2/May/01"},
        {"%M*U:5s", 's', 0, "ab", "ab***"},
    };
    for (const auto& c : cases) {
        char out[256];
        int length = c.kind == 'i'   ? FormatPattern(out, sizeof out, c.pattern, int(c.number))
                     : c.kind == 'f' ? FormatPattern(out, sizeof out, c.pattern, c.number)
                                     : FormatPattern(out, sizeof out, c.pattern, c.text);
        EXPECT_STREQ(out, c.expected) << c.pattern;
        EXPECT_EQ(size_t(length), std::strlen(out)) << c.pattern;
    }
}

TEST(FormatPattern, NeverWritesPastTheBuffer) {
    struct Case {
        size_t size;
        const char* expected;
    } cases[] = {{1, ""}, {16, "TIME : 01h02m03"}};
    for (const Case& c : cases) {
        char out[32];
        std::memset(out, '#', sizeof out);
        int length = FormatPattern(out, c.size, "TIME : %VmU:00.00.00hs", 3723);
        EXPECT_STREQ(out, c.expected) << c.size;
        EXPECT_EQ(size_t(length), std::strlen(c.expected));
        EXPECT_EQ(out[c.size], '#') << c.size;
    }
    EXPECT_EQ(FormatPattern(nullptr, 0, "%U:000i", 1), 0);
    char out[8];
    EXPECT_EQ(FormatPattern(out, sizeof out, "%U:999999999999999999999999s", "x"), 7);
}

TEST(DayNumberToDate, LeapYearsAcrossCenturies) {
    const struct {
        int32_t n;
        int d, m, y;
    } cases[] = {{60, 29, 2, 0}, {767070, 1, 3, 2100}, {2147483647, 10, 7, 5879610}};
    for (const auto& c : cases) {
        int d, m, y;
        DayNumberToDate(c.n, &d, &m, &y);
        EXPECT_TRUE(d == c.d && m == c.m && y == c.y) << c.n << ": " << d << "/" << m << "/" << y;
    }
    EXPECT_EQ(DayOfWeek(-2147483647 - 1), 5);
}

TEST(SampleClock, FormatsSignedPositions) {
    const struct {
        int64_t position;
        int32_t rate;
        int mode;
        const char* expected;
    } cases[] = {
        {-44100, 44100, 0, "-000 H 00' 01 : 000 ms"},
        {1000, 44100, 0, "+000 H 00' 00 : 022 ms"}, // 22.7 ms, truncated
        {INT64_MIN, 44100, 0, "-58096321723 H 42' 03 : 714 ms"},
        {44100LL * 61 + 22050, 44100, 1, "+000 H 01' 01 - 12.50"},
        {123456, 0, 0, "+000 H 00' 00 : 000 ms"},
    };
    for (const auto& c : cases) {
        char out[64];
        int length = FormatSampleClock(c.position, c.rate, 25.0f, out, sizeof out, c.mode);
        EXPECT_STREQ(out, c.expected) << c.position;
        EXPECT_EQ(size_t(length), std::strlen(out));
    }
    char small[5];
    EXPECT_EQ(FormatSampleClock(-1, 44100, 25.0f, small, sizeof small, 0), 4);
    EXPECT_STREQ(small, "-000");
}

TEST(FloatToText, PrintsLikeFixedPrintf) {
    const struct {
        float value;
        uint8_t decimals, width;
        int withPlus;
        const char* expected;
    } cases[] = {
        {2.5f, 0, 0, 0, "2"}, // ties to even, on the exact value
        {-1.5f, 2, 7, 0, "-001.50"},
        {-std::numeric_limits<float>::infinity(), 2, 6, 0, "  -inf"},
        {std::numeric_limits<float>::quiet_NaN(), 2, 5, 1, "  nan"},
        {0.0f, 1, 0, 1, "0.0"}, // zero has no sign
    };
    for (const auto& c : cases) {
        char out[64];
        uint8_t length = FloatToText(c.value, out, sizeof out, c.decimals, c.width, c.withPlus);
        EXPECT_STREQ(out, c.expected) << c.value;
        EXPECT_EQ(length, std::strlen(out));
    }
}

TEST(FloatToText, StaysInsideTheBufferAndCountsAtMost255) {
    char out[300];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(FloatToText(1.0f, out, 4, 2, 0, 1), 3);
    EXPECT_STREQ(out, "+1.");
    EXPECT_EQ(out[4], '#');
    EXPECT_EQ(FloatToText(1.0f, out, 1, 2, 0, 1), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FloatToText(-FLT_MAX, out, sizeof out, 255, 255, 1), 255);
    EXPECT_EQ(std::strlen(out), 41u + 255u);
}

TEST(TextToNumber, ReadsLeniently) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0.0},
        {"abc-12,5x", -12.5},
        {"12.5.7", 12.5},
        {"1e5", 1.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.expected) << c.text;
    EXPECT_EQ(TextToNumber(nullptr), 0.0);
    EXPECT_FALSE(std::signbit(TextToNumber("-0"))); // shown as 0, not -0
    std::string longRun(60, '1');
    EXPECT_LT(TextToNumber(longRun.c_str()), 1.2e52);
    EXPECT_GT(TextToNumber(longRun.c_str()), 1.1e52);
}

TEST(RoundHalfDown, HalvesGoDown) {
    const struct {
        float value, expected;
    } cases[] = {{2.5f, 2.0f}, {-2.5f, -3.0f}, {8388607.5f, 8388607.0f}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfDown(c.value), c.expected) << c.value;
}

TEST(ScaleMulDiv, Uses64BitProductsAndNeverTraps) {
    const struct {
        int32_t a, b, c, expected;
    } cases[] = {
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, {INT32_MIN, 1, -1, INT32_MAX}, {5, 5, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ScaleMulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

} // namespace
