#include "toolkit/knob.h"
#include "toolkit/precision_adjuster.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <memory>

namespace {

using tktest::ValueOf;

constexpr uint16_t kId = 0x31;

class PrecisionAdjusterTest : public tktest::ToolkitTest {
  protected:
    HWND Make(float min, float max, float initial, uint32_t style = kKnobEditPlain) {
        return MakeKnob(min, max, initial, style, kId);
    }
    // Shift+click: "Adjust Value".
    HWND Open(HWND knob) {
        SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(16, 16));
        return ToolkitPopup(kPopupAdjuster);
    }
};

// Drags scale (1-3) of the adjuster by dy pixels.
void DragScale(HWND adjuster, int scale, int dy) {
    const int x = (scale - 1) * 77 + 30;
    SendMessageA(adjuster, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 100));
    SendMessageA(adjuster, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100 + dy));
    SendMessageA(adjuster, WM_LBUTTONUP, 0, MAKELPARAM(x, 100 + dy));
}

TEST_F(PrecisionAdjusterTest, EachScaleMovesTheKnobByItsSensitivity) {
    const struct {
        int scale;
        uint32_t inverse;
        int dy;
        float after;
    } cases[] = {{2, 0, 10, 10.01f}, {3, 0, 10, 10.0001f}, {1, 1, 10, 9.0f}, {1, 0, -200, 0.1f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " inverse " << c.inverse);
        options()->aIMode = c.inverse;
        HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain | kNotifyBeginEnd);
        HWND window = Open(knob);
        owner_->Take();
        DragScale(window, c.scale, c.dy);
        EXPECT_NEAR(c.after, ValueOf(knob), 2e-5);
        EXPECT_EQ(tktest::Framed(kId, ValueOf(knob)), owner_->Take());
        DestroyWindow(knob);
        EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster)) << "the knob closes its adjuster";
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(PrecisionAdjusterTest, DecibelKnobWorksInWholeDecibelLimits) {
    HWND knob = Make(0.5f, 2.0f, 1.0f, kKnobEditPlain | kKnobDecibel);
    Open(knob);
    const PrecisionAdjuster* state = PrecisionAdjusterState();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(-6.0f, state->min);
    EXPECT_EQ(6.0f, state->max);
    EXPECT_FLOAT_EQ(0.0f, state->value);
    DragScale(ToolkitPopup(kPopupAdjuster), 1, 600); // far past the top: +6 dB
    EXPECT_NEAR(1.9953f, ValueOf(knob), 1e-3);
}

TEST_F(PrecisionAdjusterTest, ASecondKnobReusesTheOneWindowAndValuesFollow) {
    HWND first = MakeKnob(0.1f, 96.0f, 10.0f, kKnobEditPlain, kId, 60);
    HWND second = MakeKnob(0.0f, 2.0f, 1.0f, kKnobEditPlain, kId + 1, 200);
    HWND window = Open(first);
    EXPECT_EQ(window, Open(second));
    EXPECT_EQ(second, PrecisionAdjusterState()->control);
    SendMessageA(second, WM_COMMAND, kRequestSetValue, FloatToBits(1.5f));
    EXPECT_FLOAT_EQ(1.5f, PrecisionAdjusterState()->value) << "an owner's set value is shown";
    DestroyWindow(first);
    EXPECT_TRUE(IsWindow(window)) << "attached to the other knob";
}

TEST_F(PrecisionAdjusterTest, OwnerDestroyedOrToolkitExitCloseIt) {
    auto parent = std::make_unique<tktest::OwnerWindow>(300, 100);
    HWND window = Open(MakeKnob(0.1f, 96.0f, 10.0f, kKnobEditPlain, kId, 100, parent->window()));
    ASSERT_NE(nullptr, window);
    parent.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster));

    HWND knob = Make(0.1f, 96.0f, 10.0f);
    window = Open(knob);
    ToolkitExit(GetModuleHandleA(nullptr));
    EXPECT_FALSE(IsWindow(window));
    DestroyWindow(knob); // the knob outlived the toolkit; its class goes with it
    UnregisterClassA(kKnobClassName, GetModuleHandleA(nullptr));
}

} // namespace
