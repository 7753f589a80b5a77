#include "toolkit/knob_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kDegree = kKnobTwoPi / 360.0f;

KnobScale MakeScale(float min, float max, float initial, float step, int start = 240, int end = 300,
                    uint32_t flags = 0) {
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

TEST(KnobModel, StepsAddOrMultiplyAndClamp) {
    const struct {
        float min, max, step, value;
        uint32_t flags;
        int32_t n;
        float expected;
    } cases[] = {
        {-180.0f, 40.0f, 0.25f, 39.9f, 0, 10, 40.0f},
        {0.1f, 96.0f, 2.0f, 1.0f, kKnobScaleLog, 3, 8.0f},
    };
    for (const auto& c : cases) {
        KnobScale scale = MakeScale(c.min, c.max, c.value, c.step, 240, 300, c.flags);
        EXPECT_NEAR(KnobSteppedValue(&scale, c.n), c.expected, 1e-5f) << c.value << " " << c.n;
    }
}

TEST(KnobModel, AngularDragFollowsTheCursorAndSnapsInTheGap) {
    KnobScale scale = MakeScale(0.0f, 2.0f, 0.0f, 0.01f);
    const struct { float cursorDegrees, needleDegrees; } cases[] = {{271, 300}, {269, 240}};
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

TEST(KnobModel, PieRadialsAndDegeneratePie) {
    KnobPie pie;
    ASSERT_EQ(KnobPieGeometry(16, 16, 16.0f, 90.0f * kDegree, 180.0f * kDegree, &pie), 1);
    EXPECT_TRUE(pie.x1 == 16 && pie.y1 == 0 && pie.x2 == 0 && pie.y2 == 16);
    // Angles a hair apart round to one radial: GDI would fill the whole disc.
    EXPECT_EQ(KnobPieGeometry(16, 16, 9.6f, 1.0f, 1.0001f, &pie), 0);
}

} // namespace
