// The toolkit module on real windows and the real registry (below a
// test-only key): nested start and stop, option load rules, the
// notification protocol and the round-mask cache.
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/toolkit.h"

#include <string>

namespace {

using tktest::CallbackLog;
using tktest::Command;
using tktest::Event;
using tktest::OwnerWindow;

HINSTANCE Self() {
    return GetModuleHandleA(nullptr);
}

class ToolkitModuleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        while (ToolkitInitCount() > 0)
            ToolkitExit(Self());
    }

    // Writes a raw registry value of any kind under the toolkit's key.
    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        const std::string path = root_.root() + "\\" + kToolkitKey;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }

    static uint32_t Stored(const char* name) {
        uint32_t value = 0xDEADBEEF;
        ReadSettingBinaryExact(kToolkitKey, name, &value, sizeof value);
        return value;
    }

    SettingsTestRoot root_;
};

TEST_F(ToolkitModuleTest, NestedInitOnlyCountsAndOnlyTheLastExitTearsDown) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    HBRUSH brush = PaletteBrush(3);
    ASSERT_NE(nullptr, brush);
    EXPECT_EQ(1, ToolkitInit(Self(), "Other"));
    EXPECT_EQ(2u, ToolkitInitCount());
    ToolkitGetOptions()->rotLatency = 123;

    ToolkitExit(Self());
    EXPECT_EQ(1, ToolkitAlive());
    EXPECT_EQ(brush, PaletteBrush(3)) << "the nested exit must not delete the tables";
    EXPECT_EQ(0xDEADBEEFu, Stored(kRotLatencyValue)) << "nothing written before the last exit";
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(Self(), kImageButtonClassName, &wc));

    ToolkitExit(Self());
    EXPECT_EQ(0, ToolkitAlive());
    EXPECT_EQ(123u, Stored(kRotLatencyValue)) << "written under the first init's key";
    EXPECT_FALSE(GetClassInfoA(Self(), kImageButtonClassName, &wc));
}

TEST_F(ToolkitModuleTest, RegistersTheNineClassesWithTheirSignature) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    const struct {
        const char* name;
        UINT styles;
    } kCases[] = {
        {"C_PX2CTL_Rotatif_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS},
        {"C_PX2CTL_I2p_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
        {"C_PX2CTL_Free_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS},
        {"C_PX2CTL_Free_00_wdb\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
        {"C_PX2CTL_Slide_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS},
        {"C_PX2CTL_3DList_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
        {"C_PX2CTL_Vgrid_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
        {"C_PX2CTL_2DList_00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
        {"C_PX2CTL_AutoValueView00\xA9Ktavin", CS_HREDRAW | CS_VREDRAW},
    };
    for (const auto& c : kCases) {
        WNDCLASSA wc = {};
        ASSERT_TRUE(GetClassInfoA(Self(), c.name, &wc)) << c.name;
        EXPECT_EQ(c.styles, wc.style) << c.name;
        EXPECT_GE(wc.cbWndExtra, static_cast<int>(sizeof(void*))) << c.name;
        EXPECT_EQ(nullptr, wc.hbrBackground) << c.name;
    }
    HWND box = ToolkitValueBox();
    ASSERT_NE(nullptr, box);
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_TRUE(GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(ToolkitModuleTest, FailedRegistrationNamesTheClassAndStillCounts) {
    // A class of that name already registered by someone else makes it fail.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = Self();
    wc.lpszClassName = kSlideClassName;
    ASSERT_TRUE(RegisterClassA(&wc));
    EXPECT_EQ(0, ToolkitInit(Self(), kSettingsAppName));
    EXPECT_STREQ("[PX2CTL] Failed to register slide class", ToolkitErrorText(ToolkitLastError()));
    EXPECT_EQ(1u, ToolkitInitCount());
    ToolkitExit(Self());
}

TEST_F(ToolkitModuleTest, OptionsLoadByTheirRules) {
    const struct {
        const char* name;
        uint32_t stored;
        uint32_t ToolkitOptions::*field;
        uint32_t loaded;
    } kCases[] = {
        {kRotLatencyValue, 501, &ToolkitOptions::rotLatency, 0},
        {kRotLatencyValue, 500, &ToolkitOptions::rotLatency, 500},
        {kSCaptureValue, 7, &ToolkitOptions::sCapture, 1},
        {kRotModeValue, 7, &ToolkitOptions::rotMode, 7},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
        ASSERT_EQ(1, WriteSettingBinary(kToolkitKey, c.name, &c.stored, 4));
        ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
        EXPECT_EQ(c.loaded, ToolkitGetOptions()->*c.field);
        ToolkitExit(Self());
        EXPECT_EQ(c.loaded, Stored(c.name)) << "written back as loaded";
    }
}

TEST_F(ToolkitModuleTest, WronglyTypedOrSizedOptionsKeepTheirDefaults) {
    const uint32_t five = 5;
    const uint16_t shortValue = 3;
    SetRaw(kRotModeValue, REG_DWORD, &five, 4);
    SetRaw(kInfoValueValue, REG_SZ, "5", 2);
    SetRaw(kSCaptureValue, REG_BINARY, &shortValue, 2);
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    const ToolkitOptions* options = ToolkitGetOptions();
    EXPECT_EQ(1u, options->rotMode);
    EXPECT_EQ(0x80000003u, options->infoValue);
    EXPECT_EQ(1u, options->sCapture);
    ToolkitExit(Self());
    EXPECT_EQ(1u, Stored(kRotModeValue)) << "rewritten as binary";
}

TEST_F(ToolkitModuleTest, NotifyPostsOrCallsBackOnlyWhileAlive) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    OwnerWindow owner;
    CallbackLog log;
    const ControlNotifyHead posting = {owner.window(), CallbackLog::Record, 0, &log};
    const ControlNotifyHead calling = {owner.window(), CallbackLog::Record, kNotifyByCallback,
                                       &log};

    NotifyOwner(&posting, 0x8000 | 12, 0);
    NotifyOwner(&posting, 0x10012, FloatToBits(-2.5f)); // the code's high bits are dropped
    NotifyOwner(&calling, 0x4000 | 12, FloatToBits(1.0f));
    EXPECT_EQ((std::vector<Event>{{WM_COMMAND, 0x800C, 0}, Command(0x12, -2.5f)}), owner.Take());
    EXPECT_EQ((std::vector<Event>{Command(0x400C, 1.0f)}), log.events);

    ToolkitExit(Self());
    log.events.clear();
    NotifyOwner(&posting, 12, 0);
    NotifyOwner(&calling, 12, 0);
    EXPECT_TRUE(owner.Take().empty() && log.events.empty());
}

// A shared popup that reports when it is closed, as a control may.
LRESULT CALLBACK ReportingPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        auto* head = reinterpret_cast<ControlNotifyHead*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        NotifyOwner(head, 77, 1);
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ToolkitModuleTest, NotificationRaisedDuringExitReachesNobody) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    OwnerWindow owner;
    CallbackLog log;
    ControlNotifyHead heads[2] = {{owner.window(), nullptr, 0, nullptr},
                                  {nullptr, CallbackLog::Record, kNotifyByCallback, &log}};
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReportingPopupProc;
    wc.hInstance = Self();
    wc.lpszClassName = "TkReportingPopup";
    RegisterClassA(&wc);
    HWND popups[2];
    for (int i = 0; i < 2; ++i) {
        popups[i] = CreateWindowExA(0, "TkReportingPopup", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, Self(), nullptr);
        SetWindowLongPtrA(popups[i], GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&heads[i]));
    }
    SetToolkitPopup(kPopupTimeEntry, popups[0]);
    SetToolkitPopup(kPopupSpare2, popups[1]);

    ToolkitExit(Self());
    EXPECT_FALSE(IsWindow(popups[0]) || IsWindow(popups[1])) << "closed at exit";
    EXPECT_TRUE(owner.Take().empty() && log.events.empty());
    UnregisterClassA("TkReportingPopup", Self());
}

COLORREF MaskPixel(HBITMAP mask, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixel;
}

TEST_F(ToolkitModuleTest, RoundMaskCacheHoldsThirtyOneDiameters) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    HBITMAP first = RoundMask(nullptr, 32);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(RGB(0, 0, 0), MaskPixel(first, 16, 16)) << "the disc is black";
    EXPECT_EQ(RGB(255, 255, 255), MaskPixel(first, 0, 0)) << "the corners are white";
    for (int d = 1; d <= 30; ++d)
        ASSERT_NE(nullptr, RoundMask(nullptr, d)) << d;
    EXPECT_EQ(nullptr, RoundMask(nullptr, 40)) << "a 32nd diameter";
    EXPECT_EQ(first, RoundMask(nullptr, 32)) << "cached ones keep working";
    EXPECT_EQ(nullptr, RoundMask(nullptr, 129));

    ToolkitExit(Self());
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    EXPECT_NE(nullptr, RoundMask(nullptr, 40)) << "the cache is emptied at exit";
}

} // namespace
