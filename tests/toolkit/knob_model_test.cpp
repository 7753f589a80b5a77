#include "toolkit/knob_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kDegree = kKnobTwoPi / 360.0f;
constexpr float kAngleTolerance = 1e-4f;

KnobScale MakeScale(float min, float max, float initial, float step, int start, int end,
                    uint32_t flags = 0) {
    KnobScale scale;
    EXPECT_EQ(KnobScaleInit(&scale, min, max, initial, step, start, end, flags), 1);
    return scale;
}

struct AngleCase {
    const char* name;
    float min, max;
    int start, end;
    uint32_t flags;
    float value;
    float degrees; // expected needle angle
};

TEST(KnobModel, ValueAndAngleMapBothWays) {
    const AngleCase cases[] = {
        {"linear min", 0.0f, 2.0f, 240, 300, 0, 0.0f, 240.0f},
        {"linear mid", 0.0f, 2.0f, 240, 300, 0, 1.0f, 90.0f},
        {"linear max", 0.0f, 2.0f, 240, 300, 0, 2.0f, 300.0f},
        {"linear quarter", 0.0f, 2.0f, 240, 300, 0, 0.5f, 165.0f},
        {"negative range", -170.0f, 48.0f, 240, 300, 0, -61.0f, 90.0f},
        {"220-319 min", 1.0f, 120.0f, 220, 319, 0, 1.0f, 220.0f},
        {"220-319 mid", 1.0f, 120.0f, 220, 319, 0, 60.5f, 89.5f},
        {"220-319 max", 1.0f, 120.0f, 220, 319, 0, 120.0f, 319.0f},
        {"log min", 0.1f, 96.0f, 240, 300, kKnobScaleLog, 0.1f, 240.0f},
        {"log geometric mid", 0.1f, 96.0f, 240, 300, kKnobScaleLog, std::sqrt(9.6f), 90.0f},
        {"log max", 0.1f, 96.0f, 240, 300, kKnobScaleLog, 96.0f, 300.0f},
    };
    for (const AngleCase& c : cases) {
        SCOPED_TRACE(c.name);
        KnobScale scale = MakeScale(c.min, c.max, c.min, 1.0f, c.start, c.end, c.flags);
        float angle = KnobValueToAngle(&scale, c.value);
        EXPECT_NEAR(angle / kDegree, c.degrees, 1e-2);
        EXPECT_GE(angle, 0.0f);
        float back = KnobAngleToValue(&scale, angle);
        EXPECT_NEAR(back, c.value, (c.max - c.min) * 1e-5f);
        EXPECT_GE(back, c.min);
        EXPECT_LE(back, c.max);
    }
}

TEST(KnobModel, RefusesScalesWithoutAMapping) {
    const struct {
        const char* name;
        float min, max, step;
        int start, end;
        uint32_t flags;
    } cases[] = {
        {"empty range", 1.0f, 1.0f, 1.0f, 240, 300, 0},
        {"reversed range", 2.0f, 1.0f, 1.0f, 240, 300, 0},
        {"log from zero", 0.0f, 10.0f, 2.0f, 240, 300, kKnobScaleLog},
        {"log from negative", -1.0f, 10.0f, 2.0f, 240, 300, kKnobScaleLog},
        {"no sweep", 0.0f, 1.0f, 1.0f, 90, 90, 0},
        {"infinite max", 0.0f, std::numeric_limits<float>::infinity(), 1.0f, 240, 300, 0},
        {"NaN step", 0.0f, 1.0f, std::nanf(""), 240, 300, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KnobScale scale;
        EXPECT_EQ(KnobScaleInit(&scale, c.min, c.max, c.min, c.step, c.start, c.end, c.flags), 0);
    }
}

TEST(KnobModel, InitialValueIsTheDefaultAndStaysInRange) {
    KnobScale inside = MakeScale(0.1f, 96.0f, 20.0f, 0.1f, 240, 300);
    EXPECT_EQ(inside.value, 20.0f);
    EXPECT_EQ(inside.defaultValue, 20.0f);
    EXPECT_EQ(inside.decimals, 3);
    KnobScale above = MakeScale(0.1f, 96.0f, 500.0f, 0.1f, 240, 300);
    EXPECT_EQ(above.value, 96.0f);
    EXPECT_EQ(above.defaultValue, 96.0f);
}

TEST(KnobModel, SetValueIgnoresOutOfRangeEqualAndNaN) {
    KnobScale scale = MakeScale(0.1f, 96.0f, 10.0f, 0.1f, 240, 300);
    const struct {
        float value;
        int stored;
        float after;
    } cases[] = {
        {200.0f, 0, 10.0f}, {0.0f, 0, 10.0f}, {std::nanf(""), 0, 10.0f}, {10.0f, 0, 10.0f},
        {96.0f, 1, 96.0f},  {0.1f, 1, 0.1f},  {96.01f, 0, 0.1f},         {42.5f, 1, 42.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(KnobScaleSetValue(&scale, c.value), c.stored);
        EXPECT_EQ(scale.value, c.after);
    }
}

TEST(KnobModel, StepsAddOrMultiplyAndClamp) {
    const struct {
        const char* name;
        float min, max, step, value;
        uint32_t flags;
        int32_t n;
        float expected;
    } cases[] = {
        {"up 10 clamps at max", -180.0f, 40.0f, 0.25f, 39.9f, 0, 10, 40.0f},
        {"down 1", -180.0f, 40.0f, 0.25f, 39.9f, 0, -1, 39.65f},
        {"down clamps at min", -180.0f, 40.0f, 0.25f, -179.0f, 0, -10, -180.0f},
        {"zero steps", 0.0f, 2.0f, 0.01f, 1.0f, 0, 0, 1.0f},
        {"log times step cubed", 0.1f, 96.0f, 2.0f, 1.0f, kKnobScaleLog, 3, 8.0f},
        {"log divides", 0.1f, 96.0f, 2.0f, 1.0f, kKnobScaleLog, -2, 0.25f},
        {"log clamps at max", 0.1f, 96.0f, 2.0f, 64.0f, kKnobScaleLog, 1, 96.0f},
        {"log clamps at min", 0.1f, 96.0f, 2.0f, 0.15f, kKnobScaleLog, -5, 0.1f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KnobScale scale = MakeScale(c.min, c.max, c.value, c.step, 240, 300, c.flags);
        EXPECT_NEAR(KnobSteppedValue(&scale, c.n), c.expected, 1e-5f);
    }
}

TEST(KnobModel, AngularDragFollowsTheCursorAndSnapsInTheGap) {
    KnobScale scale = MakeScale(0.0f, 2.0f, 0.0f, 0.01f, 240, 300);
    const struct {
        const char* name;
        float cursorDegrees; // direction of the cursor from the centre
        float needleDegrees;
    } cases[] = {
        {"top", 90.0f, 90.0f},
        {"left", 180.0f, 180.0f},
        {"right", 0.0f, 0.0f},
        {"start itself", 240.0f, 240.0f},
        {"end itself", 300.0f, 300.0f},
        {"gap, just past the end", 295.0f, 300.0f},
        {"gap, first half", 271.0f, 300.0f},
        {"gap, second half", 269.0f, 240.0f},
        {"gap, just before the start", 245.0f, 240.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        float a = c.cursorDegrees * kDegree;
        float angle = -1.0f;
        ASSERT_EQ(KnobAngularTarget(&scale, 40.0f * std::cos(a), 40.0f * std::sin(a), &angle), 1);
        float got = angle / kDegree;
        if (got > 359.99f) {
            got -= 360.0f;
        }
        EXPECT_NEAR(got, c.needleDegrees, 0.01);
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
    } wheel[] = {
        {120, 1, -5},   {120, 0, 5}, {120, 3, -5}, {-120, 1, 5},
        {-240, 0, -10}, {60, 1, -2}, {23, 1, 0},   {0, 0, 0},
    };
    for (const auto& c : wheel) {
        SCOPED_TRACE(testing::Message() << c.delta << " mode " << c.mode);
        EXPECT_EQ(KnobWheelSteps(c.delta, c.mode), c.steps);
    }
    const struct {
        int32_t dx, dy;
        uint32_t mode;
        int32_t steps;
    } drag[] = {
        {3, 0, 0, 3}, {-3, 1, 1, -3}, {0, -4, 0, 4}, {0, -4, 1, -4},
        {1, 5, 1, 5}, {1, 5, 0, -5},  {2, 2, 1, 2},  {0, 0, 0, 0},
    };
    for (const auto& c : drag) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " mode " << c.mode);
        EXPECT_EQ(KnobLinearDragSteps(c.dx, c.dy, c.mode), c.steps);
    }
}

TEST(KnobModel, NeedleCorners) {
    const struct {
        const char* name;
        float degrees;
        int shortNeedle;
        KnobPoint corners[4];
    } cases[] = {
        {"up", 90.0f, 0, {{15, 16}, {17, 16}, {17, 4}, {15, 4}}},
        {"right", 0.0f, 0, {{16, 15}, {16, 17}, {28, 17}, {28, 15}}},
        {"left", 180.0f, 0, {{16, 17}, {16, 15}, {4, 15}, {4, 17}}},
        {"short right", 0.0f, 1, {{24, 15}, {24, 17}, {28, 17}, {28, 15}}},
        {"down-right 300, half rounds down", 300.0f, 0, {{17, 16}, {15, 16}, {21, 26}, {23, 26}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KnobPoint got[4];
        KnobNeedlePolygon(16, 16, c.degrees * kDegree, 12, 2, c.shortNeedle, got);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(got[i].x, c.corners[i].x) << "corner " << i;
            EXPECT_EQ(got[i].y, c.corners[i].y) << "corner " << i;
        }
    }
}

TEST(KnobModel, PieRadialsAndDegeneratePie) {
    KnobPie pie;
    ASSERT_EQ(KnobPieGeometry(16, 16, 16.0f, 90.0f * kDegree, 180.0f * kDegree, &pie), 1);
    EXPECT_EQ(pie.left, 0);
    EXPECT_EQ(pie.top, 0);
    EXPECT_EQ(pie.right, 32);
    EXPECT_EQ(pie.bottom, 32);
    EXPECT_EQ(pie.x1, 16);
    EXPECT_EQ(pie.y1, 0);
    EXPECT_EQ(pie.x2, 0);
    EXPECT_EQ(pie.y2, 16);
    // Angles a hair apart round to one radial: GDI would fill the whole disc.
    EXPECT_EQ(KnobPieGeometry(16, 16, 9.6f, 1.0f, 1.0001f, &pie), 0);
}

TEST(KnobModel, InfoBoxPlaces) {
    const struct {
        uint32_t infoValue;
        int32_t x, y;
    } cases[] = {
        {0x80000001, 20, 30}, {0x80000002, 132, 30}, {0x80000003, 132, 82}, {0x80000004, 20, 82},
        {0x00000001, 20, 30}, {0x80000000, 132, 82}, {0x8000000F, 132, 82},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.infoValue);
        int32_t x = 0, y = 0;
        KnobInfoBoxPlace(c.infoValue, 100, 50, 32, 32, 80, 20, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}

TEST(KnobModel, MenuAndBoxTexts) {
    KnobScale plain = MakeScale(-180.0f, 40.0f, 0.0f, 0.25f, 240, 300);
    plain.value = 39.9f;
    KnobScale db = MakeScale(0.1f, 2.0f, 1.0f, 0.01f, 240, 300);
    db.value = 0.5f;
    const struct {
        const KnobScale* scale;
        int decibel;
        KnobMenuTextItem item;
        const char* text;
    } cases[] = {
        {&plain, 0, kKnobTextCurrent, "Current value :+39.900"},
        {&plain, 0, kKnobTextDefault, "Default value (0.000000)\tDBLCLICK"},
        {&plain, 0, kKnobTextMin, "Value Min (-180.000000)"},
        {&plain, 0, kKnobTextMax, "Value Max (+40.000000)"},
        {&db, 1, kKnobTextCurrent, "Current value :-6.021 db"},
        {&db, 1, kKnobTextDefault, "Default value (0.0 db)\tDBLCLICK"},
        {&db, 1, kKnobTextMin, "Value Min (-20.0 db)"},
        {&db, 1, kKnobTextMax, "Value Max (+6.0 db)"},
    };
    for (const auto& c : cases) {
        char text[128];
        int length = KnobMenuText(c.scale, c.decibel, c.item, text, sizeof text);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(length, static_cast<int>(std::strlen(c.text)));
    }
    char text[128];
    KnobValueText(&plain, 0, text, sizeof text);
    EXPECT_STREQ(text, "39.900");
    KnobValueText(&db, 1, text, sizeof text);
    EXPECT_STREQ(text, "-6.021");
    // A short buffer cuts the text and still terminates it.
    char small[8];
    EXPECT_EQ(KnobMenuText(&plain, 0, kKnobTextMax, small, sizeof small), 7);
    EXPECT_STREQ(small, "Value M");
}

} // namespace
