#include "toolkit/knob.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <cmath>
#include <vector>

namespace {

using tktest::Command;
using tktest::Event;
using tktest::Mouse;

constexpr uint16_t kId = 0x123;
constexpr COLORREF kFaceColor = tktest::kKnobFaceColor; // needle centre (16, 16)

struct FakeTimer {
    int started = 0, killed = 0;
    UINT lastMs = 0;
} g_fake;
const KnobTimerOps kFakeTimer = {[](HWND, UINT_PTR id, UINT ms) -> UINT_PTR {
                                     ++g_fake.started;
                                     g_fake.lastMs = ms;
                                     return id;
                                 },
                                 [](HWND, UINT_PTR) { ++g_fake.killed; }};

using tktest::ValueOf;
void SetValue(HWND knob, float value) {
    SendMessageA(knob, WM_COMMAND, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}

POINT AtAngle(float degrees, float radius) {
    float a = degrees * 3.14159265f / 180.0f;
    return POINT{16 + static_cast<LONG>(std::lround(radius * std::cos(a))),
                 16 - static_cast<LONG>(std::lround(radius * std::sin(a)))};
}

COLORREF PixelAt(HWND window, POINT p) {
    return tktest::PixelAt(window, p.x, p.y);
}
bool IsNeedle(COLORREF c) {
    return c == PaletteColor(0) || c == PaletteColor(10);
}

class KnobTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        g_fake = FakeTimer{};
        KnobSetTimerOps(&kFakeTimer);
    }
    void TearDown() override {
        tktest::ToolkitTest::TearDown();
        KnobSetTimerOps(nullptr);
    }
    HWND Make(float min, float max, float initial, float step, uint32_t style, int x = 100,
              int start = 240, int end = 300) {
        HWND knob = CreateKnob(owner(), kId, x, 50, style, knobFace_, 16, 16, start, end, min, max,
                               initial, step, nullptr, nullptr);
        EXPECT_NE(knob, nullptr);
        return knob;
    }
};

TEST_F(KnobTest, OwnerRequestsNeverReportBackButAResetDoes) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, kKnobContinuous);
    SetValue(knob, 200.0f);
    EXPECT_EQ(ValueOf(knob), 10.0f);
    SetValue(knob, 96.0f);
    EXPECT_EQ(ValueOf(knob), 96.0f);
    EXPECT_TRUE(owner_->Take().empty());
    SendMessageA(knob, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16)); // back to the default
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 10.0f)});
}

// Two presses each: the second meets the clamp and reports nothing. By default
// an upward wheel notch steps five down.
TEST_F(KnobTest, UpArrowAndWheelStepClampAndReportOnce) {
    EXPECT_EQ(options()->rotMode, 1u);
    const struct {
        UINT message;
        WPARAM wParam;
        float initial, clamped;
    } cases[] = {{WM_KEYDOWN, VK_UP, 99.5f, 100.0f},
                 {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 5.0f, 0.0f}};
    for (const auto& c : cases) {
        HWND knob = Make(0.0f, 100.0f, c.initial, 1.0f, kKnobContinuous);
        SendMessageA(knob, c.message, c.wParam, 0);
        SendMessageA(knob, c.message, c.wParam, 0);
        EXPECT_FLOAT_EQ(ValueOf(knob), c.clamped);
        EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, c.clamped)}) << c.message;
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, LatencyHoldsTheValueButReleaseStillReports) {
    options()->rotLatency = 300;
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    EXPECT_TRUE(g_fake.started == 1 && g_fake.lastMs == 300u);
    Mouse(knob, WM_MOUSEMOVE, 16, 40);
    EXPECT_EQ(ValueOf(knob), 50.0f);
    Mouse(knob, WM_LBUTTONUP, 16, 40);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 50.0f)});
    EXPECT_EQ(g_fake.killed, 1);
}

TEST_F(KnobTest, SpringLoadedReleaseSendsTheDraggedValueThenTheDefault) {
    options()->rotMode = 0;
    HWND knob = Make(-10.0f, 10.0f, 0.0f, 0.5f, kKnobSpring | kNotifyBeginEnd);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 22, 16);
    EXPECT_EQ(ValueOf(knob), 3.0f);
    Mouse(knob, WM_LBUTTONUP, 22, 16);
    EXPECT_EQ(ValueOf(knob), 0.0f);
    EXPECT_EQ(owner_->Take(), (std::vector<Event>{{WM_COMMAND, kId | kNotifyBegin, 0},
                                                  Command(kId, 3.0f),
                                                  Command(kId, 0.0f),
                                                  {WM_COMMAND, kId | kNotifyEnd, 0}}));
}

TEST_F(KnobTest, NeedleAtMinMidAndMax) {
    const struct {
        int start, end;
        float value, degrees; // value on a 0-1 knob
    } cases[] = {
        {240, 300, 0.0f, 240.0f},
        {220, 319, 0.5f, 89.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "->" << c.end << " at " << c.value);
        HWND knob = Make(0.0f, 1.0f, c.value, 0.01f, 0x000000A0, 100, c.start, c.end);
        UpdateWindow(owner());
        UpdateWindow(knob);
        for (float r : {4.0f, 7.0f, 10.0f})
            EXPECT_TRUE(IsNeedle(PixelAt(knob, AtAngle(c.degrees, r)))) << "radius " << r;
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 180.0f, 8.0f)), kFaceColor);
        DestroyWindow(knob);
    }
}

} // namespace
