#include "toolkit/musical_position.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MusicalPosition, FormatsBarBeatTick) {
    const struct {
        float ms, tempo;
        int32_t ticks, beatsPerBar, unit;
        const char* expected;
    } cases[] = {
        {2125, 120, 480, 4, 4, "     2 /  1 /   120"},
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
        {"bar 2 beat 3", 4, 4, 3000},
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
}

} // namespace
