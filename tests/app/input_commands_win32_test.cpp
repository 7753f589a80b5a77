#include "app/input_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/engine_history.h"
#include "app/main_window.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/modal_script_win32.h"
#include "tests/audio/fake_winmm.h"
#include "tools/demo_wave.h"
#include "view/loudness_window.h"

namespace {

using apptest::FakeShell;
using apptest::Pump;
using apptest::PumpUntil;

// The program over the fake devices: two outputs that play in real time
// and two inputs (and their mapper) that fill a buffer every 5 ms.
struct FakeDevices {
    fakewinmm::Device device;
    fakewinmm::Scope scope{Prepared(&device)};
    static fakewinmm::Device* Prepared(fakewinmm::Device* d) {
        d->completeMs = 10;
        d->inputs = 2;
        d->inputMs = 5;
        return d;
    }
};

class InputCommandsTest : public apptest::MainWindowTest {
  protected:
    FakeDevices fake_;
    void Command(uint16_t id) { SendMessageA(window(), WM_COMMAND, id, 0); }
    bool Measuring() { return InputIsMeasuring(&p().input) == 1; }
    bool Playing() { return StreamIsStreaming(&p().stream) == 1; }
    void LoadDemo() {
        const std::string wave = dir_.file("demo.wav");
        ASSERT_TRUE(demo::WriteDemoWave(wave, 5.0));
        ASSERT_EQ(WaveFileOpen(&p().file, wave.c_str()), kWaveOpened);
    }
    std::vector<std::string> MenuTexts(HMENU menu) {
        std::vector<std::string> texts;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[80] = {};
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    }
    std::string Checked(HMENU menu) {
        SendMessageA(window(), WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(window())), 0);
        std::string checked;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            if (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) {
                char text[80] = {};
                GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
                checked += text;
            }
        return checked;
    }
};

using apptest::ProgramHolds;

TEST_F(InputCommandsTest, TheThirdMenuListsTheInputsAndItsTwoCommands) {
    HMENU bar = GetMenu(window());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(MenuTexts(bar), (std::vector<std::string>{"&Command", "&Latency", "&Input"}));
    HMENU input = GetSubMenu(bar, 2);
    EXPECT_EQ(MenuTexts(input),
              (std::vector<std::string>{"Windows Wave Mapper", "Fake Input 0", "Fake Input 1", "",
                                        "Measure Input   F6", "Stop Input   F7"}));
    EXPECT_EQ(GetMenuItemID(input, 4), UINT(kCommandMeasureInput));
    EXPECT_EQ(GetMenuItemID(input, 5), UINT(kCommandStopInput));
    EXPECT_TRUE(ProgramHolds(VK_F6));
    EXPECT_TRUE(ProgramHolds(VK_F7));
    SendMessageA(window(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(ProgramHolds(VK_F6));
    EXPECT_FALSE(ProgramHolds(VK_F7));
}

// A first run stores nothing new; a choice is checked and stored, and a
// stored choice that names no listed device leaves device 1.
TEST_F(InputCommandsTest, TheChosenDeviceIsCheckedAndStored) {
    HMENU input = GetSubMenu(GetMenu(window()), 2);
    char stored[kSettingTextSize];
    EXPECT_EQ(ReadSettingText(kLatencyKey, kInputDeviceValue, stored), 0);
    EXPECT_EQ(Checked(input), "Windows Wave Mapper");
    Command(kCommandInputDeviceFirst + 2);
    EXPECT_EQ(Checked(input), "Fake Input 1");
    ASSERT_EQ(ReadSettingText(kLatencyKey, kInputDeviceValue, stored), 1);
    EXPECT_STREQ(stored, "WIN : Fake Input 1");
    EXPECT_EQ(InputLoadDevice(&p().input), 1);
    WriteSettingText(kLatencyKey, kInputDeviceValue, "WIN : Gone");
    EXPECT_EQ(InputLoadDevice(&p().input), 0);
    EXPECT_EQ(Checked(input), "Fake Input 1");
}

TEST_F(InputCommandsTest, PlayingAndMeasuringStopEachOther) {
    FakeShell shell;
    LoadDemo();
    Command(kCommandStopInput); // not measuring: nothing
    Command(kCommandPlay);
    ASSERT_TRUE(Playing());
    SendMessageA(window(), WM_HOTKEY, kCommandMeasureInput, 0);
    EXPECT_TRUE(Measuring());
    EXPECT_FALSE(Playing());
    EXPECT_EQ(p().file.position, 0); // stopped as Stop stops
    Command(kCommandPlay);
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(Measuring());
    Command(kCommandMeasureInput);
    ASSERT_TRUE(Measuring());
    EXPECT_TRUE(PumpUntil([&] { return p().input.buffers.load() >= 5; }, 3000));
    SendMessageA(window(), WM_HOTKEY, kCommandStopInput, 0);
    EXPECT_FALSE(Measuring());
    EXPECT_EQ(p().input.lost.load(), 0u);
    EXPECT_TRUE(shell.boxes.empty());
}

// Every command of the menu bar and the hot keys acts on measuring as on
// playing: Play and F1 stop it and play, Stop and Zero (F2, F4) end it,
// selecting a file ends it; and the next row starts measuring again.
TEST_F(InputCommandsTest, EveryCommandEndsMeasuringAsItEndsPlaying) {
    FakeShell shell;
    LoadDemo();
    struct Row {
        const char* what;
        UINT message;
        uint16_t id;
        bool playsAfter;
    };
    const Row rows[] = {
        {"F1", WM_HOTKEY, kCommandPlay, true},        {"Play", WM_COMMAND, kCommandPlay, true},
        {"F2", WM_HOTKEY, kCommandStop, false},       {"Stop", WM_COMMAND, kCommandStop, false},
        {"F4", WM_HOTKEY, kCommandZero, false},       {"Zero", WM_COMMAND, kCommandZero, false},
        {"F5", WM_HOTKEY, kCommandSelectWave, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StopStream(&p().stream);
        shell.paths = {dir_.file("demo.wav")};
        Command(kCommandMeasureInput);
        ASSERT_TRUE(PumpUntil([&] { return p().input.buffers.load() >= 2; }, 3000));
        SendMessageA(window(), row.message, row.id, 0);
        EXPECT_FALSE(Measuring());
        EXPECT_EQ(p().input.thread, nullptr);
        EXPECT_EQ(Playing(), row.playsAfter);
    }
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_NE(p().file.handle, nullptr); // F5 took the file again
    Command(kCommandMeasureInput);
    ASSERT_TRUE(Measuring());
    EXPECT_TRUE(Quit());
    EXPECT_FALSE(Measuring());
    EXPECT_EQ(p().input.thread, nullptr);
}

// When measuring or playing stops, the Loudness window shows the reading of
// every buffer measured, the last ones too, and keeps it.
TEST_F(InputCommandsTest, TheLoudnessWindowKeepsTheFinalReadingAfterAStop) {
    FakeShell shell;
    LoadDemo();
    fake_.device.level = 12000;
    HWND loudness = OpenLoudnessWindow();
    ASSERT_NE(loudness, nullptr);
    struct Row {
        const char* what;
        uint16_t start, stop;
    };
    const Row rows[] = {{"input, F2", kCommandMeasureInput, kCommandStop},
                        {"input, F7", kCommandMeasureInput, kCommandStopInput},
                        {"play, F2", kCommandPlay, kCommandStop},
                        {"play, F4", kCommandPlay, kCommandZero}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const bool input = row.start == kCommandMeasureInput;
        Command(row.start);
        const uint64_t frames = (input ? p().input.bytesPerBuffer : p().stream.bytesPerBuffer) / 4;
        auto measured = [&] {
            return input ? p().input.buffers.load() : p().stream.stats.buffers.load();
        };
        // Stopped between two publications: the last buffers are unpublished.
        ASSERT_TRUE(PumpUntil([&] { return measured() >= 12; }, 5000));
        SendMessageA(window(), WM_HOTKEY, row.stop, 0);
        ASSERT_FALSE(Measuring() || Playing());
        LoudnessReading reading;
        ASSERT_EQ(LiveLoudnessRead(&p().loudness, &reading), 1);
        EXPECT_EQ(reading.frames, measured() * frames);
        char rowsShown[kLoudnessRows][kLoudnessTextSize];
        FormatLoudnessRows(reading, rowsShown);
        Pump(300); // the window's timer, a few periods
        for (int r = 0; r < kLoudnessRows; ++r) {
            char text[kLoudnessTextSize] = {};
            GetDlgItemTextA(loudness, kLoudnessFirstValueId + r, text, sizeof text);
            EXPECT_STREQ(text, rowsShown[r]) << "row " << r;
        }
        EXPECT_STRNE(rowsShown[kRowTruePeakLeft], "-- dBTP");
    }
    EXPECT_TRUE(shell.boxes.empty());
}

// A device that refuses: its name and the reason, and the program goes on
// as it was (still playing).
TEST_F(InputCommandsTest, ARefusingDeviceChangesNothing) {
    FakeShell shell;
    LoadDemo();
    Command(kCommandPlay);
    ASSERT_TRUE(Playing());
    fake_.device.refuseInputFormat = true;
    Command(kCommandMeasureInput);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].title, kMeasureInputTitle);
    EXPECT_EQ(shell.boxes[0].text, std::string("Windows Wave Mapper\n\n") + kInputFormatText);
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(Measuring());
}

// The device failing while measuring: a box, the history and its cues
// kept and savable.
TEST_F(InputCommandsTest, ADeviceFailureStopsMeasuringAndKeepsTheHistory) {
    FakeShell shell;
    MeterSetRecording(p().engine, 1);
    Command(kCommandMeasureInput);
    ASSERT_TRUE(PumpUntil([&] { return MeterGetHistoryStatus(p().engine).recordCount >= 5; }));
    fake_.device.addBufferResult = MMSYSERR_NODRIVER;
    ASSERT_TRUE(PumpUntil([&] { return !shell.boxes.empty(); }, 3000));
    EXPECT_FALSE(Measuring());
    EXPECT_EQ(p().input.thread, nullptr);
    EXPECT_EQ(shell.boxes[0].title, kMeasureInputTitle);
    EXPECT_NE(shell.boxes[0].text.find(kWaveCommunicationLost), std::string::npos);
    EXPECT_NE(shell.boxes[0].text.find("history"), std::string::npos);
    const int32_t kept = MeterGetHistoryStatus(p().engine).recordCount;
    EXPECT_GE(kept, 5);
    EXPECT_EQ(SaveEngineHistory(p().engine, dir_.file("kept.his").c_str()), 0);
}

// A machine without an input device starts as before; Measure Input says so.
class NoInputTest : public apptest::MainWindowTest {
  protected:
    struct NoInputs : FakeDevices {
        NoInputs() { device.inputs = 0; }
    } fake_;
};

TEST_F(NoInputTest, TheMenuAndMeasureInputSaySo) {
    FakeShell shell;
    HMENU input = GetSubMenu(GetMenu(window()), 2);
    ASSERT_EQ(GetMenuItemCount(input), 4);
    char text[64] = {};
    GetMenuStringA(input, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, kNoInputItemText);
    EXPECT_TRUE(GetMenuState(input, 0, MF_BYPOSITION) & MF_GRAYED);
    SendMessageA(window(), WM_COMMAND, kCommandMeasureInput, 0);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, kNoInputDeviceText);
    EXPECT_EQ(InputIsMeasuring(&p().input), 0u);
}

TEST_F(InputCommandsTest, TheLatencyIsRefusedWhileMeasuringAndSizesTheInput) {
    FakeShell shell;
    Command(kCommandMeasureInput);
    ASSERT_TRUE(Measuring());
    const uint32_t before = p().input.bytesPerBuffer;
    Command(kCommandLatency200);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].title, "Change Latency");
    EXPECT_EQ(p().input.bytesPerBuffer, before);
    Command(kCommandStopInput);
    Command(kCommandLatency200);
    EXPECT_EQ(p().input.bytesPerBuffer, 35280u);
    EXPECT_EQ(p().stream.bytesPerBuffer, 35280u);
}

// The Loudness window follows what is measured; a history reset starts it over.
TEST_F(InputCommandsTest, TheLoudnessWindowShowsTheInputAndAHistoryResetClearsIt) {
    FakeShell shell;
    fake_.device.level = 16384;
    HWND loudness = OpenLoudnessWindow();
    ASSERT_NE(loudness, nullptr);
    Command(kCommandMeasureInput);
    auto text = [&](int id) { return modaltest::Text(GetDlgItem(loudness, id)); };
    // A true peak, whatever the step from silence made of it.
    EXPECT_TRUE(PumpUntil([&] {
        const std::string peak = text(kLoudnessFirstValueId + kRowTruePeakLeft);
        return !peak.empty() && peak != "-- dBTP";
    }));
    EXPECT_EQ(text(kLoudnessStatusId).rfind("Input: ", 0), 0u);
    Command(kCommandStopInput);
    SendMessageA(p().panel.resetButton, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(p().panel.resetButton, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(
        PumpUntil([&] { return text(kLoudnessFirstValueId + kRowTruePeakLeft) == "-- dBTP"; }));
    EXPECT_EQ(text(kLoudnessFirstValueId + kRowTime), "0:00:00");
}

} // namespace
