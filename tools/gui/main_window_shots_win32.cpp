// Pictures of the main window for people to look at, with the record lamp on
// and off, taken by tools/screenshots (main_window_lamp_*.png).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/main_window_test_support.h"
#include "tools/gui/screenshot.h"
#include "tools/demo_wave.h"
#include "view/status_panel.h"

namespace {

class MainWindowScreenshot : public apptest::MainWindowTest {
  protected:
    void SetUp() override {
        if (shots::Folder().empty()) GTEST_SKIP() << "no folder named";
        apptest::MainWindowTest::SetUp();
    }
    // The window as it is now: a repaint could catch the lamp's next blink.
    bool SaveAsIs(const char* name) {
        RECT r;
        GetWindowRect(window(), &r);
        return shots::SaveScreen(r, name);
    }
};

TEST_F(MainWindowScreenshot, LampOnAndOff) {
    SetWindowPos(window(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    const std::string wave = dir_.file("demo.wav");
    ASSERT_TRUE(demo::WriteDemoWave(wave, 10.0));
    ASSERT_EQ(WaveFileOpen(&p().file, wave.c_str()), kWaveOpened);
    SendMessageA(window(), WM_COMMAND, 21, 0);
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    apptest::Pump(2500);
    // Catch the blink with the lamp lit.
    ASSERT_TRUE(apptest::PumpUntil([&] { return p().panel.lampPhase == 0; }, 1000));
    apptest::Pump(50);
    EXPECT_TRUE(SaveAsIs("main_window_lamp_on.bmp"));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    SendMessageA(window(), WM_COMMAND, 22, 0);
    apptest::Pump(700);
    EXPECT_TRUE(SaveAsIs("main_window_lamp_off.bmp"));
}

} // namespace
