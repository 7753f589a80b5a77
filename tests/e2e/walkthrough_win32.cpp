// The whole program as a user meets it. tenvelo.exe runs as a process of its
// own and is driven only through real keyboard and mouse input and the
// dialogs' own fields: pick the demo file, record, open the meter window,
// play, set and name cues, zoom and scroll, jump through the cue list,
// change a colour, save, reset, load, meet bad input, load a scan's
// automatic cues and read them in the Cue List, quit. Then the files,
// the registry and the sound the program left behind are checked.
//
// Run by tests/e2e/walkthrough.sh inside the test environment (a Wine
// virtual desktop, the paced capture device), which prepares the folder
// named by TENVELO_E2E_DIR: demo.wav, scan.his (tenvelo-scan of the same
// file), auto.his (the same with --auto-cues) and the bad inputs.
// Screenshots of every step land there too.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "history/cue_store.h"
#include "sys/settings_store.h"
#include "tests/e2e/capture_match.h"
#include "tests/e2e/program_fixture.h"
#include "tests/e2e/saved_history.h"
#include "tests/e2e/user_input.h"
#include "view/meter_window_layout.h"

namespace {

using namespace e2e;

// Positions of the meter window's popup menu items, counted from the top with
// the separators left out (the arrow keys skip them).
constexpr int kMenuDefaultOptions = 6;
constexpr int kMenuEditCueList = 9;

constexpr int kPlaySeconds = 20;
constexpr int kWatchdogSeconds = 240;
constexpr COLORREF kChosenColour = RGB(40, 200, 255);

// Position and levels bit for bit: the same engine measured the same
// buffers. Only the program's last slot ends a recording run.
void ExpectScanSlots(const History& saved, const History& scanned) {
    ASSERT_LE(saved.count(), scanned.count());
    std::string report;
    EXPECT_EQ(DifferingSlots(saved, scanned, saved.count(), &report), 0) << report;
}

class Walkthrough : public ProgramTest {
  protected:
    void SetUp() override {
        logName_ = "walkthrough";
        dir_ = Env("TENVELO_E2E_DIR");
        if (dir_.empty()) GTEST_SKIP() << "run by tests/e2e/walkthrough.sh";
        // A release unpacked elsewhere (TENVELO_PROGRAM) runs its own test only.
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (Env("TENVELO_PROGRAM").empty() == (name == "FromACleanFolder"))
            GTEST_SKIP() << "not this run's test";
        Launch(kWatchdogSeconds);
    }

    MeterLayout Layout() const {
        RECT c;
        GetClientRect(meter_, &c);
        return MeterWindowLayout(c.left, c.top, c.right, c.bottom, 2); // as the program does
    }

    void SelectDemoFile();
    void OpenMeterWindow();
    void Play();
    void AddCues();
    void ZoomAndScroll();
    void JumpThroughCueList();
    void AutoCueList();
    void ChangeColour();
    void SaveResetLoad();
    void BadInput();

    void CheckHistory();
    void CheckCapture();
    void CheckRegistry();

    int cueColumns_[2] = {};
    size_t playedBytes_ = 0; // the file's bytes that reached the device
};

void Walkthrough::SelectDemoFile() {
    Step("F5: select the demo file");
    Shot("started");
    ActivateMain();
    PressKey(VK_F5);
    AnswerFileDialog("Load a wave file", In("demo.wav"));
}

void Walkthrough::OpenMeterWindow() {
    Step("record on, open the meter window, move it and keep the place");
    ActivateMain();
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y);
    // Widened so that the history has room (not for the CPU figure of the
    // window's first size).
    OpenMeterWindowBeside(Env("TENVELO_CPU_CASE") != "narrow" ? 560 : 0);
    if (HasFatalFailure()) return;
    Shot("meter-window-open");
}

void Walkthrough::Play() {
    Step("latency 50 ms, F1: play, F2: stop");
    ActivateMain();
    OpenMenu('L'); // "Latency"
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    PressKey(VK_F1);
    Sleep(kPlaySeconds * 1000 / 2);
    Shot("playing");
    Sleep(kPlaySeconds * 1000 / 2);
    PressKey(VK_F2);
    Sleep(500);
    Shot("stopped");
}

void Walkthrough::AddCues() {
    Step("Ctrl+click: two cues, named");
    const MeterLayout layout = Layout();
    ASSERT_GT(layout.historyWidth, 200);
    const char* names[2] = {"Tone steps", "Inverted phase"};
    const int xs[2] = {layout.historyWidth - 321, layout.historyWidth - 121};
    ActivateMeter();
    for (int i = 0; i < 2; ++i) {
        ClickClient(meter_, xs[i], layout.graphHeight / 2, false, true);
        HWND entry = nullptr;
        ASSERT_TRUE(WaitFor(
            [&] {
                entry = GetForegroundWindow();
                char cls[16] = {};
                GetClassNameA(entry, cls, sizeof cls);
                return !std::strcmp(cls, kDialogClass);
            },
            5000))
            << "no name entry\n"
            << DescribeWindows(process_.dwProcessId);
        RetypeFocusedField(names[i]);
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitGone(entry, 5000));
        AwaitActive(meter_);
        cueColumns_[i] = (layout.historyWidth - xs[i] - 1) >> 1;
    }
    Shot("cues");
}

void Walkthrough::ZoomAndScroll() {
    Step("zoom out and in, scroll");
    ActivateMeter();
    PressKey(VK_SUBTRACT);
    PressKey(VK_SUBTRACT);
    Shot("zoom-3");
    PressKey(VK_ADD);
    PressKey(VK_HOME);
    Shot("scrolled-oldest");
    PressKey(VK_END);
}

void Walkthrough::JumpThroughCueList() {
    Step("cue list: jump to each cue");
    MeterMenu(kMenuEditCueList);
    HWND list = Dialog("Cue List");
    ASSERT_NE(list, nullptr) << "no cue list";
    ClickClient(list, 40, 10); // the first entry
    PressKey(VK_DOWN);         // the second, by keyboard
    Shot("cue-list");
    CloseWith(list, "Quit", meter_);
}

void Walkthrough::ChangeColour() {
    Step("display options: a new clip colour");
    MeterMenu(kMenuDefaultOptions);
    HWND options = Dialog("Measure Display Options");
    ASSERT_NE(options, nullptr) << "no display options";
    ASSERT_TRUE(ClickChildNamed(options, "Change")); // for the selected "Max Clip/Max Level"
    HWND chooser = Dialog("Color");
    ASSERT_NE(chooser, nullptr) << "no colour chooser";
    const int fields[3] = {706, 707, 708}; // red, green, blue
    const int values[3] = {GetRValue(kChosenColour), GetGValue(kChosenColour),
                           GetBValue(kChosenColour)};
    for (int i = 0; i < 3; ++i) {
        ClickCentre(FindChildById(chooser, fields[i]));
        RetypeFocusedField(std::to_string(values[i]));
    }
    Shot("colour-chooser");
    CloseWith(chooser, "OK", options);
    Shot("display-options");
    CloseWith(options, "OK", meter_);
}

void Walkthrough::SaveResetLoad() {
    Step("save, reset, load");
    ActivateMain();
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y); // recording off, or loading is refused
    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("walk.his"));
    ClickClient(main_, kResetButton.x, kResetButton.y);
    AnswerMessageBox("Reset Record");
    Shot("reset");
    ClickClient(main_, kLoadButton.x, kLoadButton.y);
    AnswerFileDialog("Load History", In("walk.his"));
    Shot("loaded");
}

void Walkthrough::BadInput() {
    Step("bad input: truncated WAVE, a lying .his, a read-only target");
    ActivateMain();
    PressKey(VK_F5);
    AnswerFileDialog("Load a wave file", In("truncated.wav"));
    EXPECT_NE(AnswerMessageBox("Sorry...").find("not available"), std::string::npos);

    ClickClient(main_, kLoadButton.x, kLoadButton.y);
    AnswerFileDialog("Load History", In("lying.his"));
    EXPECT_NE(AnswerMessageBox("Disk Error").find("Failed to Load"), std::string::npos);

    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("readonly.his"));
    EXPECT_NE(AnswerMessageBox("Disk Error").find("Failed to Save"), std::string::npos);

    // What is on screen is still the loaded history: saved again, it is the
    // same file byte for byte.
    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("again.his"));
    Shot("after-bad-input");
}

// A scan's automatic cues are ordinary cues: loaded, the Cue List shows
// them by name, in time order.
void Walkthrough::AutoCueList() {
    Step("a scan with automatic cues: its Cue List");
    ActivateMain();
    ClickClient(main_, kLoadButton.x, kLoadButton.y);
    AnswerFileDialog("Load History", In("auto.his"));
    MeterMenu(kMenuEditCueList);
    HWND dialog = Dialog("Cue List");
    ASSERT_NE(dialog, nullptr) << "no cue list";
    HWND list = FindWindowExA(dialog, nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr) << "no list box";
    std::vector<std::string> entries;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    // Wine hands another process the list's texts as UTF-16 only (the names
    // are ASCII).
    for (LRESULT k = 0; k < count && SendMessageW(list, LB_GETTEXTLEN, k, 0) < 255; ++k) {
        wchar_t text[256] = {};
        SendMessageW(list, LB_GETTEXT, WPARAM(k), reinterpret_cast<LPARAM>(text));
        entries.push_back(std::string(text, text + wcslen(text)));
    }
    Shot("auto-cue-list");
    CloseWith(dialog, "Quit", meter_);
    const char* const names[] = {" - phase -1.00 for 4.0 s", " - silence 2.0 s"};
    ASSERT_EQ(entries.size(), 2u);
    for (int k = 0; k < 2; ++k)
        EXPECT_NE(entries[k].find(names[k]), std::string::npos) << entries[k];
}

// The saved history against tenvelo-scan's for the same file: the same
// slots, position for position and level for level; the cues with their
// names on the columns clicked.
void Walkthrough::CheckHistory() {
    History saved(In("walk.his")), scanned(In("scan.his"));
    ASSERT_EQ(saved.result, 0) << "walk.his unreadable";
    ASSERT_EQ(scanned.result, 0) << "scan.his unreadable";
    // One slot per 100 ms of what the device played, and the buffers that
    // were measured but still queued at F2 (two of 50 ms, at most).
    const int playedSlots = static_cast<int>(playedBytes_ / 4 / 4410);
    std::printf("walkthrough: %i slots saved, %zu frames played\n", saved.count(),
                playedBytes_ / 4);
    EXPECT_GE(saved.count(), playedSlots - 1);
    EXPECT_LE(saved.count(), playedSlots + 2);
    ExpectScanSlots(saved, scanned);

    ASSERT_EQ(CueCount(&saved.store), 2);
    const char* names[2] = {"Tone steps", "Inverted phase"};
    for (int k = 1; k <= 2; ++k) {
        EXPECT_STREQ(CueAt(&saved.store, k)->name, names[k - 1]);
        // The column clicked, counted back from the newest slot.
        const int32_t index = saved.count() - cueColumns_[k - 1];
        EXPECT_EQ(CueAt(&saved.store, k)->samplePosition, saved.at(index - 1).samplePosition)
            << "cue " << k;
    }
    EXPECT_EQ(ReadFileBytes(In("again.his")), ReadFileBytes(In("walk.his")));
    EXPECT_EQ(ReadFileBytes(In("readonly.his")), "read-only\n");
}

// Every frame of the file that the program played reached the sound device,
// unchanged and in order. The device plays silence of its own before the
// stream begins and, when a loaded machine delays its timer, whole periods
// of it between two buffers: that is reported, not failed, since no frame
// of the file is lost or altered by it.
void Walkthrough::CheckCapture() {
    const std::string capture = ReadFileBytes(Env("TENVELO_CAPTURE_FILE"));
    const std::string wave = ReadFileBytes(In("demo.wav"));
    ASSERT_GT(wave.size(), 44u);
    const std::string data = wave.substr(44);
    size_t next = 0;
    CaptureMatch match(data.size() / 4, [&] {
        uint32_t frame;
        std::memcpy(&frame, data.data() + 4 * next++, 4);
        return frame;
    });
    match.Add(reinterpret_cast<const uint8_t*>(capture.data()), capture.size());
    playedBytes_ = size_t(match.matched) * 4;
    std::printf("walkthrough: %llu frames of the file reached the device; its own silence: "
                "%llu frames in %llu runs, the longest %llu\n",
                (unsigned long long)match.matched, (unsigned long long)match.silentFrames,
                (unsigned long long)match.silentRuns, (unsigned long long)match.longestRun);
    EXPECT_FALSE(match.differs) << "after " << match.matched
                                << " frames of the file the device took " << std::hex << match.heard
                                << " for " << match.expected;
    // The device keeps real time; how much of the 20 s it played depends on
    // how soon it started on a busy machine.
    EXPECT_GE(playedBytes_, static_cast<size_t>(kPlaySeconds / 2 * 44100 * 4)) << "bytes played";
}

// What the program left in the registry for its next start.
void Walkthrough::CheckRegistry() {
    float latency = 0;
    ASSERT_EQ(ReadSettingBinary(kLatencyKey, kLatencyTimeValue, &latency, 4), 1);
    EXPECT_FLOAT_EQ(latency, 0.05f);
    uint32_t colour = 0;
    ASSERT_EQ(ReadSettingBinary(kMeterKey, kMaxColorValue, &colour, 4), 1);
    EXPECT_EQ(colour, kChosenColour);
    int32_t frames = 0;
    EXPECT_EQ(ReadSettingBinary(kMeterKey, kFramesPerSValue, &frames, 4), 1);
    EXPECT_EQ(frames, 10);
    const char* corners[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
    const LONG expected[4] = {meterRect_.left, meterRect_.top, meterRect_.right, meterRect_.bottom};
    for (int i = 0; i < 4; ++i) {
        int32_t v = 0;
        EXPECT_EQ(ReadSettingBinary(kMeterWindowKey, corners[i], &v, 4), 1) << corners[i];
        EXPECT_EQ(v, expected[i]) << corners[i];
    }
    for (const char* key : {kHistoryLoadKey, kHistorySaveKey}) {
        char folder[kSettingTextSize] = {};
        EXPECT_EQ(ReadSettingText(key, kDirValue, folder), 1) << key;
        EXPECT_STREQ(folder, dir_.c_str()) << key;
    }
    int32_t rotLatency = -1;
    EXPECT_EQ(ReadSettingBinary(kToolkitKey, kRotLatencyValue, &rotLatency, 4), 1);
}

// Not a test: the program running for TENVELO_CPU_SECONDS, for
// bench/program_cpu.sh, which reads the processes' CPU times from /proc
// meanwhile. TENVELO_CPU_CASE: "playing" (the default: playing with the
// meter window open and widened), "idle" (the meter window open, not
// playing), "narrow" (playing, the meter window at its first size),
// "no-meter" (playing without the meter window) or "measuring" (measuring
// the input, F6, with the meter window open and widened). A file "playing"
// in the folder marks the start.
TEST_F(Walkthrough, RunsForTheCpuFigure) {
    const int seconds = std::atoi(Env("TENVELO_CPU_SECONDS").c_str());
    if (seconds <= 0) GTEST_SKIP() << "run by bench/program_cpu.sh";
    const std::string what = Env("TENVELO_CPU_CASE");
    SelectDemoFile();
    if (what != "no-meter") OpenMeterWindow();
    ActivateMain();
    if (what == "measuring")
        PressKey(VK_F6);
    else if (what != "idle")
        PressKey(VK_F1);
    std::ofstream(In("playing")) << what << "\n";
    Sleep(seconds * 1000);
    Shot("cpu-run");
    PressKey(what == "measuring" ? VK_F7 : VK_F2);
    Quit();
}

TEST_F(Walkthrough, AsAUserMeetsIt) {
    if (!Env("TENVELO_CPU_SECONDS").empty()) GTEST_SKIP() << "a CPU run";
    const std::function<void()> steps[] = {[&] { SelectDemoFile(); },
                                           [&] { OpenMeterWindow(); },
                                           [&] { Play(); },
                                           [&] { AddCues(); },
                                           [&] { ZoomAndScroll(); },
                                           [&] { JumpThroughCueList(); },
                                           [&] { ChangeColour(); },
                                           [&] { SaveResetLoad(); },
                                           [&] { BadInput(); },
                                           [&] { AutoCueList(); },
                                           [&] { Quit(); }};
    for (const auto& step : steps) {
        step();
        if (HasFatalFailure()) return;
    }
    Step("checks");
    CheckCapture();
    CheckHistory();
    CheckRegistry();
}

// The release as a user meets it, unpacked into an empty folder of a fresh
// prefix (tests/e2e/clean_folder.sh): the window and its menu, the version
// in the About box, a few seconds of the demo file recorded and saved, a
// clean quit. The saved slots are tenvelo-scan's.
TEST_F(Walkthrough, FromACleanFolder) {
    Step("the window, the Command menu's About");
    RECT client;
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right, 250);
    EXPECT_NE(GetMenu(main_), nullptr);
    ActivateMain();
    OpenMenu('C');
    PressKey('A');
    const std::string version = "Version " + Env("TENVELO_VERSION");
    EXPECT_NE(AnswerMessageBox("About...").find(version), std::string::npos) << version;
    SelectDemoFile();
    if (HasFatalFailure()) return;
    Step("record, play a few seconds, save");
    ActivateMain();
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y);
    PressKey(VK_F1);
    Sleep(4000);
    Shot("playing");
    PressKey(VK_F2);
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y); // off: the run's last slot is marked
    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("clean.his"));
    Quit();
    History saved(In("clean.his")), scanned(In("scan.his"));
    ASSERT_EQ(saved.result, 0) << "clean.his unreadable";
    ASSERT_EQ(scanned.result, 0) << "scan.his unreadable";
    EXPECT_GE(saved.count(), 20);
    ExpectScanSlots(saved, scanned);
}

} // namespace
