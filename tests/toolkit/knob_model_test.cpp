#include "toolkit/knob_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kDegree = kKnobTwoPi / 360.0f;

KnobScale MakeScale(float min, float max, float initial, float step, int start = 240,
                    int end = 300, uint32_t flags = 0) {
    KnobScale scale;
    EXPECT_EQ(KnobScaleInit(&scale, min, max, initial, step, start, end, flags), 1);
    return scale;
}

TEST(KnobModel, ValueAndAngleMapBothWays) {
    const struct {
        float min, max;
        int start, end;
        uint32_t flags;
        float value, degrees;
    } cases[] = {
        {0.0f, 2.0f, 240, 300, 0, 0.5f, 165.0f},
        {-170.0f, 48.0f, 240, 300, 0, -61.0f, 90.0f},
        {1.0f, 120.0f, 220, 319, 0, 60.5f, 89.5f},
        {0.1f, 96.0f, 240, 300, kKnobScaleLog, 0.1f, 240.0f},
        {0.1f, 96.0f, 240, 300, kKnobScaleLog, std::sqrt(9.6f), 90.0f},
        {0.1f, 96.0f, 240, 300, kKnobScaleLog, 96.0f, 300.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.value);
        KnobScale scale = MakeScale(c.min, c.max, c.min, 1.0f, c.start, c.end, c.flags);
        float angle = KnobValueToAngle(&scale, c.value);
        EXPECT_NEAR(angle / kDegree, c.degrees, 1e-2);
        EXPECT_GE(angle, 0.0f);
        float back = KnobAngleToValue(&scale, angle);
        EXPECT_NEAR(back, c.value, (c.max - c.min) * 1e-5f);
        EXPECT_TRUE(back >= c.min && back <= c.max);
    }
}

TEST(KnobModel, RefusesScalesWithoutAMapping) {
    const struct {
        float min, max, step;
        int end;
        uint32_t flags;
    } cases[] = {
        {1.0f, 1.0f, 1.0f, 300, 0},           {2.0f, 1.0f, 1.0f, 300, 0},
        {0.0f, 10.0f, 2.0f, 300, kKnobScaleLog}, {-1.0f, 10.0f, 2.0f, 300, kKnobScaleLog},
        {0.0f, 1.0f, 1.0f, 240, 0},           {0.0f, INFINITY, 1.0f, 300, 0},
        {0.0f, 1.0f, NAN, 300, 0},
    };
    for (const auto& c : cases) {
        KnobScale scale;
        EXPECT_EQ(KnobScaleInit(&scale, c.min, c.max, c.min, c.step, 240, c.end, c.flags), 0)
            << c.min << ".." << c.max << " step " << c.step << " end " << c.end;
    }
}

TEST(KnobModel, InitialIsTheDefaultAndSetValueIgnoresOutOfRangeAndNaN) {
    KnobScale above = MakeScale(0.1f, 96.0f, 500.0f, 0.1f);
    EXPECT_TRUE(above.value == 96.0f && above.defaultValue == 96.0f);
    KnobScale scale = MakeScale(0.1f, 96.0f, 10.0f, 0.1f);
    EXPECT_EQ(scale.defaultValue, 10.0f);
    EXPECT_EQ(scale.decimals, 3);
    const struct {
        float value;
        int stored;
        float after;
    } cases[] = {{200.0f, 0, 10.0f}, {std::nanf(""), 0, 10.0f}, {0.1f, 1, 0.1f},
                 {96.01f, 0, 0.1f},  {96.0f, 1, 96.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(KnobScaleSetValue(&scale, c.value), c.stored) << c.value;
        EXPECT_EQ(scale.value, c.after) << c.value;
    }
}

TEST(KnobModel, StepsAddOrMultiplyAndClamp) {
    const struct {
        float min, max, step, value;
        uint32_t flags;
        int32_t n;
        float expected;
    } cases[] = {
        {-180.0f, 40.0f, 0.25f, 39.9f, 0, 10, 40.0f},
        {-180.0f, 40.0f, 0.25f, -179.0f, 0, -10, -180.0f},
        {0.1f, 96.0f, 2.0f, 1.0f, kKnobScaleLog, 3, 8.0f},
        {0.1f, 96.0f, 2.0f, 64.0f, kKnobScaleLog, 1, 96.0f},
        {0.1f, 96.0f, 2.0f, 0.15f, kKnobScaleLog, -5, 0.1f},
    };
    for (const auto& c : cases) {
        KnobScale scale = MakeScale(c.min, c.max, c.value, c.step, 240, 300, c.flags);
        EXPECT_NEAR(KnobSteppedValue(&scale, c.n), c.expected, 1e-5f) << c.value << " " << c.n;
    }
}

TEST(KnobModel, AngularDragFollowsTheCursorAndSnapsInTheGap) {
    KnobScale scale = MakeScale(0.0f, 2.0f, 0.0f, 0.01f);
    const struct {
        float cursorDegrees, needleDegrees;
    } cases[] = {{90, 90}, {0, 0}, {240, 240}, {271, 300}, {269, 240}};
    for (const auto& c : cases) {
        float a = c.cursorDegrees * kDegree;
        float angle = -1.0f;
        ASSERT_EQ(KnobAngularTarget(&scale, 40.0f * std::cos(a), 40.0f * std::sin(a), &angle), 1);
        float got = angle / kDegree;
        if (got > 359.99f) got -= 360.0f;
        EXPECT_NEAR(got, c.needleDegrees, 0.01) << c.cursorDegrees;
    }
    float angle = -1.0f;
    EXPECT_EQ(KnobAngularTarget(&scale, 0.0f, 0.0f, &angle), 0);
    EXPECT_EQ(angle, -1.0f);
}

TEST(KnobModel, WheelAndLinearDragSteps) {
    const struct {
        int32_t delta;
        uint32_t mode;
        int32_t steps;
    } wheel[] = {{120, 1, -5}, {120, 0, 5}, {-240, 0, -10}, {60, 1, -2}, {23, 1, 0}};
    for (const auto& c : wheel)
        EXPECT_EQ(KnobWheelSteps(c.delta, c.mode), c.steps) << c.delta << " mode " << c.mode;
    const struct {
        int32_t dx, dy;
        uint32_t mode;
        int32_t steps;
    } drag[] = {{3, 0, 0, 3}, {0, -4, 0, 4}, {0, -4, 1, -4}, {1, 5, 0, -5}, {2, 2, 1, 2}};
    for (const auto& c : drag)
        EXPECT_EQ(KnobLinearDragSteps(c.dx, c.dy, c.mode), c.steps)
            << c.dx << "," << c.dy << " mode " << c.mode;
}

TEST(KnobModel, PieRadialsAndDegeneratePie) {
    KnobPie pie;
    ASSERT_EQ(KnobPieGeometry(16, 16, 16.0f, 90.0f * kDegree, 180.0f * kDegree, &pie), 1);
    EXPECT_TRUE(pie.x1 == 16 && pie.y1 == 0 && pie.x2 == 0 && pie.y2 == 16);
    // Angles a hair apart round to one radial: GDI would fill the whole disc.
    EXPECT_EQ(KnobPieGeometry(16, 16, 9.6f, 1.0f, 1.0001f, &pie), 0);
}

TEST(KnobModel, InfoBoxPlaces) {
    const struct {
        uint32_t infoValue;
        int32_t x, y;
    } cases[] = {{0x80000001, 20, 30}, {0x80000002, 132, 30}, {0x80000003, 132, 82},
                 {0x80000004, 20, 82}, {0x8000000F, 132, 82}};
    for (const auto& c : cases) {
        int32_t x = 0, y = 0;
        KnobInfoBoxPlace(c.infoValue, 100, 50, 32, 32, 80, 20, &x, &y);
        EXPECT_TRUE(x == c.x && y == c.y) << std::hex << c.infoValue;
    }
}

TEST(KnobModel, ShortBufferCutsTheTextAndTerminatesIt) {
    KnobScale plain = MakeScale(-180.0f, 40.0f, 0.0f, 0.25f);
    char small[8];
    EXPECT_EQ(KnobMenuText(&plain, 0, kKnobTextMax, small, sizeof small), 7);
    EXPECT_STREQ(small, "Value M");
}

} // namespace
