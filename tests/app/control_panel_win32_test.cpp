#include "view/control_panel.h"

#include <gtest/gtest.h>

#include "meter/meter_engine.h"
#include "tests/app/main_window_test_support.h"
#include "toolkit/knob.h"
#include "view/meter_window.h"

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
        {&ControlPanel::minDbKnob, -59.0f, -58.0f, -59.0f},
    };
    const Case kFall[] = {
        {&ControlPanel::peakFallKnob, 30.0f, 30.0f, 30.0f},
        {&ControlPanel::averageFallKnob, 10.0f, 10.0f, 10.0f},
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

// Each radio sets the mode in both copies and clears the other radios.
// Set up again from the engine (after a file was chosen or a history loaded),
// each knob shows its own value.
TEST_F(ControlPanelTest, SyncShowsEachValueOnItsOwnKnob) {
    MeterConfig config = Config();
    config.params.peakFall = 3.0f;
    config.params.averageFall = 12.0f;
    config.params.delay = 0.5f;
    config.params.phaseRelease = 2.0f;
    MeterSetConfig(p().engine, &config);
    SyncControlPanel(&panel());
    const struct {
        HWND ControlPanel::*knob;
        float value;
    } cases[] = {{&ControlPanel::peakFallKnob, 3.0f},
                 {&ControlPanel::averageFallKnob, 12.0f},
                 {&ControlPanel::delayKnob, 0.5f},
                 {&ControlPanel::phaseReleaseKnob, 2.0f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(c.value, Value(panel().*c.knob));
}

TEST_F(ControlPanelTest, RadiosSelectTheLevelModeInBothCopies) {
    const struct {
        HWND ControlPanel::*radio;
        MeterLevelMode mode;
    } kSteps[] = {{&ControlPanel::averageRadio, kMeterLevelAverage},
                  {&ControlPanel::rmsRadio, kMeterLevelRms},
                  {&ControlPanel::peakRadio, kMeterLevelPeak}}; // RMS then PEAK
    for (const auto& step : kSteps) {
        Click(panel().*step.radio);
        const MeterConfig config = Config();
        EXPECT_EQ(MeterGetLevelMode(&config.params), step.mode);
        EXPECT_EQ(MeterGetLevelMode(&config.params2), step.mode);
        EXPECT_EQ(Value(panel().peakRadio), step.mode == kMeterLevelPeak);
        EXPECT_EQ(Value(panel().averageRadio), step.mode == kMeterLevelAverage);
    }
}

TEST_F(ControlPanelTest, ZoomTruncatesAndFollowPutsTheKnobBackToOne) {
    Turn(panel().zoomKnob, 119.5f);
    EXPECT_EQ(Params().zoom, 119);
    EXPECT_EQ(Config().params2.zoom, 119);
    Click(panel().followButton);
    EXPECT_EQ(Params().zoom, 1);
    EXPECT_EQ(Value(panel().zoomKnob), 1.0f);
}

TEST_F(ControlPanelTest, SwitchesAndResetWithItsQuestion) {
    for (uint32_t on : {1u, 0u}) {
        Click(panel().holdSwitch);
        Click(panel().recordSwitch);
        EXPECT_EQ(MeterGetHold(p().engine), on);
        EXPECT_EQ(Params().recordOn, on);
        EXPECT_EQ(Config().params2.recordOn, on);
        EXPECT_EQ(panel().recordLamp, on);
    }
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
