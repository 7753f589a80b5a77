#include "view/cue_list_dialog.h"

#include <cstdio>

#include "history/cue_store.h"
#include "meter/meter_engine.h"
#include "toolkit/formats.h"
#include "toolkit/toolkit.h"
#include "toolkit/value_entry.h"
#include "view/history_graph.h"

namespace {

enum : int { kListId = 31, kDeleteId = 100, kQuitId = 2 };
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 420;

// The dialog's record, the caller's for the dialog's lifetime.
struct CueListDialog {
    HWND parent;
    int x, y;       // screen position asked for
    uint32_t flags; // unused, 0
    HWND list, deleteButton, quitButton;
    MeterWindowContext* context;
    WindowDragState drag;
};

HistoryStore* Store(const CueListDialog* d) {
    return &d->context->engine->frame.history;
}

// "000 H 01' 02 : 345 ms - name": the clock without its sign.
void FormatEntry(const CueRecord* cue, int32_t rate, char* out, size_t size) {
    char clock[64];
    FormatSampleClock(cue->samplePosition, rate, 25.0f, clock, sizeof clock, 0);
    std::snprintf(out, size, "%s - %s", clock + 1, cue->name);
}

void FillList(CueListDialog* d) {
    const HistoryStore* store = Store(d);
    const int32_t rate = static_cast<int32_t>(MeterGetSampleRate(d->context->engine));
    char entry[256];
    for (int32_t k = 1; k <= CueCount(store); ++k) {
        FormatEntry(CueAt(store, k), rate, entry, sizeof entry);
        SendMessageA(d->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    if (CueSelected(store) > 0) SendMessageA(d->list, LB_SETCURSEL, CueSelected(store) - 1, 0);
}

BOOL OnInitDialog(HWND dialog, CueListDialog* d) {
    SetDialogData(dialog, d);
    d->context->cueListDialog = dialog;
    SetWindowTextA(dialog, "Cue List");
    WindowDragInit(&d->drag, dialog);
    d->list = CreateDialogChild(dialog, "listbox", nullptr,
                                WS_CLIPCHILDREN | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT |
                                    LBS_NOTIFY,
                                WS_EX_CLIENTEDGE, 5, 5, 290, 370, kListId, 6);
    d->deleteButton = CreateDialogChild(dialog, "button", "Delete", WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        0, 110, 392, 90, 25, kDeleteId, 5);
    d->quitButton = CreateDialogChild(dialog, "button", "Quit", WS_TABSTOP | BS_PUSHBUTTON, 0, 205,
                                      392, 90, 25, kQuitId, 4);
    // Through the dialog manager, so that activation restores it.
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(d->deleteButton), TRUE);
    FillList(d);
    PlaceDialogClient(dialog, d->x, d->y, kClientWidth, kClientHeight);
    KeepOnScreen(dialog);
    return FALSE; // the focus is set
}

void OnSelectionChange(CueListDialog* d) {
    const LRESULT sel = SendMessageA(d->list, LB_GETCURSEL, 0, 0);
    if (sel != LB_ERR) JumpToCue(d->context->engine, static_cast<int32_t>(sel) + 1);
}

void OnDelete(CueListDialog* d) {
    const LRESULT sel = SendMessageA(d->list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) return;
    if (DeleteCue(Store(d), static_cast<int32_t>(sel) + 1)) MeterRepaint(d->context->engine);
    SendMessageA(d->list, LB_DELETESTRING, sel, 0);
}

BOOL OnCommand(HWND dialog, CueListDialog* d, WORD id, WORD code) {
    switch (id) {
    case IDOK:
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    case kListId:
        if (code == LBN_SELCHANGE) OnSelectionChange(d);
        return TRUE;
    case kDeleteId: OnDelete(d); return TRUE;
    default: return FALSE;
    }
}

BOOL OnPaint(HWND dialog) {
    PAINTSTRUCT ps;
    BeginPaint(dialog, &ps);
    EndPaint(dialog, &ps);
    return TRUE;
}

INT_PTR CALLBACK CueListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<CueListDialog*>(lParam));
    auto* d = static_cast<CueListDialog*>(GetDialogData(dialog));
    if (!d) return FALSE;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_COMMAND: return OnCommand(dialog, d, LOWORD(wParam), HIWORD(wParam));
    case WM_MOUSEMOVE: WindowDragMove(&d->drag, x, y); return TRUE;
    case WM_LBUTTONDOWN: WindowDragBegin(&d->drag, x, y); return TRUE;
    case WM_LBUTTONUP: WindowDragEnd(&d->drag, x, y); return TRUE;
    case WM_PAINT: return OnPaint(dialog);
    case WM_ERASEBKGND: return EraseDialogTextured(dialog, reinterpret_cast<HDC>(wParam));
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    case WM_DESTROY: d->context->cueListDialog = nullptr; return TRUE;
    default: return FALSE;
    }
}

} // namespace

void JumpToCue(MeterEngine* engine, int32_t k) {
    const int32_t target = CueJumpTarget(&engine->frame.history, k, MeterGetZoom(engine));
    HWND window = static_cast<HWND>(MeterGetWindow(engine));
    if (target < 0 || !window) return;
    ScrollHistory(engine, window, kScrollAbsolute, 0, target);
}

int OpenCueList(MeterWindowContext* context, HWND parent, uint32_t flags, int x, int y) {
    CueListDialog d = {};
    d.parent = parent;
    d.x = x;
    d.y = y;
    d.flags = flags;
    d.context = context;
    RunTemplateDialog(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, parent,
                      CueListProc, reinterpret_cast<LPARAM>(&d));
    return 0;
}
