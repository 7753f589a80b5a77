#include "toolkit/value_entry.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using modaltest::Key;
using modaltest::Step;
using modaltest::Type;

constexpr uint32_t kAttr = 0x7E0; // black on colour 14, font 7

HWND Edit(HWND dialog) {
    return GetDlgItem(dialog, kEditTextFieldId);
}

struct Answer {
    bool allocated;
    std::string text;
};

class EditTextDialogTest : public tktest::ToolkitTest {
  protected:
    Answer Run(const char* initial, Step script, HWND owner = nullptr) {
        char* text = tktest::RunPopup(kPopupEditValue, {std::move(script)}, [&] {
            return EditTextDialog(owner ? owner : this->owner(), kAttr, 40, 30, 100, 20, initial);
        });
        Answer answer = {text != nullptr, text ? text : ""};
        std::free(text);
        return answer;
    }
};

struct EndCase {
    const char* name;
    const char* initial;
    const char* typed;
    void (*end)(HWND dialog);
    const char* expected;
};

const EndCase kEndCases[] = {
    {"typing replaces the selection", "12.5", "42", [](HWND d) { Key(Edit(d), VK_RETURN); }, "42"},
    {"escape abandons", "12.5", "42", [](HWND d) { Key(Edit(d), VK_ESCAPE); }, ""},
    {"alt key abandons", "12.5", "42",
     [](HWND d) { PostMessageA(Edit(d), WM_SYSKEYDOWN, 'X', 1 << 29); }, ""},
    {"focus leaving abandons", "12.5", "42", [](HWND) { SetFocus(nullptr); }, ""},
};

TEST_F(EditTextDialogTest, EndsAsTheKeyOrMessageSays) {
    for (const EndCase& c : kEndCases) {
        SCOPED_TRACE(c.name);
        Answer answer = Run(c.initial, [&c](HWND dialog) {
            Type(Edit(dialog), c.typed);
            c.end(dialog);
        });
        EXPECT_TRUE(answer.allocated);
        EXPECT_EQ(c.expected, answer.text);
    }
}

TEST_F(EditTextDialogTest, TextLongerThanTheBufferIsCut) {
    std::string longText(3000, '7');
    Answer answer = Run(longText.c_str(), [](HWND d) { Key(Edit(d), VK_RETURN); });
    EXPECT_EQ(std::string(kEditTextSize - 1, '7'), answer.text);
}

TEST_F(EditTextDialogTest, OutOfMemory) {
    const ValueEntryOps noBuffer = {[](size_t) -> void* { return nullptr; },
                                    ValueEntryGetOps()->globalAlloc};
    const ValueEntryOps noTemplate = {ValueEntryGetOps()->allocate,
                                      [](UINT, SIZE_T) -> HGLOBAL { return nullptr; }};
    ValueEntrySetOps(&noBuffer);
    EXPECT_EQ(nullptr, EditTextDialog(owner(), kAttr, 0, 0, 100, 20, "1")) << "no text, no dialog";
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupEditValue));
    ValueEntrySetOps(&noTemplate);
    char* text = EditTextDialog(owner(), kAttr, 0, 0, 100, 20, "1");
    ValueEntrySetOps(nullptr);
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("", text) << "an abandoned edit";
    std::free(text);
}

TEST_F(EditTextDialogTest, OwnerDestroyedWhileOpenEndsItAbandoned) {
    auto doomed = std::make_unique<tktest::OwnerWindow>(100, 50);
    Answer answer = Run(
        "5",
        [&doomed](HWND dialog) {
            Type(Edit(dialog), "9");
            doomed.reset();
        },
        doomed->window());
    EXPECT_TRUE(answer.allocated);
    EXPECT_EQ("", answer.text);
}

TEST_F(EditTextDialogTest, ToolkitExitClosesAnOpenDialog) {
    Answer answer = Run("5", [](HWND) { ToolkitExit(GetModuleHandleA(nullptr)); });
    EXPECT_EQ("", answer.text);
    EXPECT_EQ(0u, ToolkitInitCount());
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

    // Runs the acts, then ends the dialog with end.
    float Run(float seconds, std::vector<Step> acts, Step end, HWND owner = nullptr) {
        acts.push_back(end);
        return tktest::RunPopup(kPopupTimeEntry, acts, [&] {
            return TimeEntryDialog(owner ? owner : this->owner(), kAttr, 10, 10, seconds);
        });
    }
};

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

void PickNote(HWND dialog, int column, int row) { // the palette: 5 x 3 notes of 32 pixels
    const LPARAM at = MAKELPARAM(180 + 32 * column + 16, 25 + 32 * row + 16);
    SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(dialog, WM_LBUTTONUP, 0, at);
}

// Typed a character at a time into a duration field, which is left alone
// while typed, or picked from the palette (120 bpm: a beat is 0.5 s).
TEST_F(TimeEntryDialogTest, TypedOrPickedDurations) {
    const struct {
        const char* name;
        Step act;
        float seconds;
    } cases[] = {
        {"seconds", [](HWND d) { TypeInto(d, kTimeSeconds, "1.25"); }, 1.25f},
        {"milliseconds", [](HWND d) { TypeInto(d, kTimeMilliseconds, "250"); }, 0.25f},
        {"a third of a beat, second row", [](HWND d) { PickNote(d, 2, 1); }, 1.0f / 3.0f},
        {"three beats, third row", [](HWND d) { PickNote(d, 1, 2); }, 1.5f},
    };
    for (const auto& c : cases) {
        SetDefaultTimeEntrySettings(&settings());
        EXPECT_FLOAT_EQ(c.seconds, Run(1.0f, {c.act}, Enter)) << c.name;
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
