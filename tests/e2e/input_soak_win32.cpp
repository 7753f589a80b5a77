// A long run of the program measuring its input, paced by the sound server:
// the null sink's monitor chosen in the Input menu, recording on, the meter
// window (widened, so that its history graph scrolls) and the Loudness
// window open, F6; scripts/soak --input loops a generated programme into the
// sink meanwhile. Every 2 s a message to each of the three windows must be
// answered within a second; every minute a line gives the program's own
// buffer counts (the Loudness window's status line) and the slowest answer.
// At the end F7, and the counts: no buffer lost, and as many measured as the
// time measured holds.
//
// TENVELO_SOAK_DIR is the folder (the file "measuring" is written when F6
// was pressed, "stopped" after F7); TENVELO_SOAK_MINUTES the minutes measured;
// TENVELO_SOAK_WIDEN the pixels the meter window is widened by. Lines
// "input-soak: ..." carry the figures.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/e2e/input_device.h"
#include "tests/e2e/program_fixture.h"
#include "tests/e2e/user_input.h"
#include "view/loudness_window.h"

namespace {

using namespace e2e;

constexpr int kProbeEveryMs = 2000;
constexpr UINT kProbeTimeoutMs = 1000;

double MsSince(DWORD start) {
    return double(GetTickCount() - start);
}

// "Input: 1234 buffers, 0 lost" of the Loudness window.
struct Counts {
    unsigned long long buffers = 0;
    unsigned lost = 0;
    bool read = false;
};

Counts ReadCounts(HWND loudness) {
    char text[96] = {};
    GetWindowTextA(FindChildById(loudness, kLoudnessStatusId), text, sizeof text);
    Counts c;
    c.read = std::sscanf(text, "Input: %llu buffers, %u lost", &c.buffers, &c.lost) == 2;
    return c;
}

class InputSoak : public ProgramTest {
  protected:
    void SetUp() override {
        logName_ = "input-soak";
        dir_ = Env("TENVELO_SOAK_DIR");
        if (dir_.empty()) GTEST_SKIP() << "run by scripts/soak --input";
        minutes_ = std::max(1, std::atoi(Env("TENVELO_SOAK_MINUTES").c_str()));
        widen_ = std::atoi(Env("TENVELO_SOAK_WIDEN").c_str());
        Launch(minutes_ * 60 + 300);
    }
    int minutes_ = 1;
    int widen_ = 560;
};

TEST_F(InputSoak, MeasuresTheMonitorForMinutes) {
    Step("the Input menu: the monitor; record on; the meter and Loudness windows");
    const int item = MonitorItem();
    ASSERT_GT(item, 0) << "no monitor among the input devices";
    ActivateMain();
    OpenMenu('I');
    for (int i = 0; i < item; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ActivateMain();
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y);
    OpenMeterWindowBeside(widen_);
    ASSERT_FALSE(HasFatalFailure());
    ClickClient(meter_, 60, 60, true);
    AwaitMenu();
    PressKey(VK_UP); // the last item, "Loudness..."
    PressKey(VK_RETURN);
    HWND loudness = WaitForTopWindow(process_.dwProcessId, kLoudnessClass, "Loudness", 10000);
    ASSERT_NE(loudness, nullptr) << DescribeWindows(process_.dwProcessId);

    Step("F6: measure");
    ActivateMain();
    PressKey(VK_F6);
    const DWORD began = GetTickCount();
    std::ofstream(In("measuring")) << "1\n";
    std::printf("input-soak: minute buffers lost slowest-answer-ms unanswered\n");
    const HWND windows[] = {main_, meter_, loudness};
    int unanswered = 0, sent = 0;
    double slowest = 0, slowestOfMinute = 0;
    int minute = 0;
    bool shot = false;
    while (MsSince(began) < minutes_ * 60000.0) {
        Sleep(kProbeEveryMs);
        for (HWND w : windows) {
            const DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            const bool answered =
                SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &result) != 0;
            const double ms = MsSince(start);
            slowest = std::max(slowest, ms);
            slowestOfMinute = std::max(slowestOfMinute, ms);
            ++sent;
            if (!answered) ++unanswered;
        }
        // Once the history graph has scrolled for a while.
        if (!shot && MsSince(began) > std::min(90000.0, minutes_ * 30000.0)) {
            Shot("input-soak-measuring");
            shot = true;
        }
        if (MsSince(began) >= (minute + 1) * 60000.0) {
            ++minute;
            const Counts c = ReadCounts(loudness);
            std::printf("input-soak: minute %d %llu %u %.0f %d\n", minute, c.buffers, c.lost,
                        slowestOfMinute, unanswered);
            std::fflush(stdout);
            slowestOfMinute = 0;
        }
    }
    const double measuredMs = MsSince(began);
    const Counts before = ReadCounts(loudness);
    ActivateMain();
    PressKey(VK_F7);
    Sleep(500);
    const Counts c = ReadCounts(loudness);
    std::ofstream(In("stopped")) << "1\n";
    Quit();

    // The buffers the time measured holds, at the latency chosen (the
    // program's default unless the prefix holds another).
    const double bufferMs = std::atof(Env("TENVELO_SOAK_LATENCY_MS").c_str());
    const double expected = bufferMs > 0 ? measuredMs / bufferMs : 0;
    std::printf("input-soak: measured %llu buffers, %u lost, over %.1f s (%.0f buffers of %.0f ms "
                "expected, %.2f %%); %d probes, %d unanswered within 1 s, slowest %.0f ms\n",
                c.buffers, c.lost, measuredMs / 1000, expected, bufferMs,
                expected > 0 ? 100.0 * double(c.buffers) / expected : 0.0, sent, unanswered,
                slowest);
    ASSERT_TRUE(c.read && before.read) << "no counts in the Loudness window";
    EXPECT_EQ(c.lost, 0u);
    EXPECT_EQ(unanswered, 0);
    // Start-up and the stop take a few buffers; beyond that every one came.
    EXPECT_GT(expected, 0.0) << "TENVELO_SOAK_LATENCY_MS unset";
    EXPECT_GE(double(c.buffers), expected * 0.99 - 20);
}

} // namespace
