#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/image_button.h"
#include "toolkit/toolkit.h"

#include <string>

namespace {

using tktest::Command;
using tktest::Event;
using tktest::Mouse;
using tktest::OwnerWindow;
using tktest::ToolkitTest;

HINSTANCE Self() {
    return GetModuleHandleA(nullptr);
}

class ToolkitModuleTest : public ::testing::Test {
  protected:
    void TearDown() override { testsupport::ExitToolkit(); }

    static uint32_t Stored(const char* name) {
        uint32_t value = 0xDEADBEEF;
        ReadSettingBinaryExact(kToolkitKey, name, &value, sizeof value);
        return value;
    }

    SettingsTestRoot root_;
};

TEST_F(ToolkitModuleTest, NestedInitOnlyCountsAndOnlyTheLastExitTearsDown) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    EXPECT_EQ(1, ToolkitInit(Self(), "Other"));
    EXPECT_EQ(2u, ToolkitInitCount());
    ToolkitGetOptions()->rotLatency = 123;

    ToolkitExit(Self());
    EXPECT_EQ(1, ToolkitAlive());
    EXPECT_EQ(0xDEADBEEFu, Stored(kRotLatencyValue)) << "nothing written before the last exit";

    ToolkitExit(Self());
    EXPECT_EQ(0, ToolkitAlive());
    EXPECT_EQ(123u, Stored(kRotLatencyValue)) << "written under the first init's key";
}

// A wrongly typed value keeps its default and is rewritten as binary.
TEST_F(ToolkitModuleTest, OptionsLoadByTheirRules) {
    const struct {
        const char* name;
        DWORD type;
        uint32_t stored;
        uint32_t ToolkitOptions::*field;
        uint32_t loaded;
    } kCases[] = {
        {kRotLatencyValue, REG_BINARY, 501, &ToolkitOptions::rotLatency, 0},
        {kRotLatencyValue, REG_BINARY, 500, &ToolkitOptions::rotLatency, 500},
        {kSCaptureValue, REG_BINARY, 7, &ToolkitOptions::sCapture, 1},
        {kRotModeValue, REG_DWORD, 5, &ToolkitOptions::rotMode, 1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
        const std::string path = root_.root() + "\\" + kToolkitKey;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExA(key, c.name, 0, c.type, reinterpret_cast<const BYTE*>(&c.stored), 4);
        RegCloseKey(key);
        ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
        EXPECT_EQ(c.loaded, ToolkitGetOptions()->*c.field);
        ToolkitExit(Self());
        EXPECT_EQ(c.loaded, Stored(c.name)) << "written back as loaded";
    }
}

int g_popupsClosed = 0;

LRESULT CALLBACK ReportingPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++g_popupsClosed;
        auto* head = reinterpret_cast<ControlNotifyHead*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        NotifyOwner(head, 77, 1);
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Every popup slot holds a window that reports as it closes, one to an owner
// window and the next through a callback.
TEST_F(ToolkitModuleTest, NotificationRaisedDuringExitReachesNobody) {
    ASSERT_EQ(1, ToolkitInit(Self(), kSettingsAppName));
    OwnerWindow owner;
    int callbacks = 0;
    const ControlCallback count = [](void* n, uint32_t, uint32_t) { ++*static_cast<int*>(n); };
    ControlNotifyHead heads[2] = {{owner.window(), nullptr, 0, nullptr},
                                  {nullptr, count, kNotifyByCallback, &callbacks}};
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReportingPopupProc;
    wc.hInstance = Self();
    wc.lpszClassName = "TkReportingPopup";
    RegisterClassA(&wc);
    HWND popups[kPopupSlotCount];
    for (uint32_t i = 0; i < kPopupSlotCount; ++i) {
        popups[i] = CreateWindowExA(0, "TkReportingPopup", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, Self(), nullptr);
        SetWindowLongPtrA(popups[i], GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&heads[i % 2]));
        SetToolkitPopup(i, popups[i]);
    }
    HWND valueBox = ToolkitValueBox();
    g_popupsClosed = 0;

    ToolkitExit(Self());
    EXPECT_TRUE(owner.Take().empty() && callbacks == 0);
    EXPECT_EQ(int(kPopupSlotCount), g_popupsClosed) << "each popup is asked to close";
    for (HWND popup : popups)
        EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(IsWindow(valueBox));
    UnregisterClassA("TkReportingPopup", Self());
}

void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST_F(ToolkitTest, TabCyclesForwardWithWrapAndBackwardWithoutIt) {
    HWND children[5];
    for (int i = 0; i < 5; ++i)
        children[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, i * 20, 0, 16, 16,
                                      owner(), nullptr, GetModuleHandleA(nullptr), nullptr);
    EnableWindow(children[0], FALSE);
    SetFocus(children[4]);
    EXPECT_EQ(0, CycleTabFocus(owner(), WM_KEYDOWN, VK_TAB, 0));
    EXPECT_EQ(children[1], GetFocus()) << "forward wraps past the disabled first child";
    SetShift(true);
    EXPECT_EQ(0, CycleTabFocus(owner(), WM_KEYDOWN, VK_TAB, 0));
    EXPECT_EQ(children[1], GetFocus()) << "backward stops at the first enabled";
    SetShift(false);
}

constexpr uint16_t kButtonId = 5;

HWND MakeButton(HWND owner, uint32_t mode) {
    return CreateImageButton(owner, kButtonId, 10, 10, mode, ToolkitBitmap(0), ToolkitBitmap(1),
                             nullptr, nullptr, nullptr);
}

TEST_F(ToolkitTest, ButtonReportsEachModeAsItsOwnerExpects) {
    const Event begin = Command(kNotifyBegin | kButtonId, 0),
                end = Command(kNotifyEnd | kButtonId, 0);
    HWND push = MakeButton(owner(), kButtonPush | kNotifyBeginEnd);
    Mouse(push, WM_LBUTTONDOWN, 5, 5);
    Mouse(push, WM_LBUTTONUP, 60, 5); // released outside
    EXPECT_EQ((std::vector<Event>{begin, end}), owner_->Take());
    EXPECT_NE(push, GetCapture());

    HWND radio = MakeButton(owner(), kButtonRadio | kNotifyBeginEnd);
    Mouse(radio, WM_LBUTTONDOWN, 5, 5);
    Mouse(radio, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ((std::vector<Event>{begin, Command(kButtonId, 1), end}), owner_->Take());
    Mouse(radio, WM_LBUTTONDOWN, 5, 5); // clicked while set
    Mouse(radio, WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(owner_->Take().empty());
    EXPECT_EQ(1.0f, SendCommand(radio, kRequestGetValue, 0));
}

// Held down, an auto-repeat button reports at the press and then on the 50 ms
// ticks: every fourth up to tick 21 (450 ms to 1050 ms), every second up to
// tick 41, then every tick. Ticks with the cursor outside neither report nor
// count.
TEST_F(ToolkitTest, ButtonAutoRepeatFollowsItsSchedule) {
    const struct {
        int ticks, outsideFrom, outsideTo; // outside for ticks [from, to)
        std::vector<int> reports;          // ms after the press
    } cases[] = {
        {45,
         -1,
         -1,
         {0, 450, 650, 850, 1050, 1150, 1250, 1350, 1450, 1550, 1650, 1750, 1850, 1950, 2050, 2100,
          2150, 2200, 2250}},
        {20, 3, 13, {0, 950}}, // ten ticks outside: the first repeat comes 500 ms later
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "outside from tick " << c.outsideFrom);
        HWND button = MakeButton(owner(), kButtonPush | kButtonAutoRepeat);
        Mouse(button, WM_LBUTTONDOWN, 5, 5);
        std::vector<int> reports;
        for (int tick = 0; tick <= c.ticks; ++tick) {
            if (tick == c.outsideFrom) Mouse(button, WM_MOUSEMOVE, 60, 5);
            if (tick == c.outsideTo) Mouse(button, WM_MOUSEMOVE, 5, 5);
            if (tick > 0) SendMessageA(button, WM_TIMER, kButtonRepeatTimer, 0);
            for (const Event& e : owner_->Take())
                if (e == Command(kButtonId, 1)) reports.push_back(tick * 50);
        }
        Mouse(button, WM_LBUTTONUP, 5, 5);
        EXPECT_EQ(c.reports, reports);
        EXPECT_TRUE(owner_->Take().empty()) << "an auto-repeat release does not click";
        DestroyWindow(button);
    }
}

TEST_F(ToolkitTest, ButtonSetValueIsZeroOrOneAndNeverReported) {
    HWND button = MakeButton(owner(), kButtonToggle);
    const struct { float set, value; } cases[] = {{0.5f, 1.0f}, {0.0f, 0.0f}, {-2.0f, 1.0f}};
    for (const auto& c : cases) {
        SendCommand(button, kRequestSetValue, LPARAM(FloatToBits(c.set)));
        EXPECT_EQ(c.value, SendCommand(button, kRequestGetValue, 0)) << c.set;
    }
    EXPECT_TRUE(owner_->Take().empty());
}

} // namespace
