#include "app/main_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands.h"
#include "audio/winmm_table.h"
#include "meter/meter_engine.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/program_win32.h"
#include "tools/demo_wave.h"

namespace {

using apptest::FakeShell;
using apptest::MainWindowTest;
using apptest::Pump;

TEST_F(MainWindowTest, HotKeysFollowTheProgramsActivation) {
    struct Step {
        UINT message;
        WPARAM active;
        bool held;
    };
    const Step kSteps[] = {
        {WM_ACTIVATEAPP, FALSE, false}, {WM_ACTIVATEAPP, FALSE, false},
        {WM_ACTIVATEAPP, TRUE, true},   {WM_ACTIVATEAPP, TRUE, true},
        {WM_CLOSE, 0, false},
    };
    EXPECT_TRUE(apptest::ProgramHolds(VK_F1)); // from creation on
    for (const Step& step : kSteps) {
        SendMessageA(window(), step.message, step.active, 0);
        EXPECT_EQ(apptest::ProgramHolds(VK_F1), step.held) << step.message << " " << step.active;
        EXPECT_EQ(p().hotKeysRegistered, step.held ? 1u : 0u);
    }
}

// Presses and releases a key as the keyboard would.
void PressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Opening the menu bar checks the latency in use, and only that one.
TEST_F(MainWindowTest, LatencyMenuChecksTheLatencyInUse) {
    HMENU bar = GetMenu(window());
    SendMessageA(window(), WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    HMENU latency = GetSubMenu(bar, 1);
    std::vector<std::string> checked;
    for (int i = 0; i < GetMenuItemCount(latency); ++i) {
        char text[64] = {};
        GetMenuStringA(latency, i, text, sizeof text, MF_BYPOSITION);
        if (GetMenuState(latency, i, MF_BYPOSITION) & MF_CHECKED) checked.push_back(text);
    }
    EXPECT_EQ(1u, checked.size());
}

TEST_F(MainWindowTest, TransportCommandsThatMustDoNothing) {
    FakeShell shell;
    // Play with no file loaded.
    PressKey(VK_F1);
    Pump(100);
    SendMessageA(window(), WM_COMMAND, 21, 0);
    EXPECT_EQ(StreamIsStreaming(&p().stream), 0u);

    const std::string wave = dir_.file("demo.wav");
    ASSERT_TRUE(demo::WriteDemoWave(wave, 2.0));
    ASSERT_EQ(WaveFileOpen(&p().file, wave.c_str()), kWaveOpened);
    // Zero while stopped leaves the play position alone.
    p().file.position = 1000;
    PressKey(VK_F4);
    Pump(100);
    SendMessageA(window(), WM_COMMAND, 20, 0);
    EXPECT_EQ(p().file.position, 1000);

    // A file selection stops the stream first; F1, F2, F4 and F5 reach the
    // window while its dialog is open and are ignored.
    SendMessageA(window(), WM_COMMAND, 21, 0);
    ASSERT_EQ(StreamIsStreaming(&p().stream), 1u);
    int selections = 0;
    shell.duringDialog = [&] {
        ++selections;
        EXPECT_EQ(StreamIsStreaming(&p().stream), 0u);
        for (WORD key : {VK_F1, VK_F5, VK_F2, VK_F4})
            PressKey(key);
        Pump(200);
        EXPECT_EQ(StreamIsStreaming(&p().stream), 0u);
    };
    shell.paths = {""}; // cancel: the file stays
    SendMessageA(window(), WM_COMMAND, 30, 0);
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(p().stream.selectingFile, 0u);
    EXPECT_STREQ(p().file.path, wave.c_str());
    EXPECT_NE(p().file.handle, nullptr);
    EXPECT_TRUE(shell.boxes.empty());

    // Afterwards F1 plays again.
    PressKey(VK_F1);
    EXPECT_TRUE(apptest::PumpUntil([&] { return StreamIsStreaming(&p().stream) == 1; }, 2000));
    SendMessageA(window(), WM_HOTKEY, 22, 0);
    EXPECT_EQ(StreamIsStreaming(&p().stream), 0u);
    EXPECT_EQ(p().file.position, 0);
}

TEST_F(MainWindowTest, QuitWhilePlayingAndRecordingStopsTheStreamAndEndsTheEngine) {
    const std::string wave = dir_.file("demo.wav");
    ASSERT_TRUE(demo::WriteDemoWave(wave, 5.0));
    ASSERT_EQ(WaveFileOpen(&p().file, wave.c_str()), kWaveOpened);
    SendMessageA(window(), WM_COMMAND, 21, 0);
    ASSERT_EQ(StreamIsStreaming(&p().stream), 1u);
    Click(p().panel.recordSwitch);
    Pump(300);
    ASSERT_EQ(p().panel.recordLamp, 1u);

    ASSERT_TRUE(Quit());
    EXPECT_EQ(StreamIsStreaming(&p().stream), 0u);
    EXPECT_EQ(p().stream.thread, nullptr);
    EXPECT_EQ(p().engine, nullptr);
    EXPECT_EQ(p().file.handle, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window(), GWLP_USERDATA), 0);
}

// The program itself where no sound server runs (scripts/testenv
// --no-audio sets TENVELO_EXPECT_NO_AUDIO): two boxes, then a clean exit.
TEST(ProgramNoServer, ShowsInitErrorThenFailedToCreateAndExitsWithZero) {
    if (!std::getenv("TENVELO_EXPECT_NO_AUDIO")) GTEST_SKIP() << "needs --no-audio";
    const std::string program = testsupport::TreeFile("tenvelo.exe");
    // The boxes are the other process's: answered from this thread's timer
    // while it waits.
    std::string initError, sorry;
    modaltest::Script first([] { return modaltest::Titled("Init Error", true); },
                            modaltest::Answer("", &initError));
    modaltest::Script second([] { return modaltest::Titled("Sorry", true); },
                             modaltest::Answer("", &sorry));
    const int code = testsupport::RunProgram("\"" + program + "\"", 20000, [] { Pump(0); });
    ASSERT_NE(code, testsupport::kNotStarted) << program;
    EXPECT_NE(code, testsupport::kStillRunning); // the process has ended: nothing left running
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(first.ran());
    EXPECT_FALSE(initError.empty());
    EXPECT_TRUE(second.ran());
    EXPECT_EQ(sorry, "Failed to create window...");
}

} // namespace
