#include "display/meter_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<ScaleTickSpec> DbTicks(float minDb, float maxDb, int32_t h) {
    std::vector<ScaleTickSpec> ticks(kMaxScaleTicks);
    ticks.resize(ListDbScaleTicks(minDb, maxDb, h, ticks.data(), kMaxScaleTicks));
    return ticks;
}

TEST(MeterScale, StepFollowsTheDivisorSequence) {
    const struct {
        double pixelsPerDb;
        double step;
    } cases[] = {
        {0.5, 192},               // 96 px: no division
        {0.3125, 192},            // 60 px: still no change
        {0.25, 384},              // 48 px: doubled
        {10.0, 12},    {40.0, 2}, // 6 -> 2 divides by 3
        {1000.0, 0.1},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(DbScaleStep(c.pixelsPerDb), c.step, 1e-9) << c.pixelsPerDb;
    EXPECT_DOUBLE_EQ(CorrelationScaleStep(66.0), 2.0); // 66 px < 80: times 2 when nothing divided
    EXPECT_NEAR(CorrelationScaleStep(400.0), 0.2, 1e-9);
}

// A major tick carries a label 11 rows high: none within 11 rows of the
// top. From -5 to 61 dB on 132 rows, 0 dB lies 10 rows up and is left out.
TEST(MeterScale, MajorTicksLeaveRoomForTheirLabels) {
    std::vector<int32_t> majors;
    for (const ScaleTickSpec& t : DbTicks(-5.0f, 61.0f, 132))
        if (t.kind == kTickMajor) majors.push_back(t.offset);
    EXPECT_EQ(majors, std::vector<int32_t>{106});
}

TEST(MeterScale, TinyOrEmptyRangesStayBounded) {
    EXPECT_TRUE(DbTicks(6.0f, 6.0f, 132).empty());
    EXPECT_TRUE(DbTicks(100.0f, -200.0f, 132).empty()); // an inverted range has no scale
    EXPECT_LE(DbTicks(-60.0f, -59.999f, 2000).size(), size_t(kMaxScaleTicks));
    ScaleTickSpec ticks[kMaxScaleTicks];
    EXPECT_GT(ListCorrelationTicks(132, ticks, kMaxScaleTicks), 0);
}

TEST(MeterScale, BarPixelsAreTruncatedAndClamped) {
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, 132);
    const BarPixels at = ComputeBarPixels(&m, -12.0f, 3.5f, -12.0f, -3.0f);
    EXPECT_EQ(at.value, 96);
    EXPECT_EQ(at.head, 96);
    EXPECT_EQ(at.max, 114);
    EXPECT_EQ(at.zero, 120);
    EXPECT_EQ(at.peak, 127);
    EXPECT_EQ(ComputeBarPixels(&m, 20.0f, 20.0f, -12.0f, -3.0f).value, 132); // the peak is not
    EXPECT_EQ(ComputeBarPixels(&m, 20.0f, 20.0f, -12.0f, -3.0f).peak, 160);  // clamped
    EXPECT_LT(ComputeBarPixels(&m, LevelDb(0.0f, kBarPeak, 0.0f), -200.0f, -12, -3).value, 0);
    const LevelMapping odd = MakeLevelMapping(-60.0f, 6.0f, 100); // 72.7 px at -12 dB
    EXPECT_EQ(ComputeBarPixels(&odd, -12.0f, -12.0f, -12.0f, -3.0f).value, 72);
}

// Any correlation a file holds stays in the correlator's strip.
TEST(MeterScale, CorrelationPixelsStayInTheStrip) {
    const struct {
        float c;
        int32_t h, pixels;
    } cases[] = {{0.0f, 132, 66}, {-0.01f, 132, 65},        {1.0f, 100, 100},     {5.0f, 100, 100},
                 {-5.0f, 100, 0}, {std::nanf(""), 100, 50}, {HUGE_VALF, 100, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(c.pixels, CorrelationPixels(c.c, c.h)) << c.c;
}

TEST(MeterScale, LevelsBecomeDecibels) {
    EXPECT_NEAR(LevelDb(0.01f, kBarRms, 5.0f), -15.0f, 1e-3f);
    EXPECT_EQ(LevelDb(1e-11f, kBarRms, 5.0f), -200.0f);
}

} // namespace
