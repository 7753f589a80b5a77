#include "toolkit/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(FloatToText, PrintsLikeFixedPrintf) {
    const struct {
        float value;
        uint8_t decimals, width;
        int withPlus;
        const char* expected;
    } cases[] = {
        {1.5f, 2, 0, 1, "+1.50"},
        {2.5f, 0, 0, 0, "2"}, // ties to even, on the exact value
        {0.125f, 2, 0, 0, "0.12"},
        {-1.5f, 2, 7, 0, "-001.50"},
        {-0.0f, 1, 0, 1, "-0.0"},
        {0.1f, 12, 0, 0, "0.100000001490"},
        {FLT_MAX, 0, 0, 0, "340282346638528859811704183484516925440"},
        {-kInf, 2, 6, 0, "  -inf"},
        {kNaN, 2, 5, 1, "  nan"},
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

// The fixed-point digits must equal a correct printf's, digit for digit.
#if defined(__GLIBC__)
TEST(FixedDecimal, AgreesWithGlibcPrintf) {
    std::mt19937_64 random(42);
    const double specials[] = {0.5,     2.5,     0.15,   9.995, 999.9999999, DBL_MAX,
                               DBL_MIN, 5e-324, 4503599627370497.5, 1e23};
    auto check = [](double value, int decimals) {
        char expected[1500];
        std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
        FixedDecimal fixed;
        ASSERT_EQ(FixedDecimalMake(value, decimals, &fixed), 1);
        std::string text(fixed.negative ? "-" : "");
        text.append(fixed.intDigits, size_t(fixed.intLength));
        if (decimals) text += '.';
        for (int i = 0; i < decimals; ++i)
            text += FixedDecimalFracDigit(&fixed, i);
        ASSERT_EQ(text, expected) << decimals;
    };
    for (double value : specials)
        for (int decimals : {0, 1, 2, 3, 17, 40, 1074, 1100}) {
            check(value, decimals);
            check(-value, decimals);
        }
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        if (i % 2) value = std::ldexp(double(bits >> 11), int(random() % 80) - 70);
        check(value, int(random() % 25));
    }
}
#endif

TEST(TextToNumber, ReadsLeniently) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0.0},        {"abc", 0.0},      {"-.", 0.0},       {"abc-12,5x", -12.5},
        {"12.5.7", 12.5}, {" +3", 3.0},      {".25", 0.25},     {"a-b-c7", -7.0},
        {"12 34", 12.0},  {"0.1", 0.1},      {"-2.75dB", -2.75}, {"1e5", 1.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.expected) << c.text;
    EXPECT_FALSE(std::signbit(TextToNumber("-0.000")));
    EXPECT_EQ(TextToNumber(nullptr), 0.0);
    // Past 53 integer digits the rest of the run is ignored, not scaled in.
    std::string longRun(60, '1');
    EXPECT_LT(TextToNumber(longRun.c_str()), 1.2e52);
    EXPECT_GT(TextToNumber(longRun.c_str()), 1.1e52);
    std::string longFraction = "0." + std::string(70, '9');
    EXPECT_NEAR(TextToNumber(longFraction.c_str()), 1.0, 1e-15);
}

TEST(RoundHalfDown, HalvesGoDown) {
    const struct {
        float value, expected;
    } cases[] = {{2.5f, 2.0f},   {2.49f, 2.0f}, {-2.5f, -3.0f},           {-0.5f, -1.0f},
                 {0.5f, 0.0f}, {-2.51f, -3.0f}, {8388607.5f, 8388607.0f}, {16777216.0f, 16777216.0f}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfDown(c.value), c.expected) << c.value;
    EXPECT_EQ(RoundHalfDown(kInf), kInf);
    EXPECT_TRUE(std::isnan(RoundHalfDown(kNaN)));
}

TEST(ScaleMulDiv, Uses64BitProductsAndNeverTraps) {
    const struct {
        int32_t a, b, c, expected;
    } cases[] = {{100000, 100000, 1000, 10000000}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
                 {-7, 3, 2, -10} /* toward zero */,  {INT32_MIN, 1, -1, INT32_MAX} /* clamped */,
                 {INT32_MIN, INT32_MAX, 1, INT32_MIN}, {5, 5, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ScaleMulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

} // namespace
