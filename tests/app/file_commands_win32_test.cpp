#include "app/file_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
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
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(testsupport::WriteAll(path, bytes));
        return path;
    }
    std::string Demo() {
        const std::string path = dir_.file("demo.wav");
        EXPECT_TRUE(demo::WriteDemoWave(path, 1.0));
        return path;
    }
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
    std::string Setting(const char* key, const char* name) {
        static char text[kSettingTextSize];
        return ReadSettingText(key, name, text) ? text : "(none)";
    }
    void Load() { Click(p().panel.loadButton); }
    void Save() { Click(p().panel.saveButton); }
};

TEST_F(FileCommandsTest, SelectWavFileThroughTheRealDialog) {
    const std::string demo = Demo();
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool accepted;
    };
    const Case kCases[] = {
        {"demo.wav", {}, true},
        {"mono.wav", testsupport::WaveBytes(1, std::vector<int16_t>(44100)), false},
        {"rate48.wav", testsupport::WaveBytes(2, std::vector<int16_t>(96000), 48000), false},
    };
    for (const Case& c : kCases) {
        const std::string path = c.bytes.empty() ? demo : Write(c.name, c.bytes);
        std::string text;
        Script file("Load a wave file", Answer(path));
        Script sorry("Sorry...", Answer("", &text));
        SendMessageA(window(), WM_HOTKEY, 30, 0); // F5
        EXPECT_TRUE(file.ran()) << c.name;
        EXPECT_EQ(sorry.ran(), !c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(text, "This Sound Format is not available !!!\n You may select a "
                            "16bits stereo 44100Hz Sound");
        }
        // Whatever was chosen, the accepted file is the one open now.
        EXPECT_NE(p().file.handle, nullptr) << c.name;
        EXPECT_STREQ(p().file.path, demo.c_str()) << c.name;
        EXPECT_STREQ(p().rememberedWave, demo.c_str());
        EXPECT_EQ(p().stream.selectingFile, 0u);
    }
}

TEST_F(FileCommandsTest, SaveAndLoadThroughTheRealDialogsRememberTheirFolders) {
    Record(100);
    const std::string base = dir_.file("session"); // no extension: ".his" is added
    {
        Script driver("Save History", Answer(base));
        Save();
        EXPECT_TRUE(driver.ran());
    }
    const std::vector<uint8_t> file = testsupport::ReadAll(base + ".his");
    EXPECT_EQ(file.size(), 48u + 100u * 40u);
    EXPECT_EQ(Setting(kHistorySaveKey, "Name"), "session.his");
    EXPECT_EQ(Setting(kHistoryLoadKey, "dir"), "(none)");

    Record(7);
    SendMessageA(p().panel.zoomKnob, WM_COMMAND, kRequestSetValue, FloatToBits(4.0f));
    {
        Script driver("Load History", Answer(base + ".his"));
        Load();
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(Count(), 100);
    EXPECT_EQ(p().engine->frame.history.viewPos, 100);
    EXPECT_EQ(p().engine->samplePosition, 100 * 4410);
    EXPECT_EQ(SendCommand(p().panel.zoomKnob, kRequestGetValue, 0), 1.0f);
    EXPECT_EQ(Setting(kHistoryLoadKey, "Name"), "session.his");
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

    struct Case {
        bool recording;
        std::string path;
        const char* title;
        const char* text;
        int32_t countAfter;
    };
    const Case kCases[] = {
        {true, rate48, "Warning !",
         "Cannot Load level history during record. Switch the history record OFF !", 20},
        {false, rate48, "Warning",
         "This Level History has been recorded with a different samplerate (48000Hz)\nThe Time "
         "Line will be wrong !",
         1},
    };
    for (const Case& c : kCases) {
        MeterResetHistory(p().engine);
        Record(20);
        MeterSetRecording(p().engine, c.recording ? 1 : 0);
        const std::vector<HistoryRecord> before(p().engine->frame.history.history,
                                                p().engine->frame.history.history + 20);
        FakeShell shell;
        shell.paths = {c.path};
        Load();
        ASSERT_EQ(shell.boxes.size(), 1u) << c.path;
        EXPECT_EQ(shell.boxes[0].title, c.title);
        EXPECT_EQ(shell.boxes[0].text, c.text);
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
    EXPECT_EQ(shell.boxes[0].text, "Failed to Save history, may be the history is empty,\nor "
                                   "check your disk space and try again...");
    EXPECT_EQ(testsupport::ReadAll(rate48), kept);
}

} // namespace
