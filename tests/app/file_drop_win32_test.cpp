#include "app/file_drop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/file_commands.h"
#include "history/history_file.h"
#include "meter/meter_engine.h"
#include "sys/wide_path.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/wave_bytes.h"
#include "tools/demo_wave.h"
#include "view/meter_window_internal.h"
#include "view/status_panel.h"
#include "tests/support/history_slots.h"

namespace {

using apptest::Box;
using apptest::FakeShell;

// The shell's DROPFILES (<shlobj.h>, whose names clash with the program's).
struct DropFilesHeader {
    DWORD pFiles; // offset of the names
    POINT pt;     // the drop point, client coordinates
    BOOL fNC;     // dropped on the non-client area
    BOOL fWide;   // the names are UTF-16
};
static_assert(sizeof(DropFilesHeader) == 20, "DROPFILES");

// A drop as the shell hands it over: a moveable global block holding
// DROPFILES and the wide names of the UTF-8 paths, each NUL-terminated,
// with one more NUL.
HDROP ShellDrop(const std::vector<std::string>& paths) {
    std::vector<wchar_t> names;
    for (const std::string& path : paths) {
        const std::wstring wide = WideFromUtf8(path.c_str());
        names.insert(names.end(), wide.c_str(), wide.c_str() + wide.size() + 1);
    }
    names.push_back(L'\0');
    const size_t bytes = sizeof(DropFilesHeader) + names.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* files = static_cast<DropFilesHeader*>(GlobalLock(block));
    files->pFiles = sizeof(DropFilesHeader);
    files->pt = {20, 20};
    files->fWide = TRUE;
    std::memcpy(files + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

class FileDropTest : public apptest::MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped()) return;
        MakeFiles();
    }

    std::string File(const char* name) const { return dir_.file(name); }

    // Named against their content where the name could mislead.
    void MakeFiles() {
        ASSERT_TRUE(demo::WriteDemoWave(File("demo.wav"), 1.0));
        ASSERT_TRUE(demo::WriteDemoWave(File("song.his"), 1.0));
        ASSERT_TRUE(demo::WriteDemoWave(File("second.wav"), 1.0));
        const std::vector<int16_t> mono(4410);
        ASSERT_TRUE(testsupport::WriteAll(File("mono.wav"), testsupport::WaveBytes(1, mono)));
        ASSERT_TRUE(testsupport::WriteAll(File("header.wav"),
                                          {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}));
        ASSERT_TRUE(testsupport::WriteAll(File("notes.wav"), {'h', 'e', 'l', 'l', 'o'}));
        ASSERT_TRUE(CreateDirectoryA(File("folder.wav").c_str(), nullptr));
        HistoryStore store = {};
        ASSERT_EQ(HistoryStoreInit(&store), 1);
        testsupport::AppendSlots(&store, 100);
        ASSERT_EQ(WriteHistory(&store, File("levels.dat").c_str(), 44100.0, 0), 0);
        HistoryStoreFree(&store);
        // A header that counts more cues than the file holds.
        std::vector<uint8_t> lying = testsupport::ReadAll(File("levels.dat"));
        lying[24] = 0xE8;
        lying[25] = 0x03;
        ASSERT_TRUE(testsupport::WriteAll(File("lying.his"), lying));
        // Names outside the code page (and one beside it).
        const std::vector<uint8_t> wave = testsupport::ReadAll(File("demo.wav"));
        const std::vector<uint8_t> levels = testsupport::ReadAll(File("levels.dat"));
        for (const char* name : {u8"Σήμα.wav", u8"café Σ 音.wav"})
            ASSERT_TRUE(testsupport::WriteAll(File(name), wave));
        for (const char* name : {u8"音声.his", u8"café Σ 音.his"})
            ASSERT_TRUE(testsupport::WriteAll(File(name), levels));
    }

    // The start of every case: demo.wav accepted, 20 slots, not recording.
    void Restore() {
        SelectWaveFile(&p(), File("demo.wav").c_str());
        MeterEngine* e = p().engine;
        MeterSetRecording(e, 0);
        MeterResetHistory(e);
        testsupport::AppendSlots(e, 20, [](int32_t, HistoryRecord& r) { r.peakL = 0.5f; });
    }

    // What the status panel's last line says.
    std::string EventsLine() {
        char lines[4][64];
        FormatStatusLines(MeterGetHistoryStatus(p().engine), lines);
        return lines[3];
    }

    std::vector<HistoryRecord> Slots() {
        const HistoryStore& h = p().engine->frame.history;
        return std::vector<HistoryRecord>(h.history, h.history + h.recordCount);
    }
};

bool SameSlots(const std::vector<HistoryRecord>& a, const std::vector<HistoryRecord>& b) {
    return a.size() == b.size() && !std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]);
}

// Each case from the same start (demo.wav accepted, 20 slots): where the
// files were dropped and which, and what the user then sees: the message
// box, the WAVE file open afterwards, the status panel's event count, and
// (when it stays 20) the same history as before.
TEST_F(FileDropTest, TakesTheFirstOfEachKindByContentWithTheCommandsMessages) {
    const Box kNone = {};
    const Box kSorry = {kSorryFormatTitle, kSorryFormatText};
    const Box kDiskError = {kDiskErrorTitle, kLoadFailedText};
    const Box kRecording = {kRecordingWarningTitle, kRecordingWarningText};
    enum Where { kMain, kMainRecording, kMeter };
    const struct {
        Where where;
        std::vector<const char*> dropped;
        Box box;
        const char* waveOpen;
        int events;
    } kCases[] = {
        {kMain, {"song.his"}, kNone, "song.his", 20}, // a WAVE file
        {kMain, {"mono.wav"}, kSorry, "demo.wav", 20},
        {kMain, {"header.wav"}, kSorry, "demo.wav", 20},
        {kMain, {"levels.dat"}, kNone, "demo.wav", 100}, // a history
        {kMainRecording, {"levels.dat"}, kRecording, "demo.wav", 20},
        {kMain, {"lying.his"}, kDiskError, "demo.wav", 20},
        {kMain, {"folder.wav", "notes.wav"}, kNone, "demo.wav", 20},
        {kMain,
         {"folder.wav", "notes.wav", "second.wav", "song.his", "levels.dat", "lying.his"},
         kNone,
         "second.wav",
         100},
        {kMeter, {"second.wav", "lying.his"}, kDiskError, "second.wav", 20},
        {kMain, {u8"Σήμα.wav"}, kNone, u8"Σήμα.wav", 20},
        {kMeter, {u8"音声.his"}, kNone, "demo.wav", 100},
        {kMain, {u8"café Σ 音.his", u8"café Σ 音.wav"}, kNone, u8"café Σ 音.wav", 100},
    };
    ASSERT_EQ(OpenMeterWindow(&p().panel), 1);
    HWND meter = static_cast<HWND>(MeterGetWindow(p().engine));
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - kCases));
        Restore();
        MeterSetRecording(p().engine, c.where == kMainRecording ? 1 : 0);
        const std::vector<HistoryRecord> before = Slots();
        std::vector<std::string> paths;
        for (const char* name : c.dropped)
            paths.push_back(File(name));
        FakeShell shell;
        PostMessageA(c.where == kMeter ? meter : window(), WM_DROPFILES,
                     reinterpret_cast<WPARAM>(ShellDrop(paths)), 0);
        apptest::Pump(50);
        ASSERT_EQ(shell.boxes.size(), c.box.title.empty() ? 0u : 1u);
        if (!shell.boxes.empty()) {
            EXPECT_EQ(shell.boxes[0].title, c.box.title);
            EXPECT_EQ(shell.boxes[0].text, c.box.text);
        }
        EXPECT_TRUE(shell.dialogTitles.empty());
        EXPECT_EQ(p().file.path, File(c.waveOpen));
        EXPECT_EQ(p().rememberedWave, File(c.waveOpen));
        EXPECT_EQ(EventsLine(), "event " + std::to_string(c.events) + " / 432000");
        if (c.events == 20) {
            EXPECT_TRUE(SameSlots(Slots(), before));
        }
    }
    MeterSetRecording(p().engine, 0);
}

// A drop on the meter window while the box of the drop before is open (the
// box disables only its owner) is ignored: the history stays.
TEST_F(FileDropTest, ADropWhileTheLastOneShowsItsBoxIsIgnored) {
    ASSERT_EQ(OpenMeterWindow(&p().panel), 1);
    HWND meter = static_cast<HWND>(MeterGetWindow(p().engine));
    Restore();
    FakeShell shell;
    shell.duringBox = [&] {
        PostMessageA(meter, WM_DROPFILES, reinterpret_cast<WPARAM>(ShellDrop({File("levels.dat")})),
                     0);
        apptest::Pump(50);
    };
    PostMessageA(window(), WM_DROPFILES, reinterpret_cast<WPARAM>(ShellDrop({File("mono.wav")})),
                 0);
    apptest::Pump(50);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].title, kSorryFormatTitle);
    EXPECT_EQ(EventsLine(), "event 20 / 432000");
}

// Both windows take drops, also after "Always Visible" has been switched
// off and on (it rewrites the extended style).
TEST_F(FileDropTest, BothWindowsAcceptFilesAfterAlwaysVisibleToggles) {
    ASSERT_EQ(OpenMeterWindow(&p().panel), 1);
    HWND meter = static_cast<HWND>(MeterGetWindow(p().engine));
    for (int toggles = 0; toggles < 3; ++toggles) {
        EXPECT_TRUE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        EXPECT_TRUE(GetWindowLongA(meter, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << toggles;
        SendMessageA(meter, WM_COMMAND, kCmdAlwaysVisible, 0);
    }
}

} // namespace
