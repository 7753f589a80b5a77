#include "app/file_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "meter/meter_engine.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/test_files.h"
#include "tools/demo_wave.h"
#include "view/control_panel.h"

namespace {

using apptest::FakeShell;
using modaltest::Answer;
using modaltest::Script;

class FileCommandsTest : public apptest::MainWindowTest {
  protected:
    // Appends n slots to the engine's history as the display thread would.
    void Record(int n) {
        MeterEngine* e = p().engine;
        SysLockEnter(&e->lock);
        for (int i = 0; i < n; ++i) {
            HistoryRecord r = {};
            r.samplePosition = int64_t(i + 1) * 4410;
            r.peakL = r.peakR = 0.25f * float(i % 4);
            HistoryAppend(&e->frame.history, &r);
        }
        SysLockLeave(&e->lock);
    }
    int32_t Count() { return p().engine->frame.history.recordCount; }
    void Load() { Click(p().panel.loadButton); }
    void Save() { Click(p().panel.saveButton); }
};

// A mono file is refused with its box; the file chosen before stays open.
TEST_F(FileCommandsTest, RefusedWavFileKeepsTheOpenOne) {
    const std::string demo = dir_.file("demo.wav"), mono = dir_.file("mono.wav");
    ASSERT_TRUE(demo::WriteDemoWave(demo, 1.0));
    ASSERT_TRUE(testsupport::WriteAll(mono, testsupport::WaveBytes(1, std::vector<int16_t>(44100))));
    for (const std::string& path : {demo, mono}) {
        std::string text;
        Script file("Load a wave file", Answer(path));
        Script sorry("Sorry...", Answer("", &text));
        SendMessageA(window(), WM_HOTKEY, 30, 0); // F5
        EXPECT_TRUE(file.ran()) << path;
        EXPECT_EQ(sorry.ran(), path == mono) << path;
        EXPECT_STREQ(p().file.path, demo.c_str()) << path;
        EXPECT_STREQ(p().rememberedWave, demo.c_str());
        EXPECT_EQ(p().stream.selectingFile, 0u);
    }
}

TEST_F(FileCommandsTest, LoadAndSaveFailuresShowTheirBoxesAndKeepTheHistory) {
    // A history recorded at 48000 Hz. (A corrupt one: the walkthrough.)
    HistoryStore other = {};
    ASSERT_EQ(HistoryStoreInit(&other), 1);
    HistoryRecord r = {};
    r.samplePosition = 4800;
    HistoryAppend(&other, &r);
    const std::string rate48 = dir_.file("rate48.his");
    ASSERT_EQ(WriteHistory(&other, rate48.c_str(), 48000.0, 0), 0);
    HistoryStoreFree(&other);

    // Refused while recording; loaded with a warning naming the rate otherwise.
    const struct {
        bool recording;
        const char* title;
        int32_t countAfter;
    } kCases[] = {{true, "Warning !", 20}, {false, "Warning", 1}};
    for (const auto& c : kCases) {
        MeterResetHistory(p().engine);
        Record(20);
        MeterSetRecording(p().engine, c.recording ? 1 : 0);
        const std::vector<HistoryRecord> before(p().engine->frame.history.history,
                                                p().engine->frame.history.history + 20);
        FakeShell shell;
        shell.paths = {rate48};
        Load();
        ASSERT_EQ(shell.boxes.size(), 1u) << c.title;
        EXPECT_EQ(shell.boxes[0].title, c.title);
        EXPECT_EQ(shell.boxes[0].text.find("48000Hz") != std::string::npos, !c.recording);
        EXPECT_EQ(shell.dialogTitles.size(), c.recording ? 0u : 1u);
        EXPECT_EQ(Count(), c.countAfter);
        if (c.countAfter == 20) {
            EXPECT_EQ(std::memcmp(before.data(), p().engine->frame.history.history, 20 * 40), 0);
        }
        MeterSetRecording(p().engine, 0);
    }

    // Saving an empty history fails and leaves an existing file whole.
    MeterResetHistory(p().engine);
    const std::vector<uint8_t> kept = testsupport::ReadAll(rate48);
    FakeShell shell;
    shell.paths = {rate48};
    Save();
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].title, "Disk Error");
    EXPECT_EQ(testsupport::ReadAll(rate48), kept);
}

} // namespace
