#include "toolkit/value_entry.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using modaltest::Key;
using modaltest::Script;
using modaltest::Step;
using modaltest::Type;
using tktest::Popup;

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
        Script driver(Popup(kPopupEditValue), std::move(script));
        char* text = EditTextDialog(owner ? owner : this->owner(), kAttr, 40, 30, 100, 20, initial);
        EXPECT_TRUE(driver.ran());
        EXPECT_FALSE(driver.timedOut());
        EXPECT_EQ(nullptr, ToolkitPopup(kPopupEditValue)) << "the slot is cleared on close";
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

} // namespace
