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
    MeterConfig Config() {
        MeterConfig config;
        MeterGetConfig(p().engine, &config);
        return config;
    }
    MeterParams Params() { return Config().params; }
    // A value picked from the knob's preset menu, reported as for any turn.
    static void Turn(HWND knob, float value) {
        ASSERT_EQ(KnobSetPresets(knob, &value, 1), 1);
        SendMessageA(knob, WM_COMMAND, kKnobMenuPreset, 0);
    }
    static float Value(HWND control) { return SendCommand(control, kRequestGetValue, 0); }
};

// Two knobs kept in order: the dB range spans at least 1 dB, the peak fall
// never exceeds the average fall. Turning one pushes the other.
TEST_F(ControlPanelTest, PairedKnobsPushEachOther) {
    struct Case {
        HWND ControlPanel::*turned;
        float value;
        float high, low; // maxDb/minDb or averageFall/peakFall after the turn
    };
    const Case kDb[] = {
        {&ControlPanel::maxDbKnob, -59.0f, -59.0f, -60.0f}, // exactly 1 dB: the minimum stays
        {&ControlPanel::maxDbKnob, -59.5f, -59.5f, -60.5f},
        {&ControlPanel::minDbKnob, -59.0f, -58.0f, -59.0f},
        {&ControlPanel::minDbKnob, -80.0f, -58.0f, -80.0f},
    };
    const Case kFall[] = {
        {&ControlPanel::peakFallKnob, 30.0f, 30.0f, 30.0f},
        {&ControlPanel::averageFallKnob, 50.0f, 50.0f, 30.0f},
        {&ControlPanel::averageFallKnob, 10.0f, 10.0f, 10.0f},
        {&ControlPanel::peakFallKnob, 5.0f, 10.0f, 5.0f},
    };
    EXPECT_EQ(Value(panel().minDbKnob), Params().minDb); // synchronised when built
    EXPECT_EQ(MeterGetWindowContext(p().engine)->controlPanel, &panel());
    Turn(panel().minDbKnob, -60.0f);
    Turn(panel().maxDbKnob, 6.0f);
    Turn(panel().averageFallKnob, 24.0f);
    Turn(panel().peakFallKnob, 3.0f);
    for (const Case& c : kDb) {
        Turn(panel().*c.turned, c.value);
        EXPECT_EQ(Params().maxDb, c.high) << c.value;
        EXPECT_EQ(Params().minDb, c.low) << c.value;
        EXPECT_EQ(Value(panel().maxDbKnob), c.high);
        EXPECT_EQ(Value(panel().minDbKnob), c.low);
    }
    EXPECT_NE(Config().params2.maxDb, -58.0f); // only the first copy carries the range
    for (const Case& c : kFall) {
        Turn(panel().*c.turned, c.value);
        EXPECT_EQ(Params().averageFall, c.high) << c.value;
        EXPECT_EQ(Params().peakFall, c.low) << c.value;
        EXPECT_EQ(Value(panel().averageFallKnob), c.high);
        EXPECT_EQ(Value(panel().peakFallKnob), c.low);
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
    for (uint32_t on : {1u, 0u}) {
        Click(panel().holdSwitch);
        Click(panel().recordSwitch);
        EXPECT_EQ(MeterGetHold(p().engine), on);
        EXPECT_EQ(Params().recordOn, on);
        EXPECT_EQ(Config().params2.recordOn, on);
        EXPECT_EQ(panel().recordLamp, on);
    }
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
