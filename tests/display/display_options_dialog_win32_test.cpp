#include "display/display_options_dialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "display/meter_settings.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/recorder_win32.h"
#include "tests/sys/settings_test_root.h"
#include "toolkit/toolkit.h"
#include "view/meter_window.h"

using modaltest::Click;
using modaltest::WhenShown;

namespace {

constexpr char kTitle[] = "Measure Display Options";
constexpr int kPatternListId = 30;
constexpr int kResetId = 21;
constexpr int kColourListId = 31;

class DisplayOptionsTest : public testing::Test {
  protected:
    void SetUp() override {
        instance_ = GetModuleHandleA(nullptr);
        ASSERT_EQ(1, ToolkitInit(instance_, kSettingsAppName));
        ASSERT_EQ(1, RegisterMeterWindowClass(instance_));
        ASSERT_NE(nullptr, AcquireMeterSettings(kSettingsAppName));
    }
    void TearDown() override {
        while (MeterSettingsUseCount() > 0)
            ReleaseMeterSettings();
        UnregisterMeterWindowClass(instance_);
        testsupport::ExitToolkit(instance_);
    }
    int Run(uint32_t flags, std::function<void(HWND)> script) {
        WhenShown(kTitle, std::move(script));
        return OpenDisplayOptions(nullptr, flags, 60, 40);
    }
    static MeterSettingsValues& Values() { return GetMeterSettings()->values; }

    SettingsTestRoot settings_;
    HINSTANCE instance_ = nullptr;
};

#define FIELD(f) [](const MeterSettingsValues& v) { return float(v.f); }

TEST_F(DisplayOptionsTest, TypedValuesAreCheckedAndCorrected) {
    const struct {
        const char* what;
        std::vector<std::pair<int, const char*>> typed;
        float (*read)(const MeterSettingsValues&);
        float expected;
    } cases[] = {
        {"dbMax just above dbHead", {{100, "-12"}, {101, "-20"}}, FIELD(dbMax), -11},
        {"level fall not below peak fall", {{211, "6"}, {212, "3"}}, FIELD(moyDbPerS), 6},
        {"50 frames per second are refused", {{213, "50"}}, FIELD(framesPerS), 10},
        {"level range at least 1 dB", {{202, "-70"}, {203, "-60"}}, FIELD(levelMaxDb), -59},
        {"not a number", {{100, "abc"}}, FIELD(dbHead), -12},
        {"phase release at its lower limit", {{208, "0.0999"}}, FIELD(phaseRelease), 0.0999f},
    };
    for (const auto& c : cases) {
        Values() = *MeterSettingsDefaults();
        EXPECT_EQ(1, Run(kMeterWindowOptionFlags, [&](HWND dialog) {
                      for (const auto& [id, text] : c.typed)
                          SetWindowTextA(GetDlgItem(dialog, id), text);
                      Click(dialog, IDOK);
                  }));
        EXPECT_EQ(c.expected, c.read(Values())) << c.what;
    }
}

// Reset puts the defaults in the fields as well as in the copy: OK stores
// them (it once read the old numbers back from the fields), Cancel nothing.
TEST_F(DisplayOptionsTest, ResetThenOkStoresTheDefaultsAndCancelNothing) {
    for (const int button : {IDOK, IDCANCEL}) {
        Values() = *MeterSettingsDefaults();
        Values().dbHead = -20;
        Values().framesPerS = 25;
        Values().brushType = 5;
        Values().maxColor = RGB(1, 2, 3);
        const MeterSettings before = *GetMeterSettings();
        LRESULT patternAfterReset = -1;
        char headShown[32] = "";
        EXPECT_EQ(button == IDOK, Run(kMeterWindowOptionFlags, [&](HWND dialog) {
                      WhenShown("Reset All", [](HWND box) { Click(box, IDOK); });
                      Click(dialog, kResetId);
                      patternAfterReset =
                          SendDlgItemMessageA(dialog, kPatternListId, LB_GETCURSEL, 0, 0);
                      GetDlgItemTextA(dialog, 100, headShown, sizeof headShown);
                      Click(dialog, button);
                  }));
        EXPECT_EQ(MeterSettingsDefaults()->brushType, patternAfterReset);
        EXPECT_EQ(-12, std::atof(headShown));
        if (button == IDOK) {
            const MeterSettingsValues& d = *MeterSettingsDefaults();
            EXPECT_EQ(d.dbHead, Values().dbHead);
            EXPECT_EQ(d.framesPerS, Values().framesPerS);
            EXPECT_EQ(d.brushType, Values().brushType);
            EXPECT_EQ(d.maxColor, Values().maxColor);
        } else {
            EXPECT_EQ(0, std::memcmp(&before, GetMeterSettings(), sizeof before));
        }
    }
}

// A click on a zone of the preview selects the colour it is drawn in.
TEST_F(DisplayOptionsTest, PreviewZonesSelectTheirColour) {
    const struct {
        int x, y;
        LRESULT entry;
        const char* name;
    } cases[] = {
        {65, 40, 2, "Clip/Max Level (Brush)"},   {65, 110, 4, "Nominal Level (Brush)"},
        {65, 300, 9, "Average Level (Brush)"},   {25, 30, 0, "Max Clip/Max Level"},
        {25, 130, 1, "Clip/Max Level (Border)"}, {25, 75, 6, "Reduc./dynamic Level (Brush)"},
    };
    for (const auto& c : cases) {
        LRESULT selected = -1;
        Run(kMeterWindowOptionFlags, [&](HWND dialog) {
            SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
            SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
            selected = SendDlgItemMessageA(dialog, kColourListId, LB_GETCURSEL, 0, 0);
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(c.entry, selected) << c.name;
    }
}

TEST_F(DisplayOptionsTest, OneDialogAtATimeAndTheLastReleaseClosesIt) {
    int second = -1;
    EXPECT_EQ(0, Run(0, [&](HWND dialog) {
                  second = OpenDisplayOptions(nullptr, 0, 0, 0);
                  EXPECT_EQ(dialog, DisplayOptionsWindow());
                  ReleaseMeterSettings();
              }));
    EXPECT_EQ(0, second);
    EXPECT_EQ(nullptr, DisplayOptionsWindow());
}

// OK hands the record's old pens, brushes and bitmaps to the dialog, which
// deletes them as it goes; a cancelled dialog deletes its own. (Wine counts
// no GDI objects for GetGuiResources, so the handles themselves are checked.)
std::vector<HGDIOBJ> OwnObjects(const MeterSettings* s) {
    std::vector<HGDIOBJ> out;
    auto add = [&](void* h) {
        if (h && h != GetStockObject(LTGRAY_BRUSH)) out.push_back(static_cast<HGDIOBJ>(h));
    };
    for (void* h : s->objects.pens)
        add(h);
    for (void* h : s->objects.brushes)
        add(h);
    for (void* h : s->objects.patternBitmaps)
        add(h);
    return out;
}

TEST_F(DisplayOptionsTest, OkAndCancelLeaveNoDrawingObjectBehind) {
    for (int i = 0; i < 100; ++i) {
        const std::vector<HGDIOBJ> before = OwnObjects(GetMeterSettings());
        ASSERT_EQ(28u, before.size());
        Run(kMeterWindowOptionFlags, [&](HWND dialog) {
            SendDlgItemMessageA(dialog, kPatternListId, LB_SETCURSEL, 1 + i % 6, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kPatternListId, LBN_SELCHANGE), 0);
            Click(dialog, i % 2 ? IDCANCEL : IDOK);
        });
        if (i % 2) {
            EXPECT_EQ(before, OwnObjects(GetMeterSettings())) << "round " << i;
        } else {
            for (HGDIOBJ h : before)
                EXPECT_EQ(0u, GetObjectType(h)) << "round " << i;
        }
    }
}

} // namespace
