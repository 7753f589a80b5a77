#include "toolkit/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
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
        {2.5f, 0, 0, 0, "2"}, // ties to even, on the exact value
        {-1.5f, 2, 7, 0, "-001.50"},
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
