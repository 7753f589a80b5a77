// "Enter Time": the time-entry dialog. Modal, built from an item-less
// template and filled with its fields at initialisation. It works on the
// toolkit's own settings record, so a change outlives the dialog unless
// Cancel restores the copy taken at the start. The context lives on
// TimeEntryDialog's stack and the dialog forgets it when its window goes.
#include "toolkit/value_entry.h"

#include "toolkit/image_button.h"
#include "toolkit/number_text.h"

#include <windowsx.h>

#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 220;
constexpr int kApplyId = 3;
constexpr int kFieldTextSize = 128; // a field is read up to 127 characters

// The note palette (toolkit bitmap 6) and the strip of chosen notes.
constexpr int kPaletteX = 180;
constexpr int kPaletteY = 25;
constexpr int kCell = 32;
constexpr int kPaletteColumns = 5;
constexpr int kPaletteRows = 3;
constexpr RECT kStrip = {179, 160, 341, 194};
constexpr int kStripNoteX = 181;
constexpr int kStripNoteY = 162;
constexpr int kStripNote = 30;

constexpr uint32_t kTitleAttr = kAttrRelief | (9 << 8);
constexpr uint32_t kLabelAttr = kAttrRelief | (4 << 8);
constexpr uint32_t kFieldFont = 2; // Arial 12: fits the 17-pixel fields

struct FieldPlace {
    int id;
    int x, y, width, height;
};

const FieldPlace kEdits[] = {
    {kTimeSeconds, 6, 28, 125, 17}, {kTimeMilliseconds, 6, 48, 125, 17},
    {kTimeHertz, 6, 68, 125, 17},   {kTimeBpm, 6, 88, 125, 17},
    {kTimeMetres, 6, 108, 125, 17}, {kTimeSamples, 6, 128, 125, 17},
    {kTimeTempo, 181, 126, 60, 17}, {kTimePosition, 360, 25, 162, 17},
    {kTimeTicks, 360, 58, 50, 17},  {kTimeFrames, 360, 155, 162, 17},
    {kTimeFps, 455, 185, 67, 17},
};

// The fields that show the duration; rewritten whenever it changes.
const int kDurationFields[] = {kTimeSeconds, kTimeMilliseconds, kTimeHertz,    kTimeBpm,
                               kTimeMetres,  kTimeSamples,      kTimePosition, kTimeFrames};

struct Label {
    uint32_t attr;
    int x, y;
    const char* text;
};

const Label kLabels[] = {
    {kTitleAttr, 5, 2, "Enter Time"},
    {kLabelAttr, 135, 30, "(s)"},
    {kLabelAttr, 135, 50, "(ms)"},
    {kLabelAttr, 135, 70, "(Hz)"},
    {kLabelAttr, 135, 90, "(bpm)"},
    {kLabelAttr, 135, 110, "(m)"},
    {kLabelAttr, 135, 130, "(smp)"},
    {kTitleAttr, 180, 2, "Enter Musical Time"},
    {kLabelAttr, 247, 127, "Tempo"},
    {kLabelAttr, 245, 144, "Replace mode"},
    {kLabelAttr, 179, 196, "Musical duration."},
    {kTitleAttr, 360, 2, "Enter Musical Position"},
    {kLabelAttr, 362, 44, "tic"},
    {kLabelAttr, 421, 44, "Time Signature"},
    {kTitleAttr, 360, 130, "Enter Video Frame"},
    {kLabelAttr, 360, 187, "Frame per second"},
};

struct Button {
    int id;
    const char* text;
    int x, y, width, height;
    DWORD style;
};

const Button kButtons[] = {
    {IDOK, "OK", 5, 185, 70, 25, BS_DEFPUSHBUTTON},
    {IDCANCEL, "Cancel", 80, 185, 70, 25, BS_PUSHBUTTON},
    {kApplyId, "Apply", 275, 197, 67, 15, BS_PUSHBUTTON},
};

struct TimeEntryContext {
    TimeEntrySettings* settings; // the toolkit's, changed in place
    TimeEntrySettings backup;    // restored by Cancel
    float result;                // kTimeEntryCancelled unless OK
    int32_t busy;                // fields are being rewritten: ignore their changes
    double seconds;              // the duration
    uint32_t attr;               // field colours
    int32_t x, y;                // screen position
    HWND dialog;
    int32_t pressedCell; // palette cell held down, -1 when none
    WindowDragState drag;
    int32_t ended;
};

TimeEntryContext* GetContext(HWND dialog) {
    return dialog ? static_cast<TimeEntryContext*>(GetDialogData(dialog)) : nullptr;
}

bool IsEdit(int id) {
    for (const FieldPlace& field : kEdits)
        if (field.id == id) return true;
    return false;
}

void WriteField(TimeEntryContext* context, int id) {
    char text[kFieldTextSize];
    TimeEntryFieldText(context->settings, id, context->seconds, text, sizeof text);
    context->busy = 1;
    SetDlgItemTextA(context->dialog, id, text);
    context->busy = 0;
}

// Rewrites the duration's fields from context->seconds, except the one
// being typed in.
void WriteDuration(TimeEntryContext* context, int except) {
    for (int id : kDurationFields)
        if (id != except) WriteField(context, id);
}

void SetDuration(TimeEntryContext* context, double seconds, int except) {
    context->seconds = seconds;
    WriteDuration(context, except);
}

int PaletteCell(int x, int y) {
    const int column = x - kPaletteX;
    const int row = y - kPaletteY;
    if (column < 0 || row < 0 || column >= kPaletteColumns * kCell || row >= kPaletteRows * kCell)
        return -1;
    return (row / kCell) * kPaletteColumns + column / kCell;
}

RECT CellRect(int cell) {
    const int left = kPaletteX + (cell % kPaletteColumns) * kCell;
    const int top = kPaletteY + (cell / kPaletteColumns) * kCell;
    return RECT{left, top, left + kCell, top + kCell};
}

bool InStrip(int x, int y) {
    return x >= kStrip.left && x <= kStrip.right && y >= kStrip.top && y <= kStrip.bottom;
}

void InvertCell(HWND dialog, int cell) {
    HDC dc = GetDC(dialog);
    if (!dc) return;
    RECT rect = CellRect(cell);
    InvertRect(dc, &rect);
    ReleaseDC(dialog, dc);
}

// ---- Painting ----

void PaintStrip(const TimeEntryContext* context, HDC dc) {
    DrawBox(dc, kAttrRelief, kStrip.left, kStrip.top, kStrip.right, kStrip.bottom);
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, ToolkitBitmap(6));
    const int count = NoteCount(context->settings);
    for (int i = 0; i < count; ++i) {
        const int note = context->settings->notes[i];
        const int x = kStripNoteX + i * kCell;
        BitBlt(dc, x, kStripNoteY, kStripNote, kStripNote, source,
               (note % kPaletteColumns) * kCell + 1, (note / kPaletteColumns) * kCell + 1,
               NOTSRCCOPY);
        if (i > 0) DrawLineAt(dc, 15, x - 5, kStripNoteY + 24, x + 3, kStripNoteY + 24); // tie
    }
    SelectObject(source, old);
    DeleteDC(source);
}

void PaintStatic(const TimeEntryContext* context, HDC dc) {
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    for (const Label& label : kLabels)
        DrawTextAt(dc, label.attr, label.x, label.y, label.text);
    char rate[64];
    std::snprintf(rate, sizeof rate, "Freq. Sample : %uHz",
                  static_cast<unsigned>(context->settings->sampleRate));
    DrawTextAt(dc, kLabelAttr, 8, 149, rate);
    SetBkMode(dc, oldMode);
    for (int x : {170, 352})
        DrawLineAt(dc, kAttrRelief | 9, x, 2, x, 212);
    BlitWholeBitmap(dc, kPaletteX, kPaletteY, ToolkitBitmap(6));
    if (context->pressedCell >= 0) {
        RECT cell = CellRect(context->pressedCell);
        InvertRect(dc, &cell);
    }
    PaintStrip(context, dc);
}

void RedrawStrip(const TimeEntryContext* context) {
    HDC dc = GetDC(context->dialog);
    if (!dc) return;
    PaintStrip(context, dc);
    ReleaseDC(context->dialog, dc);
}

// ---- Creation ----

void CreateFields(TimeEntryContext* context) {
    HWND dialog = context->dialog;
    HFONT font = ToolkitFont(kFieldFont);
    for (const FieldPlace& field : kEdits)
        CreateValueEdit(dialog, field.id, field.x, field.y, field.width, field.height, font,
                        WS_TABSTOP);
    for (const Button& button : kButtons) {
        HWND window = CreateWindowExA(0, "button", button.text,
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | button.style, button.x,
                                      button.y, button.width, button.height, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)),
                                      GetWindowInstance(dialog), nullptr);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    const struct { int id, x; } lists[] = {{kTimeBeatsPerBar, 420}, {kTimeBeatUnit, 475}};
    for (const auto& list : lists) {
        HWND window = CreateWindowExA(
            WS_EX_CLIENTEDGE, "listbox", "",
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
            list.x, 58, 50, 60, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(list.id)),
            GetWindowInstance(dialog), nullptr);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    char text[8];
    for (int beats = 64; beats >= 1; --beats) {
        std::snprintf(text, sizeof text, "%d", beats);
        SendDlgItemMessageA(dialog, kTimeBeatsPerBar, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text));
    }
    for (int index = 0; index < 5; ++index) {
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(BeatUnitOfIndex(index)));
        SendDlgItemMessageA(dialog, kTimeBeatUnit, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    HWND replace = CreateStandardButton(dialog, kTimeReplace, 315, 126, 0);
    SendMessageA(replace, WM_COMMAND, kRequestSetValue,
                 static_cast<LPARAM>(FloatToBits(context->settings->replaceMode ? 1.0f : 0.0f)));
}

void FillFields(TimeEntryContext* context) {
    WriteDuration(context, 0);
    for (int id : {kTimeTempo, kTimeTicks, kTimeFps})
        WriteField(context, id);
    SendDlgItemMessageA(context->dialog, kTimeBeatsPerBar, LB_SETCURSEL,
                        IndexOfBeatsPerBar(context->settings->beatsPerBar), 0);
    SendDlgItemMessageA(context->dialog, kTimeBeatUnit, LB_SETCURSEL,
                        IndexOfBeatUnit(context->settings->beatUnit), 0);
}

void FocusLastField(TimeEntryContext* context) {
    int id = static_cast<int>(context->settings->focusField & 0xFFFF);
    HWND field = GetDlgItem(context->dialog, id);
    if (!field || (!IsEdit(id) && id != kTimeBeatsPerBar && id != kTimeBeatUnit))
        field = GetDlgItem(context->dialog, kTimeSeconds);
    SetFocus(field);
    if (IsEdit(GetDlgCtrlID(field))) SendMessageA(field, EM_SETSEL, 0, -1);
}

// The window is sized so that its client area is 544 x 220 whatever its frame.
void PlaceDialog(TimeEntryContext* context) {
    RECT window, client;
    GetWindowRect(context->dialog, &window);
    GetClientRect(context->dialog, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(context->dialog, nullptr, context->x, context->y, kClientWidth + frameWidth,
                 kClientHeight + frameHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    KeepOnScreen(context->dialog);
}

// ---- Handlers ----

INT_PTR OnInitDialog(HWND dialog, TimeEntryContext* context) {
    context->dialog = dialog;
    SetDialogData(dialog, context);
    SetToolkitPopup(kPopupTimeEntry, dialog);
    WindowDragInit(&context->drag, dialog);
    PlaceDialog(context);
    CreateFields(context);
    FillFields(context);
    FocusLastField(context);
    return FALSE; // the focus is set
}

void OnDestroy(HWND dialog) {
    if (ToolkitPopup(kPopupTimeEntry) == dialog) SetToolkitPopup(kPopupTimeEntry, nullptr);
    SetDialogData(dialog, nullptr);
}

void End(TimeEntryContext* context) {
    if (context->ended) return;
    context->ended = 1;
    if (GetCapture() == context->dialog) ReleaseCapture();
    EndDialog(context->dialog, 0);
}

void OnFieldChange(TimeEntryContext* context, int id) {
    if (context->busy) return;
    char text[kFieldTextSize] = {};
    GetDlgItemTextA(context->dialog, id, text, sizeof text);
    if (TimeEntrySetSetting(context->settings, id, text)) {
        WriteField(context, id == kTimeFps ? kTimeFrames : kTimePosition);
        return;
    }
    const double seconds = TimeEntrySecondsFromField(context->settings, id, text);
    if (seconds >= 0.0) SetDuration(context, seconds, id);
}

void OnListChange(TimeEntryContext* context, int id) {
    const int index =
        static_cast<int>(SendDlgItemMessageA(context->dialog, id, LB_GETCURSEL, 0, 0));
    if (index < 0) return;
    if (id == kTimeBeatsPerBar)
        context->settings->beatsPerBar = BeatsPerBarOfIndex(index);
    else
        context->settings->beatUnit = BeatUnitOfIndex(index);
    WriteField(context, kTimePosition);
}

void OnCommand(TimeEntryContext* context, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDOK:
        context->result = static_cast<float>(context->seconds);
        End(context);
        return;
    case IDCANCEL:
        *context->settings = context->backup;
        End(context);
        return;
    case kApplyId: SetDuration(context, NoteDuration(context->settings), 0); return;
    case kTimeReplace: // the toolkit button: lParam is its value
        context->settings->replaceMode = BitsToFloat(static_cast<uint32_t>(lParam)) != 0.0f;
        return;
    case kTimeBeatsPerBar:
    case kTimeBeatUnit:
        if (code == LBN_SELCHANGE) OnListChange(context, id);
        if (code == LBN_SETFOCUS) context->settings->focusField = static_cast<uint32_t>(id);
        return;
    default:
        if (!IsEdit(id)) return;
        if (code == EN_CHANGE) OnFieldChange(context, id);
        if (code == EN_SETFOCUS) context->settings->focusField = static_cast<uint32_t>(id);
        return;
    }
}

void OnLeftButtonDown(TimeEntryContext* context, int x, int y) {
    const int cell = PaletteCell(x, y);
    if (cell >= 0) {
        context->pressedCell = cell;
        InvertCell(context->dialog, cell);
        SetCapture(context->dialog);
        return;
    }
    if (!InStrip(x, y)) WindowDragBegin(&context->drag, x, y);
}

void OnMouseMove(TimeEntryContext* context, int x, int y) {
    if (context->drag.active) WindowDragMove(&context->drag, x, y);
}

void OnLeftButtonUp(TimeEntryContext* context, int x, int y) {
    if (context->drag.active) {
        WindowDragEnd(&context->drag, x, y);
        return;
    }
    const int cell = context->pressedCell;
    if (cell < 0) return;
    context->pressedCell = -1;
    InvertCell(context->dialog, cell);
    if (GetCapture() == context->dialog) ReleaseCapture();
    if (PaletteCell(x, y) != cell) return;
    PickNote(context->settings, cell);
    RedrawStrip(context);
    SetDuration(context, NoteDuration(context->settings), 0);
}

void OnPaint(const TimeEntryContext* context) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(context->dialog, &paint);
    if (dc) PaintStatic(context, dc);
    EndPaint(context->dialog, &paint);
}

INT_PTR CALLBACK TimeEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<TimeEntryContext*>(lParam));
    TimeEntryContext* context = GetContext(dialog);
    if (!context) return FALSE;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_COMMAND: OnCommand(context, wParam, lParam); return TRUE;
    case WM_CLOSE: End(context); return TRUE; // keeps the settings as they are
    case WM_LBUTTONDOWN: OnLeftButtonDown(context, x, y); return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(context, x, y); return TRUE;
    case WM_LBUTTONUP: OnLeftButtonUp(context, x, y); return TRUE;
    case WM_PAINT: OnPaint(context); return TRUE;
    case WM_ERASEBKGND: return EraseDialogTextured(dialog, reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return ValueEditColors(reinterpret_cast<HDC>(wParam), context->attr);
    case WM_DESTROY: OnDestroy(dialog); return FALSE;
    default: return FALSE;
    }
}

} // namespace

float TimeEntryDialog(HWND owner, uint32_t attr, int x, int y, float seconds) {
    if (HWND open = ToolkitPopup(kPopupTimeEntry)) SendMessageA(open, WM_CLOSE, 0, 0);

    TimeEntryContext context = {};
    context.settings = &ToolkitGetOptions()->timeEntry;
    context.backup = *context.settings;
    context.result = kTimeEntryCancelled;
    context.seconds = seconds > 0.0f ? seconds : 0.0;
    context.attr = attr;
    context.x = x;
    context.y = y;
    context.pressedCell = -1;

    RunTemplateDialog(WS_POPUP | WS_VISIBLE | WS_BORDER | DS_MODALFRAME, owner, TimeEntryDialogProc,
                      reinterpret_cast<LPARAM>(&context));
    return context.ended ? context.result : kTimeEntryCancelled;
}
