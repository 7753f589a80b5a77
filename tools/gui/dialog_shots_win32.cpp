// Pictures of the "Cue List" and "Measure Display Options" dialogs over a
// meter window with a recorded history, taken by tools/screenshots
// (dialog_cue_list.png, dialog_display_options.png).
#include "display/display_options_dialog.h"
#include "view/cue_list_dialog.h"
#include "history/cue_store.h"
#include "tests/support/modal_script_win32.h"
#include "tools/gui/screenshot.h"
#include "tests/view/meter_window_test_support.h"

namespace {

class DialogScreenshots : public mwtest::MeterWindowTest {
  protected:
    void SetUp() override {
        if (shots::Folder().empty()) GTEST_SKIP() << "TENVELO_SCREENSHOT_DIR is not set";
        mwtest::MeterWindowTest::SetUp();
    }
};

TEST_F(DialogScreenshots, CueListAndDisplayOptions) {
    HistoryStore* store = &engine_->frame.history;
    for (int i = 0; i < 600; ++i) {
        HistoryRecord r = {};
        r.samplePosition = int64_t(i) * 4410;
        r.peakL = r.peakR = 0.5f + 0.4f * float(i % 50) / 50;
        r.powerL = r.powerR = r.peakL * r.peakL / 2;
        r.averageL = r.averageR = r.peakL * 0.6f;
        r.correlation = 0.8f;
        HistoryAppend(store, &r);
    }
    HistoryFollow(store);
    const char* names[] = {"Intro", "Verse 1", "Chorus", "Bridge \xB0", "Last chorus"};
    for (int k = 0; k < 5; ++k)
        CueInsert(store, int64_t(44100) * (3 + 11 * k), names[k]);
    ASSERT_TRUE(Open(700, 500, 20, 20));
    HWND meter = window();

    modaltest::WhenShown("Cue List", [](HWND dialog) {
        SendDlgItemMessageA(dialog, 31, LB_SETCURSEL, 2, 0);
        EXPECT_TRUE(shots::SaveWindow(dialog, "dialog_cue_list.bmp"));
        modaltest::Click(dialog, IDCANCEL);
    });
    OpenCueList(context(), meter, 0, 520, 60);

    modaltest::WhenShown("Measure Display Options", [](HWND dialog) {
        EXPECT_TRUE(shots::SaveWindow(dialog, "dialog_display_options.bmp"));
        modaltest::Click(dialog, IDCANCEL);
    });
    OpenDisplayOptions(meter, kMeterWindowOptionFlags, 420, 40);
}

} // namespace
