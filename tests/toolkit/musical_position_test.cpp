#include "toolkit/musical_position.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TEST(MusicalPosition, FormatsBarBeatTick) {
    const struct {
        float ms, tempo;
        int32_t ticks, beatsPerBar, unit;
        const char* expected;
    } cases[] = {
        {0, 120, 480, 4, 4, "     1 /  1 /     0"},
        {500, 120, 480, 4, 4, "     1 /  2 /     0"},
        {2125, 120, 480, 4, 4, "     2 /  1 /   120"},
        {1250, 120, 480, 3, 2, "     1 /  2 /   240"},
        {1000, 120, 480, 4, 1, "     1 /  1 /   960"},
        {500, 120, 480, 0, 4, "     1 /  2 /     0"},
        {3000, 120, 480, 3, 0, "     2 /  3 /     0"},
        {60000, 0.5f, 480, 4, 4, "     1 /  2 /     0"},
        {-500, 120, 480, 4, 4, "     1 /  1 /     0"},
        {std::numeric_limits<float>::quiet_NaN(), 120, 480, 4, 4, "     1 /  1 /     0"},
        {1e30f, 120, 480, 4, 4, "1073741824 /  4 /     0"},
        {250, 120, 1, 6, 8, "     1 /  1 /     0"},
    };
    for (const auto& c : cases) {
        char out[64];
        int length =
            FormatMusicalPosition(out, sizeof out, c.ms, c.tempo, c.ticks, c.beatsPerBar, c.unit);
        EXPECT_STREQ(out, c.expected) << c.ms << " ms " << c.beatsPerBar << "/" << c.unit;
        EXPECT_EQ(size_t(length), std::strlen(out));
    }
    char small[4];
    EXPECT_EQ(FormatMusicalPosition(small, sizeof small, 0, 120, 480, 4, 4), 3);
    EXPECT_STREQ(small, "   ");
}

TEST(MusicalPosition, ParsesAndRoundTrips) {
    const struct {
        const char* text;
        int32_t beatsPerBar, unit;
        double expectedMs;
    } cases[] = {
        {"3.2.240", 4, 4, 4750},
        {"1 / 2 / 0", 6, 8, 250},
        {"bar 2 beat 3", 4, 4, 3000},
        {"99999999999999.2.0", 4, 4, 500},
        {"2.1.480", 4, 4, 2500},
        {"2.1.481", 4, 4, 2000},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(ParseMusicalPosition(c.text, 120, 480, c.beatsPerBar, c.unit), c.expectedMs,
                    1e-3)
            << c.text;
    EXPECT_EQ(ParseMusicalPosition(nullptr, 120, 480, 4, 4), 0.0);

    for (int32_t unit : {1, 2, 4, 8, 16}) {
        for (int32_t beat = 1; beat <= 5; ++beat) {
            const float ms = MusicalPositionToMs(7, beat, 60, 97.0f, 480, 5, unit);
            char out[64];
            FormatMusicalPosition(out, sizeof out, ms, 97.0f, 480, 5, unit);
            EXPECT_NEAR(ParseMusicalPosition(out, 97.0f, 480, 5, unit), ms, 1e-2) << out;
        }
    }
    EXPECT_TRUE(std::isfinite(MusicalPositionToMs(INT32_MAX, INT32_MAX, INT32_MAX, 0, 0, 0, 1)));
}

TEST(ReadNumberField, ReadsRunsAndConsumesOneSeparator) {
    const char* text = "ab12:34 x 2147483646;2147483647..7";
    const int32_t expected[] = {12, 34, 2147483646, -1, 7, -1, -1};
    size_t position = 0;
    for (int32_t value : expected)
        EXPECT_EQ(ReadNumberField(text, &position), value);
    EXPECT_EQ(position, std::strlen(text));
    position = 0;
    EXPECT_EQ(ReadNumberField("12", &position), 12);
    EXPECT_EQ(position, 2u);
    EXPECT_EQ(ReadNumberField(nullptr, &position), -1);
}

} // namespace
