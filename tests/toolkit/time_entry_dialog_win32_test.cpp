#include "toolkit/value_entry.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using modaltest::Key;
using modaltest::Script;
using modaltest::Step;
using modaltest::Type;
using tktest::Popup;

constexpr uint32_t kAttr = 0x7E0;
const int kAllFields[] = {10, 11, 12, 13, 14, 50, 51, 60, 63, 70, 71};

std::string FieldText(HWND dialog, int id) {
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void TypeInto(HWND dialog, int id, const std::string& text) {
    HWND field = GetDlgItem(dialog, id);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    Type(field, text);
}

void Enter(HWND dialog) {
    Key(GetDlgItem(dialog, kTimeSeconds), VK_RETURN);
}
void Close(HWND dialog) {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

class TimeEntryDialogTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        SetDefaultTimeEntrySettings(&settings());
    }
    TimeEntrySettings& settings() { return options()->timeEntry; }

    // Runs the acts, reads every field, then ends the dialog with end.
    float Run(float seconds, std::vector<Step> acts, Step end, HWND owner = nullptr) {
        fields_.clear();
        acts.push_back([this](HWND dialog) {
            for (int id : kAllFields)
                fields_[id] = FieldText(dialog, id);
        });
        acts.push_back(end);
        Script driver(Popup(kPopupTimeEntry), acts);
        float result = TimeEntryDialog(owner ? owner : this->owner(), kAttr, 10, 10, seconds);
        EXPECT_TRUE(driver.ran());
        EXPECT_FALSE(driver.timedOut());
        EXPECT_EQ(nullptr, ToolkitPopup(kPopupTimeEntry));
        return result;
    }

    std::map<int, std::string> fields_;
};

// The field texts themselves are the model's (time_entry_test.cpp).
TEST_F(TimeEntryDialogTest, ATypedFieldRewritesTheOthersAndOkReturnsTheDuration) {
    const struct {
        const char* name;
        int field;
        const char* typed;
        std::map<int, std::string> expected;
    } cases[] = {
        {"ms", kTimeMilliseconds, "500", {{kTimeSeconds, "0.500000"}, {kTimeFrames, "12.500"}}},
        {"zero hertz stays as typed", kTimeHertz, "0", {{kTimeHertz, "0"}, {kTimeBpm, "0.000"}}},
        {"negative reads as zero", kTimeSeconds, "-5", {{kTimeMilliseconds, "0.000"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetDefaultTimeEntrySettings(&settings());
        float result = Run(1.5f, {[&c](HWND d) { TypeInto(d, c.field, c.typed); }}, Enter);
        for (const auto& [id, text] : c.expected)
            EXPECT_EQ(text, fields_[id]) << "field " << id;
        EXPECT_FLOAT_EQ(std::stof(fields_[kTimeMilliseconds]) / 1000.0f, result);
    }
}

TEST_F(TimeEntryDialogTest, CancelRestoresTheSettingsCloseKeepsThemOkAccepts) {
    const struct {
        const char* name;
        Step end;
        bool accepted;
        float tempoAfter;
    } cases[] = {
        {"cancel button", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }, false, 120.0f},
        {"close", Close, false, 60.0f},
        {"enter", Enter, true, 60.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetDefaultTimeEntrySettings(&settings());
        float result = Run(1.0f, {[](HWND d) { TypeInto(d, kTimeTempo, "60"); }}, c.end);
        EXPECT_EQ(c.tempoAfter, settings().tempo);
        EXPECT_EQ(c.accepted ? 1.0f : kTimeEntryCancelled, result) << "a quarter at 60 bpm";
    }
}

TEST_F(TimeEntryDialogTest, OwnerDestroyedWhileOpenIsACancel) {
    auto doomed = std::make_unique<tktest::OwnerWindow>(100, 50);
    float result = Run(
        1.0f, {[](HWND d) { TypeInto(d, kTimeSeconds, "3"); }}, [&doomed](HWND) { doomed.reset(); },
        doomed->window());
    EXPECT_EQ(kTimeEntryCancelled, result);
}

} // namespace
