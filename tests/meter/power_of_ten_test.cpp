#include "meter/power_of_ten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Both are the double result rounded once: equal to the correctly rounded
// float wherever the double reference is not within its own error of a tie.
TEST(PowerOfTen, MatchesTheDoubleReferenceRoundedToFloat) {
    int mismatches = 0;
    for (int i = -24000; i <= 24000; ++i) {
        const float x = i * 0.0005f;
        mismatches += PowerOfTen(x) != static_cast<float>(std::pow(10.0, double(x)));
        if (x > 0.0f) mismatches += LogOfTen(x) != static_cast<float>(std::log10(double(x)));
    }
    EXPECT_EQ(0, mismatches);
}

TEST(PowerOfTen, EdgesAndRefusals) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(1.0f, PowerOfTen(0.0f));
    EXPECT_EQ(100.0f, PowerOfTen(2.0f));
    EXPECT_EQ(0.0f, PowerOfTen(-60.0f));
    EXPECT_EQ(inf, PowerOfTen(60.0f));
    EXPECT_TRUE(std::isnan(PowerOfTen(std::nanf(""))));
    EXPECT_EQ(0.0f, LogOfTen(1.0f));
    EXPECT_EQ(-10.0f, LogOfTen(1e-10f));
    EXPECT_EQ(-45.0f, std::round(LogOfTen(std::numeric_limits<float>::denorm_min())));
    for (float bad : {0.0f, -1.0f, inf, std::nanf("")})
        EXPECT_TRUE(std::isnan(LogOfTen(bad))) << bad;
}

} // namespace
