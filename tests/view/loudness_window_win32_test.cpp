#include "view/loudness_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "sys/settings_store.h"
#include "tests/support/modal_script_win32.h"
#include "tests/sys/settings_test_root.h"
#include "view/meter_window.h"

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

TEST(LoudnessRows, AsTheScanPrintsThemWithDashesForNothing) {
    struct Case {
        LoudnessReading reading;
        const char* rows[kLoudnessRows];
    };
    const Case kCases[] = {
        {{-23.04, -22.96, -23.0, 7.25, -1.04, -0.96, 44100 * 3725},
         {"-23.0 LUFS", "-23.0 LUFS", "-23.0 LUFS", "7.2 LU", "-1.0 dBTP", "-1.0 dBTP", "1:02:05"}},
        {{kNone, kNone, kNone, kNone, kNone, kNone, 44099},
         {"-- LUFS", "-- LUFS", "-- LUFS", "-- LU", "-- dBTP", "-- dBTP", "0:00:00"}},
        {{0.04, -70.0, -100.55, 0.0, 3.1, kNone, 44100 * 59},
         {"0.0 LUFS", "-70.0 LUFS", "-100.5 LUFS", "0.0 LU", "3.1 dBTP", "-- dBTP", "0:00:59"}},
    };
    for (const Case& c : kCases) {
        char rows[kLoudnessRows][kLoudnessTextSize];
        FormatLoudnessRows(c.reading, rows);
        for (int row = 0; row < kLoudnessRows; ++row)
            EXPECT_STREQ(rows[row], c.rows[row]) << row;
    }
}

struct Source {
    LiveLoudness live{};
    MeterEngine* engine = nullptr;
    int resets = 0;
    Source() {
        EXPECT_EQ(LiveLoudnessInit(&live), 1);
        const LoudnessSource s = {
            &live, &engine,
            [](void*, char* text, size_t size) { snprintf(text, size, "status line"); },
            [](void* c) { ++static_cast<Source*>(c)->resets; }, this};
        SetLoudnessSource(&s);
    }
    ~Source() {
        CloseLoudnessWindow();
        SetLoudnessSource(nullptr);
        LiveLoudnessFree(&live);
    }
};

class LoudnessWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(RegisterMeterWindowClass(GetModuleHandleA(nullptr)), 1); }
    void TearDown() override { UnregisterMeterWindowClass(GetModuleHandleA(nullptr)); }
    static std::string Text(HWND window, int id) { return modaltest::Text(GetDlgItem(window, id)); }
    SettingsTestRoot settings_;
};

TEST_F(LoudnessWindowTest, OneWindowShowingTheSourceWithAResetButton) {
    Source source;
    std::vector<int16_t> tone(44100 * 2 * 2);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = (i / 2) % 2 ? 8192 : -8192;
    LiveLoudnessAdd(&source.live, tone.data(), 44100 * 2);
    HWND window = OpenLoudnessWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(OpenLoudnessWindow(), window);
    EXPECT_EQ(LoudnessWindow(), window);
    EXPECT_EQ(modaltest::Text(window), "Loudness");
    EXPECT_EQ(Text(window, kLoudnessFirstValueId + kRowTime), "0:00:02");
    EXPECT_EQ(Text(window, kLoudnessStatusId), "status line");
    EXPECT_NE(Text(window, kLoudnessFirstValueId + kRowIntegrated), "-- LUFS");
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(kLoudnessResetId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, kLoudnessResetId)));
    EXPECT_EQ(source.resets, 1);
}

// Closed and opened again, in this run or the next, the window comes back
// where it was; nothing is stored before it first closes.
TEST_F(LoudnessWindowTest, ItsPlacementIsKept) {
    Source source;
    int32_t value = 0;
    EXPECT_EQ(ReadSettingBinaryExact(kMeterWindowKey, kLoudnessX0Value, &value, 4), 0);
    HWND window = OpenLoudnessWindow();
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(LoudnessWindow(), nullptr);
    ASSERT_EQ(ReadSettingBinaryExact(kMeterWindowKey, kLoudnessX0Value, &value, 4), 1);
    EXPECT_EQ(value, 300);
    window = OpenLoudnessWindow();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 200);
}

} // namespace
