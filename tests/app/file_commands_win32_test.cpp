#include "app/file_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "sys/wide_path.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/wave_bytes.h"
#include "tools/demo_wave.h"
#include "view/control_panel.h"
#include "tests/support/history_slots.h"

namespace {

namespace fs = std::filesystem;
using apptest::FakeShell;
using modaltest::Answer;
using modaltest::Script;

class FileCommandsTest : public apptest::MainWindowTest {
  protected:
    // Appends n slots to the engine's history as the display thread would.
    void Record(int n) {
        testsupport::AppendSlots(p().engine, n, [](int32_t slot, HistoryRecord& r) {
            r.peakL = r.peakR = 0.25f * float((slot - 1) % 4);
        });
    }
    int32_t Count() { return p().engine->frame.history.recordCount; }
    void Load() { Click(p().panel.loadButton); }
    void Save() { Click(p().panel.saveButton); }
};

// A mono file is refused with its box; the file chosen before stays open.
TEST_F(FileCommandsTest, RefusedWavFileKeepsTheOpenOne) {
    const std::string demo = dir_.file("demo.wav"), mono = dir_.file("mono.wav");
    ASSERT_TRUE(demo::WriteDemoWave(demo, 1.0));
    ASSERT_TRUE(
        testsupport::WriteAll(mono, testsupport::WaveBytes(1, std::vector<int16_t>(44100))));
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

// The names in a folder (UTF-8).
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder)))
        names.insert(entry.path().filename().u8string());
    return names;
}

std::string CurrentDirectory() {
    wchar_t directory[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, directory);
    return Utf8FromWide(directory);
}

// Names outside the code page, typed into the real dialogs: the WAVE file
// and the history open, a save lands under exactly the typed name with
// nothing left beside it, and the next save starts in the folder the last
// one remembered.
TEST_F(FileCommandsTest, NamesOutsideTheCodePageOpenAndSaveAsTyped) {
    for (const std::string name : {u8"Σήμα", u8"音声", u8"café Σ 音", u8"café"}) {
        SCOPED_TRACE(name);
        const std::string folder = dir_.file(name);
        ASSERT_TRUE(fs::create_directory(fs::u8path(folder)));
        const std::string base = folder + "\\" + name;
        const std::string wave = base + ".wav", history = base + ".his";
        ASSERT_TRUE(
            testsupport::WriteAll(wave, testsupport::WaveBytes(2, std::vector<int16_t>(8820))));
        std::string text;
        {
            Script file("Load a wave file", Answer(wave));
            Script sorry("Sorry...", Answer("", &text));
            SendMessageA(window(), WM_HOTKEY, 30, 0); // F5
            EXPECT_TRUE(file.ran());
            EXPECT_FALSE(sorry.ran());
        }
        EXPECT_STREQ(p().file.path, wave.c_str());

        MeterResetHistory(p().engine);
        Record(20);
        {
            Script save("Save History", Answer(base)); // typed without the extension
            Script failed("Disk Error", Answer("", &text));
            Save();
            EXPECT_TRUE(save.ran());
            EXPECT_FALSE(failed.ran()) << text;
        }
        // The open dialog would keep asking for a file that is not there.
        ASSERT_EQ(Entries(folder), (std::set<std::string>{name + ".wav", name + ".his"}));

        // Saved over: the dialog starts in the remembered folder. (Wine's
        // real dialog goes to the folder it last showed whatever the
        // current one, so a stand-in tells where it was started.)
        std::string startedIn;
        {
            FakeShell shell;
            shell.paths = {history};
            shell.duringDialog = [&] { startedIn = CurrentDirectory(); };
            Save();
            EXPECT_TRUE(shell.boxes.empty());
        }
        EXPECT_EQ(startedIn, folder);
        EXPECT_EQ(Entries(folder), (std::set<std::string>{name + ".wav", name + ".his"}));
        char stored[kSettingTextSize] = {};
        EXPECT_EQ(ReadSettingText(kHistorySaveKey, kNameValue, stored), 1);
        EXPECT_EQ(stored, name + ".his");

        MeterResetHistory(p().engine);
        Record(3);
        {
            Script load("Load History", Answer(history));
            Script failed("Disk Error", Answer("", &text));
            Load();
            EXPECT_TRUE(load.ran());
            EXPECT_FALSE(failed.ran());
        }
        EXPECT_EQ(Count(), 20);
    }
}

} // namespace
