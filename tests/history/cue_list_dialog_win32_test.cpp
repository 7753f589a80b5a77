#include "history/cue_list_dialog.h"

#include <string>
#include <vector>

#include "history/cue_store.h"
#include "tests/support/modal_script_win32.h"
#include "tests/view/meter_window_test_support.h"

using modaltest::Click;
using modaltest::WhenShown;

namespace {

constexpr int kListId = 31;
constexpr int kDeleteId = 100;

// On the meter window tests' engine and window (the list reaches the view
// through the window's context).
class CueListTest : public mwtest::MeterWindowTest {
  protected:
    HistoryStore* store() { return Store(); }
    void Run(std::function<void(HWND)> script) {
        WhenShown("Cue List", std::move(script));
        EXPECT_EQ(0, OpenCueList(context(), window(), 0, 40, 30));
        EXPECT_EQ(nullptr, context()->cueListDialog);
    }
    static std::vector<std::string> Entries(HWND dialog) {
        HWND list = GetDlgItem(dialog, kListId);
        std::vector<std::string> out;
        const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[256] = {};
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }
};

TEST_F(CueListTest, ListsTheCuesWithTheirTimesInADialogOf300By420) {
    CueInsert(store(), 44100 * 62 + 15215,
              "Cue point n\xB0"
              "1"); // 62.345 s
    CueInsert(store(), 0, "start");
    CueInsert(store(), int64_t(44100) * 3723, "an hour on");
    std::vector<std::string> entries;
    RECT client = {};
    HWND seen = nullptr;
    LRESULT selected = -2;
    Run([&](HWND dialog) {
        seen = dialog;
        EXPECT_EQ(dialog, context()->cueListDialog);
        entries = Entries(dialog);
        GetClientRect(dialog, &client);
        selected = SendMessageA(GetDlgItem(dialog, kListId), LB_GETCURSEL, 0, 0);
        Click(dialog, IDCANCEL);
    });
    ASSERT_NE(nullptr, seen);
    EXPECT_EQ((std::vector<std::string>{"000 H 00' 00 : 000 ms - start",
                                        "000 H 01' 02 : 345 ms - Cue point n\xB0"
                                        "1",
                                        "001 H 02' 03 : 000 ms - an hour on"}),
              entries);
    EXPECT_EQ(300, client.right);
    EXPECT_EQ(420, client.bottom);
    EXPECT_EQ(2, selected); // the cue added last
}

TEST_F(CueListTest, EveryMoveOfTheSelectionJumpsTheHistoryView) {
    FillHistory(3000); // slot i at (i + 1) * 4410
    ASSERT_TRUE(Open(1100, 700));
    const int64_t cues[] = {100, 1500, 2990};
    for (int64_t slot : cues)
        CueInsert(store(), (slot + 1) * 4410, "cue");
    std::vector<int32_t> views, expected;
    Run([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, kListId);
        SetFocus(list);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        for (int k = 1; k <= 3; ++k) {
            expected.push_back(CueJumpTarget(store(), k, 1));
            if (k > 1)
                SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
            else
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kListId, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
            views.push_back(store()->viewPos);
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(expected, views);
    EXPECT_EQ(151, views[0]);  // 50 columns right of the slot after the cue
    EXPECT_EQ(3000, views[2]); // near the end: the end of the history
}

TEST_F(CueListTest, DeleteRemovesTheEntryAndTheCue) {
    for (int i = 1; i <= 4; ++i)
        CueInsert(store(), i * 1000, ("cue " + std::to_string(i)).c_str());
    std::vector<std::string> after;
    Run([&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, kListId), LB_SETCURSEL, 1, 0);
        Click(dialog, kDeleteId);
        after = Entries(dialog);
        Click(dialog, IDOK);
    });
    ASSERT_EQ(3, CueCount(store()));
    EXPECT_STREQ("cue 3", CueAt(store(), 2)->name);
    EXPECT_EQ(3, CueSelected(store())); // was 4, the last
    ASSERT_EQ(3u, after.size());
    EXPECT_NE(std::string::npos, after[1].find("cue 3"));
}

// Closing the meter window, as loading a history does through the context,
// ends an open dialog.
TEST_F(CueListTest, ClosingTheMeterWindowEndsTheDialog) {
    ASSERT_TRUE(Open(1100, 700));
    Run([&](HWND) { DestroyWindow(window()); });
    EXPECT_EQ(nullptr, window());
}

} // namespace
