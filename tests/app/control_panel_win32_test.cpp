#include "view/control_panel.h"

#include <gtest/gtest.h>

#include "meter/meter_engine.h"
#include "tests/app/main_window_test_support.h"
#include "toolkit/knob.h"

namespace {

using apptest::FakeShell;

class ControlPanelTest : public apptest::MainWindowTest {
  protected:
    ControlPanel& panel() { return p().panel; }
    MeterParams Params() {
        MeterConfig config;
        MeterGetConfig(p().engine, &config);
        return config.params;
    }
    MeterConfig Config() {
        MeterConfig config;
        MeterGetConfig(p().engine, &config);
        return config;
    }
    // The user picks a value from the knob's preset menu: the knob reports
    // it as for any turn.
    static void Turn(HWND knob, float value) {
        ASSERT_EQ(KnobSetPresets(knob, &value, 1), 1);
        SendMessageA(knob, WM_COMMAND, kKnobMenuPreset, 0);
    }
    static void Click(HWND button) {
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
    static float Value(HWND control) { return SendCommand(control, kRequestGetValue, 0); }
};

TEST_F(ControlPanelTest, DecibelRangeAlwaysSpansAtLeastOneDecibel) {
    struct Case {
        bool turnMax;
        float value;
        float maxDb, minDb;
    };
    const Case kCases[] = {
        {true, -59.0f, -59.0f, -60.0f},  // exactly 1 dB: the minimum stays
        {true, -59.5f, -59.5f, -60.5f},  // the minimum follows
        {false, -59.0f, -58.0f, -59.0f}, // turning the minimum up pushes the maximum
        {false, -80.0f, -58.0f, -80.0f},
    };
    // Built and synchronised: the knobs show the engine's configuration.
    EXPECT_EQ(Value(panel().minDbKnob), Params().minDb);
    EXPECT_EQ(MeterGetWindowContext(p().engine)->controlPanel, &panel());
    Turn(panel().minDbKnob, -60.0f);
    Turn(panel().maxDbKnob, 6.0f);
    for (const Case& c : kCases) {
        Turn(c.turnMax ? panel().maxDbKnob : panel().minDbKnob, c.value);
        EXPECT_EQ(Params().maxDb, c.maxDb) << c.value;
        EXPECT_EQ(Params().minDb, c.minDb) << c.value;
        EXPECT_EQ(Value(panel().maxDbKnob), c.maxDb);
        EXPECT_EQ(Value(panel().minDbKnob), c.minDb);
    }
    // Only the first parameter copy carries the range.
    EXPECT_NE(Config().params2.maxDb, -58.0f);
}

TEST_F(ControlPanelTest, PeakFallNeverExceedsAverageFall) {
    struct Case {
        bool turnPeak;
        float value;
        float peak, average;
    };
    const Case kCases[] = {
        {true, 30.0f, 30.0f, 30.0f},
        {false, 50.0f, 30.0f, 50.0f},
        {false, 10.0f, 10.0f, 10.0f},
        {true, 5.0f, 5.0f, 10.0f},
    };
    Turn(panel().averageFallKnob, 24.0f);
    Turn(panel().peakFallKnob, 3.0f);
    for (const Case& c : kCases) {
        Turn(c.turnPeak ? panel().peakFallKnob : panel().averageFallKnob, c.value);
        EXPECT_EQ(Params().peakFall, c.peak) << c.value;
        EXPECT_EQ(Params().averageFall, c.average) << c.value;
        EXPECT_EQ(Value(panel().peakFallKnob), c.peak);
        EXPECT_EQ(Value(panel().averageFallKnob), c.average);
    }
}

TEST_F(ControlPanelTest, RadiosSelectTheLevelModeInBothCopies) {
    struct Step {
        HWND ControlPanel::*radio;
        uint32_t peakBit, rmsBit;
        MeterLevelMode mode;
        float peak, rms, average;
    };
    const Step kSteps[] = {
        {&ControlPanel::averageRadio, 0, 0, kMeterLevelAverage, 0, 0, 1},
        {&ControlPanel::rmsRadio, 0, 1, kMeterLevelRms, 0, 1, 0},
        {&ControlPanel::peakRadio, 1, 1, kMeterLevelPeak, 1, 0, 0}, // RMS then PEAK
    };
    for (const Step& step : kSteps) {
        Click(panel().*step.radio);
        const MeterConfig config = Config();
        for (const MeterParams* params : {&config.params, &config.params2}) {
            EXPECT_EQ(params->peakSelect & 1, step.peakBit);
            EXPECT_EQ(params->rmsSelect & 1, step.rmsBit);
            EXPECT_EQ(MeterGetLevelMode(params), step.mode);
        }
        EXPECT_EQ(Value(panel().peakRadio), step.peak);
        EXPECT_EQ(Value(panel().rmsRadio), step.rms);
        EXPECT_EQ(Value(panel().averageRadio), step.average);
    }
}

TEST_F(ControlPanelTest, ZoomTruncatesAndFollowPutsTheKnobBackToOne) {
    struct Case {
        float value;
        int32_t zoom;
    };
    const Case kCases[] = {{1.4f, 1}, {2.0f, 2}, {2.5f, 2}, {119.5f, 119}};
    for (const Case& c : kCases) {
        Turn(panel().zoomKnob, c.value);
        EXPECT_EQ(Params().zoom, c.zoom) << c.value;
        EXPECT_EQ(Config().params2.zoom, c.zoom);
    }
    Click(panel().followButton);
    EXPECT_EQ(Params().zoom, 1);
    EXPECT_EQ(Value(panel().zoomKnob), 1.0f);
}

TEST_F(ControlPanelTest, SwitchesDelayPhaseAndResetWithItsQuestion) {
    Click(panel().holdSwitch);
    EXPECT_EQ(MeterGetHold(p().engine), 1u);
    Click(panel().holdSwitch);
    EXPECT_EQ(MeterGetHold(p().engine), 0u);
    Click(panel().recordSwitch);
    EXPECT_EQ(Params().recordOn, 1u);
    EXPECT_EQ(Config().params2.recordOn, 1u);
    EXPECT_EQ(panel().recordLamp, 1u);
    Click(panel().recordSwitch);
    EXPECT_EQ(Params().recordOn, 0u);
    EXPECT_EQ(panel().recordLamp, 0u);
    Turn(panel().delayKnob, 0.5f);
    Turn(panel().phaseReleaseKnob, 2.0f);
    EXPECT_EQ(Params().delay, 0.5f);
    EXPECT_EQ(Config().params2.delay, 0.5f);
    EXPECT_EQ(Config().params2.phaseRelease, 2.0f);

    MeterEngine* engine = p().engine;
    SysLockEnter(&engine->lock);
    engine->frame.history.recordCount = engine->frame.history.writeIndex = 5;
    SysLockLeave(&engine->lock);
    FakeShell shell;
    for (int answer : {IDCANCEL, IDOK}) {
        shell.answer = answer;
        Click(panel().resetButton);
        EXPECT_EQ(engine->frame.history.recordCount, answer == IDOK ? 0 : 5);
    }
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[0].title, "Reset Record");
    EXPECT_EQ(shell.boxes[0].text, "Do you want to remove all the records !?");
}

} // namespace
