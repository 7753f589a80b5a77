#include "view/cue_list_dialog.h"

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

TEST_F(CueListTest, ListsTheCuesWithTheirTimes) {
    CueInsert(store(), 44100 * 62 + 15215,
              "Cue point n\xB0"
              "1"); // 62.345 s
    CueInsert(store(), 0, "start");
    CueInsert(store(), int64_t(44100) * 3723, "an hour on");
    std::vector<std::string> entries;
    LRESULT selected = -2;
    Run([&](HWND dialog) {
        EXPECT_EQ(dialog, context()->cueListDialog);
        entries = Entries(dialog);
        selected = SendMessageA(GetDlgItem(dialog, kListId), LB_GETCURSEL, 0, 0);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::string>{"000 H 00' 00 : 000 ms - start",
                                        "000 H 01' 02 : 345 ms - Cue point n\xB0"
                                        "1",
                                        "001 H 02' 03 : 000 ms - an hour on"}),
              entries);
    EXPECT_EQ(2, selected); // the cue added last
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
    EXPECT_EQ(3, CueSelected(store())); // was 4, the last
    ASSERT_EQ(3u, after.size());
    EXPECT_NE(std::string::npos, after[1].find("cue 3"));
}

// Choosing an entry shows its cue's place in the history.
TEST_F(CueListTest, ChoosingAnEntryJumpsToItsCue) {
    ASSERT_TRUE(Open());
    FillHistory(1000); // slot n at n x 4410
    for (int i = 1; i <= 3; ++i)
        CueInsert(store(), int64_t(4410) * 200 * i, ("cue " + std::to_string(i)).c_str());
    for (int entry : {1, 0}) {
        Run([&](HWND dialog) {
            SendMessageA(GetDlgItem(dialog, kListId), LB_SETCURSEL, entry, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kListId, LBN_SELCHANGE), 0);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(CueJumpTarget(store(), entry + 1, MeterGetZoom(engine_)), store()->viewPos);
        EXPECT_NE(CueJumpTarget(store(), entry + 2, MeterGetZoom(engine_)), store()->viewPos);
    }
}

// Closing the meter window, as loading a history does through the context,
// ends an open dialog.
TEST_F(CueListTest, ClosingTheMeterWindowEndsTheDialog) {
    ASSERT_TRUE(Open(1100, 700));
    Run([&](HWND) { DestroyWindow(window()); });
    EXPECT_EQ(nullptr, window());
}

} // namespace
