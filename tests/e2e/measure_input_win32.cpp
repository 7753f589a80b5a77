// The program measuring the sound card's input, as a user would run it:
// choose the null sink's monitor in the Input menu, record, open the meter
// window and the Loudness window, F6, let tests/e2e/measure_input.sh play
// the stepped tones into the sink, F7, save the history. Then play the same
// file to its end and read the Loudness window. Checked: the saved history
// shows the steps in order at their levels and the anti-phase passage; no
// buffer was lost by the program's own count; the loudness is the scan's.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/input_device.h"
#include "tests/e2e/program_fixture.h"
#include "tests/e2e/saved_history.h"
#include "tests/e2e/user_input.h"
#include "tests/support/modal_script_win32.h"
#include "view/loudness_window.h"

namespace {

using namespace e2e;

constexpr int kWatchdogSeconds = 180;

std::string FieldText(HWND window, int id) {
    return modaltest::Text(FindChildById(window, id));
}

// "integrated -23.0 LUFS, range 7.2 LU, ... true peak -1.0 / -1.0 dBTP" of the scan.
struct ScanLoudness {
    std::string integrated, range, peakL, peakR;
};

ScanLoudness ReadScan(const std::string& path) {
    std::ifstream in(path);
    std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ScanLoudness s;
    auto after = [&](const std::string& key, const std::string& unit) {
        const size_t at = line.find(key);
        if (at == std::string::npos) return std::string("(none)");
        const size_t from = at + key.size();
        return line.substr(from, line.find(' ', from) - from) + " " + unit;
    };
    s.integrated = after("integrated ", "LUFS");
    s.range = after("range ", "LU");
    s.peakL = after("true peak ", "dBTP");
    line = line.substr(line.find("true peak "));
    s.peakR = after(" / ", "dBTP");
    return s;
}

class MeasureInput : public ProgramTest {
  protected:
    void SetUp() override {
        logName_ = "measure-input";
        dir_ = Env("TENVELO_E2E_DIR");
        if (dir_.empty()) GTEST_SKIP() << "run by tests/e2e/measure_input.sh";
        Launch(kWatchdogSeconds);
    }
    HWND loudness_ = nullptr;
};

TEST_F(MeasureInput, TheMonitorOfTheSinkOnTheMetersInTheHistoryAndInLoudness) {
    Step("the Input menu: the monitor");
    std::string names;
    const int item = MonitorItem(&names);
    ASSERT_GT(item, 0) << "no monitor among the input devices: " << names;
    std::printf("input devices: %s monitor at %d\n", names.c_str(), item);
    ActivateMain();
    OpenMenu('I');
    for (int i = 0; i < item; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);

    Step("record on, the meter window, the Loudness window");
    ActivateMain();
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y);
    OpenMeterWindowBeside(560);
    ASSERT_FALSE(HasFatalFailure());
    ClickClient(meter_, 60, 60, true);
    AwaitMenu();
    PressKey(VK_UP); // the last item, "Loudness..."
    PressKey(VK_RETURN);
    loudness_ = WaitForTopWindow(process_.dwProcessId, kLoudnessClass, "Loudness", 10000);
    ASSERT_NE(loudness_, nullptr) << DescribeWindows(process_.dwProcessId);

    Step("F6: measure while the steps play into the sink");
    ActivateMain();
    PressKey(VK_F6);
    Sleep(500);
    std::ofstream(In("measuring")) << "1\n";
    Sleep(4000);
    Shot("measuring");
    ASSERT_TRUE(
        WaitFor([&] { return GetFileAttributesA(In("played").c_str()) != INVALID_FILE_ATTRIBUTES; },
                60000));
    Sleep(1000);
    Shot("measured");
    const std::string counts = FieldText(loudness_, kLoudnessStatusId);
    ActivateMain();
    PressKey(VK_F7);
    Sleep(300);
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y); // off: the run's last slot is marked
    std::printf("input counts: %s\n", counts.c_str());
    EXPECT_EQ(counts.substr(counts.find(',')), ", 0 lost") << counts;

    Step("save the history");
    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("measured.his"));

    Step("F5, F1: the same file played to its end");
    ActivateMain();
    PressKey(VK_F5);
    AnswerFileDialog("Load a wave file", In("steps.wav"));
    ActivateMain();
    PressKey(VK_F1);
    // The window counts only the file's frames: at its end the time stops
    // at 10 s, whatever the device's pace.
    EXPECT_TRUE(
        WaitFor([&] { return FieldText(loudness_, kLoudnessFirstValueId + kRowTime) == "0:00:10"; },
                40000));
    Sleep(1000);
    Shot("played-to-the-end");
    ScanLoudness shown;
    shown.integrated = FieldText(loudness_, kLoudnessFirstValueId + kRowIntegrated);
    shown.range = FieldText(loudness_, kLoudnessFirstValueId + kRowRange);
    shown.peakL = FieldText(loudness_, kLoudnessFirstValueId + kRowTruePeakLeft);
    shown.peakR = FieldText(loudness_, kLoudnessFirstValueId + kRowTruePeakRight);
    ActivateMain();
    PressKey(VK_F2);
    Quit();

    Step("checks");
    const ScanLoudness scan = ReadScan(In("scan.txt"));
    std::printf("loudness shown: %s, %s, %s / %s; scan: %s, %s, %s / %s\n",
                shown.integrated.c_str(), shown.range.c_str(), shown.peakL.c_str(),
                shown.peakR.c_str(), scan.integrated.c_str(), scan.range.c_str(),
                scan.peakL.c_str(), scan.peakR.c_str());
    EXPECT_EQ(shown.integrated, scan.integrated);
    EXPECT_EQ(shown.range, scan.range);
    EXPECT_EQ(shown.peakL, scan.peakL);
    EXPECT_EQ(shown.peakR, scan.peakR);

    History saved(In("measured.his"));
    ASSERT_EQ(saved.result, 0) << "measured.his unreadable";
    // Runs of slots whose peak lies within 0.2 dB of a step's level (a slot
    // straddling two steps belongs to neither), in the order they came.
    const double kSteps[] = {-6.0, -20.0, -40.0, -6.0};
    int step = 0, run = 0;
    float lowestInAntiPhase = 1.0f;
    for (int32_t i = 0; i < saved.count() && step < 4; ++i) {
        const HistoryRecord& r = saved.at(i);
        const double db = 20.0 * std::log10(std::max(r.peakL, 1e-10f));
        const double dbR = 20.0 * std::log10(std::max(r.peakR, 1e-10f));
        if (std::fabs(db - kSteps[step]) <= 0.2 && std::fabs(dbR - kSteps[step]) <= 0.2) {
            ++run;
            if (step == 3) lowestInAntiPhase = std::min(lowestInAntiPhase, r.correlation);
        } else if (run >= 10 && step < 3 && std::fabs(db - kSteps[step + 1]) <= 0.2) {
            std::printf("step %d (%.0f dBFS): %d slots\n", step, kSteps[step], run);
            ++step;
            run = 1;
        }
    }
    std::printf("step %d (%.0f dBFS): %d slots; lowest correlation there %.3f\n", step,
                kSteps[std::min(step, 3)], run, lowestInAntiPhase);
    EXPECT_EQ(step, 3) << "the steps did not come in order";
    EXPECT_GE(run, 10);
    EXPECT_LT(lowestInAntiPhase, -0.9f);
}

} // namespace
