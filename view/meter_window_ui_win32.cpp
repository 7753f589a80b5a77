#include "view/meter_window_ui.h"

#include <cstdlib>

#include "display/display_options_dialog.h"
#include "view/cue_list_dialog.h"
#include "toolkit/toolkit.h"

namespace {

int DefaultMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

void FreeText(char* text) {
    std::free(text);
}

const MeterWindowUi kDefaultUi = {
    DefaultMessageBox,  // messageBox
    EditTextDialog,     // editText
    FreeText,           // freeText
    OpenDisplayOptions, // displayOptions
    OpenCueList,        // cueList
};

MeterWindowUi g_ui = kDefaultUi;

} // namespace

const MeterWindowUi* GetMeterWindowUi() {
    return &g_ui;
}

void SetMeterWindowUi(const MeterWindowUi* ui) {
    g_ui = ui ? *ui : kDefaultUi;
}
