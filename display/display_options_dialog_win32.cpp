#include "display/display_options_dialog.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "display/meter_objects.h"
#include "display/meter_settings.h"
#include "toolkit/number_text.h"
#include "toolkit/toolkit.h"
#include "toolkit/value_entry.h"

namespace {

enum : int {
    kColourListId = 31,
    kPatternListId = 30,
    kChangeId = 20,
    kResetId = 21,
};
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 520;
constexpr int kColourCount = 14;
constexpr int kOscilloscopeFirstColour = 12;

// The colour list's entries and the colour each edits.
struct ColourEntry {
    const char* text;
    uint32_t MeterSettingsValues::*colour;
};
const ColourEntry kColours[kColourCount] = {
    {"Max Clip/Max Level", &MeterSettingsValues::maxColor},
    {"Clip/Max Level (Border)", &MeterSettingsValues::maxBorder},
    {"Clip/Max Level (Brush)", &MeterSettingsValues::maxBrush},
    {"Nominal Level (Border)", &MeterSettingsValues::nomBorder},
    {"Nominal Level (Brush)", &MeterSettingsValues::nomBrush},
    {"Reduc./dynamic Level (Border)", &MeterSettingsValues::attnBorder},
    {"Reduc./dynamic Level (Brush)", &MeterSettingsValues::attnBrush},
    {"Max Average Level", &MeterSettingsValues::moyColor},
    {"Average Level (Border)", &MeterSettingsValues::moyBorder},
    {"Average Level (Brush)", &MeterSettingsValues::moyBrush},
    {"Phase Correlator +", &MeterSettingsValues::corelOn},
    {"Phase Correlator -", &MeterSettingsValues::corelOff},
    {"Electron Color (Oscillo)", &MeterSettingsValues::electron},
    {"Screen Persistence (Oscillo)", &MeterSettingsValues::persistence},
};
enum ColourIndex {
    kMaxClip = 0,
    kMaxBorderEntry = 1,
    kMaxBrushEntry = 2,
    kNominalBrushEntry = 4,
    kReductionBrushEntry = 6,
    kMaxAverage = 7,
    kAverageBrushEntry = 9,
};

const char* const kPatterns[] = {"Solid Brush", "Line 1",  "Line 2", "Line 3",
                                 "Line 4",      "Point 1", "Point 2"};
constexpr int kPatternCount = 7;

// When a field or a label is shown.
enum Shown { kAlways, kLevelMeter, kOscilloscope, kFlagged };

// What a field's value must be corrected to after it was read.
enum Fixup { kNoFixup, kAboveHead, kAboveLevelMin, kNotBelowPeakFall };

// One edit field, in the order OK reads them.
struct Field {
    int id;
    Shown shown;
    uint32_t flag;                     // for kFlagged
    float MeterSettingsValues::*value; // null: the frame rate
    int x, y, width;
    const char* format;
    float scale; // shown = stored x scale (milliseconds)
    float low, high;
    Fixup fixup;
};
const Field kFields[] = {
    {100, kAlways, 0, &MeterSettingsValues::dbHead, 210, 238, 50, "%0.1f", 1, -90, 24, kNoFixup},
    {101, kAlways, 0, &MeterSettingsValues::dbMax, 210, 261, 50, "%0.1f", 1, -90, 24, kAboveHead},
    {200, kOscilloscope, 0, &MeterSettingsValues::delayElectron, 130, 310, 50, "%0.1f", 1000, 5,
     100, kNoFixup},
    {201, kOscilloscope, 0, &MeterSettingsValues::delayPersistence, 130, 333, 50, "%0.1f", 1000, 0,
     300, kNoFixup},
    {202, kLevelMeter, 0, &MeterSettingsValues::levelMaxDb, 130, 310, 50, "%0.1f", 1, -200, 100,
     kNoFixup},
    {203, kLevelMeter, 0, &MeterSettingsValues::levelMinDb, 130, 333, 50, "%0.1f", 1, -199, 101,
     kAboveLevelMin},
    {204, kFlagged, kOptionsZeroPoint, &MeterSettingsValues::displayDbOffset, 225, 310, 50, "%0.2f",
     1, -24, 24, kNoFixup},
    {205, kFlagged, kOptionsAttack, &MeterSettingsValues::attack, 240, 408, 50, "%0.1f", 1, 0, 96,
     kNoFixup},
    {206, kFlagged, kOptionsReduceGain, &MeterSettingsValues::reduceMinDb, 35, 455, 40, "%.1f", 1,
     -60, -6, kNoFixup},
    {207, kFlagged, kOptionsDiapason, &MeterSettingsValues::diapason, 30, 455, 40, "%.1f", 1, 20,
     15000, kNoFixup},
    {208, kFlagged, kOptionsPhaseRelease, &MeterSettingsValues::phaseRelease, 140, 455, 36, "%.1f",
     1, 0.0999f, 30, kNoFixup},
    {209, kFlagged, kOptionsSyncDelay, &MeterSettingsValues::delay, 226, 455, 44, "%0.3f", 1, 0, 5,
     kNoFixup},
    {210, kOscilloscope, 0, &MeterSettingsValues::rangeRelease, 140, 385, 50, "%0.1f", 1, 0, 100,
     kNoFixup},
    {211, kLevelMeter, 0, &MeterSettingsValues::maxDbPerS, 140, 385, 50, "%0.1f", 1, 0.1f, 100,
     kNoFixup},
    {212, kLevelMeter, 0, &MeterSettingsValues::moyDbPerS, 140, 408, 50, "%0.1f", 1, 0.1f, 100,
     kNotBelowPeakFall},
    {213, kAlways, 0, nullptr, 240, 385, 50, "%i", 1, 2, 30, kNoFixup},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

// A text drawn in the client area: group labels in font 5, the rest in font 4.
struct Label {
    const char* text;
    int x, y;
    Shown shown;
    uint32_t flag;
    bool group;
};
const Label kLabels[] = {
    {"Display nominal level as :", 95, 218, kAlways, 0, true},
    {"From", 175, 240, kAlways, 0, false},
    {"db", 264, 240, kAlways, 0, false},
    {"To", 175, 263, kAlways, 0, false},
    {"db", 264, 263, kAlways, 0, false},
    {"Level Range", 95, 292, kLevelMeter, 0, true},
    {"Max", 100, 312, kLevelMeter, 0, false},
    {"Min", 100, 335, kLevelMeter, 0, false},
    {"Delay Beam", 95, 292, kOscilloscope, 0, true},
    {"Elec.", 100, 312, kOscilloscope, 0, false},
    {"ms", 184, 312, kOscilloscope, 0, false},
    {"Pers.", 100, 335, kOscilloscope, 0, false},
    {"ms", 184, 335, kOscilloscope, 0, false},
    {"ZERO point", 210, 292, kFlagged, kOptionsZeroPoint, true},
    {"At", 208, 312, kFlagged, kOptionsZeroPoint, false},
    {"db", 279, 312, kFlagged, kOptionsZeroPoint, false},
    {"Release (db/s)", 95, 367, kAlways, 0, true},
    {"Peak", 100, 387, kLevelMeter, 0, false},
    {"Level", 100, 410, kLevelMeter, 0, false},
    {"Range", 100, 387, kOscilloscope, 0, false},
    {"Frame / Sec", 205, 367, kAlways, 0, true},
    {"N :", 218, 387, kAlways, 0, false},
    {"Atck.", 205, 410, kFlagged, kOptionsAttack, false},
    {"Reduc. Gain", 5, 437, kFlagged, kOptionsReduceGain, true},
    {"Min", 8, 457, kFlagged, kOptionsReduceGain, false},
    {"Diapason", 5, 437, kFlagged, kOptionsDiapason, true},
    {"Hz", 8, 457, kFlagged, kOptionsDiapason, false},
    {"Phase Release", 120, 437, kFlagged, kOptionsPhaseRelease, true},
    {"unity/s", 179, 457, kFlagged, kOptionsPhaseRelease, false},
    {"Sync Delay", 218, 437, kFlagged, kOptionsSyncDelay, true},
    {"Sec.", 273, 457, kFlagged, kOptionsSyncDelay, false},
};

// A zone of the preview and the colour entry a click on it selects.
struct PreviewZone {
    int left, top, right, bottom;
    int entry;
};
const PreviewZone kZones[] = {
    {11, 11, 39, 49, kMaxClip},
    {11, 51, 39, 99, kReductionBrushEntry},
    {11, 101, 39, 159, kMaxBorderEntry},
    {11, 161, 39, 199, kMaxAverage},
    {11, 201, 39, 422, kAverageBrushEntry},
    {51, 11, 79, 79, kMaxBrushEntry},
    {51, 81, 79, 149, kNominalBrushEntry},
    {51, 151, 79, 422, kAverageBrushEntry},
};

// The dialog's record: the open request and a private copy of the settings
// with drawing objects of its own, which the preview paints with.
struct OptionsDialog {
    HWND owner;
    int x, y;
    uint32_t flags;
    WindowDragState drag;
    MeterSettings copy;
    HWND ok, cancel, colourList, patternList, change, reset;
    HWND edits[kFieldCount]; // null for the fields not shown
    int selectedColour;      // 0 .. kColourCount - 1
};

HWND g_dialog = nullptr; // at most one dialog at a time

bool IsShown(const OptionsDialog* d, Shown shown, uint32_t flag) {
    const bool oscilloscope = (d->flags & kOptionsOscilloscope) != 0;
    switch (shown) {
    case kAlways: return true;
    case kLevelMeter: return !oscilloscope;
    case kOscilloscope: return oscilloscope;
    case kFlagged: return (d->flags & flag) != 0;
    }
    return false;
}

void WriteField(const OptionsDialog* d, int i) {
    const Field& f = kFields[i];
    char text[64];
    if (f.value)
        std::snprintf(text, sizeof text, f.format, double(d->copy.values.*f.value * f.scale));
    else
        std::snprintf(text, sizeof text, f.format, int(d->copy.values.framesPerS));
    SetWindowTextA(d->edits[i], text);
}

// A typed text with no digit at all is no number: the field keeps its value.
bool ReadNumber(HWND edit, float* out) {
    char text[256];
    GetWindowTextA(edit, text, sizeof text);
    if (!std::strpbrk(text, "0123456789")) return false;
    *out = static_cast<float>(TextToNumber(text));
    return true;
}

// Stores one field of the copy when it reads as a number in its range, then
// applies its correction.
void ReadField(OptionsDialog* d, int i) {
    const Field& f = kFields[i];
    MeterSettingsValues* v = &d->copy.values;
    float typed;
    if (!d->edits[i] || !ReadNumber(d->edits[i], &typed)) return;
    if (typed >= f.low && typed <= f.high) {
        if (f.value)
            v->*f.value = typed / f.scale;
        else
            v->framesPerS = static_cast<int32_t>(typed);
    }
    switch (f.fixup) {
    case kNoFixup: break;
    case kAboveHead:
        if (v->dbMax < v->dbHead + 1) v->dbMax = v->dbHead + 1;
        break;
    case kAboveLevelMin:
        if (v->levelMaxDb < v->levelMinDb + 1) v->levelMaxDb = v->levelMinDb + 1;
        break;
    case kNotBelowPeakFall:
        if (v->moyDbPerS < v->maxDbPerS) v->moyDbPerS = v->maxDbPerS;
        break;
    }
}

void MakeControls(OptionsDialog* d, HWND dialog) {
    d->ok = CreateDialogChild(dialog, "button", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 110, 492,
                              90, 25, IDOK, 5);
    d->cancel = CreateDialogChild(dialog, "button", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 205,
                                  492, 90, 25, IDCANCEL, 4);
    d->colourList = CreateDialogChild(dialog, "listbox", nullptr,
                                      WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                          LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                      WS_EX_CLIENTEDGE, 95, 5, 200, 152, kColourListId, 4);
    d->patternList = CreateDialogChild(dialog, "listbox", nullptr,
                                       WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                       WS_EX_CLIENTEDGE, 210, 160, 85, 50, kPatternListId, 4);
    d->change = CreateDialogChild(dialog, "button", "Change", WS_TABSTOP, 0, 155, 160, 50, 22,
                                  kChangeId, 4);
    d->reset =
        CreateDialogChild(dialog, "button", "Reset", WS_TABSTOP, 0, 155, 185, 50, 22, kResetId, 4);
    for (int i = 0; i < kFieldCount; ++i) {
        const Field& f = kFields[i];
        if (!IsShown(d, f.shown, f.flag)) continue;
        d->edits[i] = CreateDialogChild(dialog, "edit", nullptr, WS_TABSTOP | ES_AUTOHSCROLL,
                                        WS_EX_CLIENTEDGE, f.x, f.y, f.width, 19, f.id, 4);
        SendMessageA(d->edits[i], EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 2));
        WriteField(d, i);
    }
}

void FillLists(OptionsDialog* d) {
    for (const ColourEntry& c : kColours)
        SendMessageA(d->colourList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text));
    d->selectedColour = (d->flags & kOptionsOscilloscope) ? kOscilloscopeFirstColour : 0;
    SendMessageA(d->colourList, LB_SETCURSEL, d->selectedColour, 0);
    for (const char* p : kPatterns)
        SendMessageA(d->patternList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
    SendMessageA(d->patternList, LB_SETCURSEL, d->copy.values.brushType, 0);
}

BOOL OnInitDialog(HWND dialog, OptionsDialog* d) {
    SetDialogData(dialog, d);
    g_dialog = dialog;
    d->copy.values = GetMeterSettings()->values;
    BuildMeterObjects(&d->copy);
    SetWindowTextA(dialog, "Measure Display Options");
    WindowDragInit(&d->drag, dialog);
    MakeControls(d, dialog);
    FillLists(d);
    PlaceDialogClient(dialog, d->x, d->y, kClientWidth, kClientHeight);
    SetFocus(d->ok);
    return FALSE; // the focus is set
}

// ---- Preview ----

void FillZone(HDC dc, const MeterSettings* s, int left, int top, int right, int bottom,
              MeterPen border, MeterBrush fill) {
    PenAndBrush objects(dc, MeterSettingsPen(s, border), MeterSettingsBrush(s, fill));
    Rectangle(dc, left, top, right + 1, bottom + 1);
}

void Marker(HDC dc, const MeterSettings* s, int left, int right, int y, MeterPen pen) {
    HGDIOBJ old = SelectObject(dc, MeterSettingsPen(s, pen));
    for (int dy = 0; dy < 3; ++dy) {
        MoveToEx(dc, left, y + dy, nullptr);
        LineTo(dc, right + 1, y + dy);
    }
    SelectObject(dc, old);
}

// Two bars on black: on the left the markers and the reduction and border
// zones, on the right the three level zones, and the correlator below. Each
// zone answers the click table above.
void PaintPreview(const OptionsDialog* d, HDC dc) {
    const MeterSettings* s = &d->copy;
    RECT back = {4, 4, 87, 467};
    FillRect(dc, &back, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    Marker(dc, s, 11, 39, 29, kPenMaxColor);
    FillZone(dc, s, 11, 51, 39, 99, kPenReduction, kBrushReductionZone);
    FillZone(dc, s, 11, 101, 39, 159, kPenMaxBorder, kBrushMaxZone);
    Marker(dc, s, 11, 39, 179, kPenAverageColor);
    FillZone(dc, s, 11, 201, 39, 422, kPenAverageBorder, kBrushAverageZone);
    FillZone(dc, s, 51, 11, 79, 79, kPenMaxBorder, kBrushMaxZone);
    FillZone(dc, s, 51, 81, 79, 149, kPenNominalBorder, kBrushNominalZone);
    FillZone(dc, s, 51, 151, 79, 422, kPenAverageBorder, kBrushAverageZone);
    RECT minus = {11, 436, 45, 452}, plus = {45, 436, 80, 452};
    FillRect(dc, &minus, MeterSettingsBrush(s, kBrushCorrelOff));
    FillRect(dc, &plus, MeterSettingsBrush(s, kBrushCorrelOn));
    if (d->flags & kOptionsOscilloscope) {
        HGDIOBJ old = SelectObject(dc, MeterSettingsPen(s, kPenPersistence));
        MoveToEx(dc, 11, 460, nullptr);
        LineTo(dc, 80, 460);
        SelectObject(dc, MeterSettingsPen(s, kPenElectron));
        MoveToEx(dc, 11, 462, nullptr);
        LineTo(dc, 80, 462);
        SelectObject(dc, old);
    }
}

void PaintLabels(const OptionsDialog* d, HDC dc) {
    for (const Label& l : kLabels)
        if (IsShown(d, l.shown, l.flag))
            DrawTextAt(dc, (l.group ? 5u : 4u) << 8 | kAttrRelief, l.x, l.y, l.text);
    DrawLineAt(dc, 0, 95, 230, 295, 230);
    DrawLineAt(dc, 0, 95, 304, 295, 304);
    DrawLineAt(dc, 0, 95, 379, 295, 379);
    DrawLineAt(dc, 0, 5, 480, 295, 480);
}

BOOL OnPaint(HWND dialog, const OptionsDialog* d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    SetBkMode(dc, TRANSPARENT);
    PaintPreview(d, dc);
    PaintLabels(d, dc);
    EndPaint(dialog, &ps);
    return TRUE;
}

// The colour list shows each entry with a swatch of its pending colour.
BOOL OnDrawItem(const OptionsDialog* d, const DRAWITEMSTRUCT* item) {
    if (item->CtlID != kColourListId || item->itemID >= UINT(kColourCount)) return FALSE;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    RECT r = item->rcItem;
    FillRect(item->hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    HBRUSH swatch = CreateSolidBrush(d->copy.values.*kColours[item->itemID].colour);
    RECT box = {r.left + 2, r.top + 2, r.left + 18, r.bottom - 2};
    FillRect(item->hDC, &box, swatch);
    FrameRect(item->hDC, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DeleteObject(swatch);
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = SelectObject(item->hDC, ToolkitFont(4));
    TextOutA(item->hDC, r.left + 22, r.top + 1, kColours[item->itemID].text,
             int(std::strlen(kColours[item->itemID].text)));
    SelectObject(item->hDC, oldFont);
    return TRUE;
}

// ---- Commands ----

void Refresh(OptionsDialog* d, HWND dialog) {
    BuildMeterObjects(&d->copy);
    InvalidateRect(dialog, nullptr, FALSE);
    InvalidateRect(d->colourList, nullptr, FALSE);
}

void SelectColour(OptionsDialog* d, HWND dialog, int entry) {
    d->selectedColour = entry;
    SendMessageA(d->colourList, LB_SETCURSEL, entry, 0);
    InvalidateRect(dialog, nullptr, FALSE);
}

void OnChangeColour(OptionsDialog* d, HWND dialog) {
    uint32_t* colour = &(d->copy.values.*kColours[d->selectedColour].colour);
    CHOOSECOLORA chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = dialog;
    chooser.rgbResult = *colour;
    chooser.lpCustColors = reinterpret_cast<COLORREF*>(MeterCustomColours());
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&chooser)) return;
    *colour = chooser.rgbResult;
    Refresh(d, dialog);
}

void OnPatternChange(OptionsDialog* d, HWND dialog) {
    const LRESULT sel = SendMessageA(d->patternList, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR || sel >= kPatternCount || sel == d->copy.values.brushType) return;
    d->copy.values.brushType = static_cast<int32_t>(sel);
    Refresh(d, dialog);
}

// The fields show the defaults too: OK reads the fields back, and would
// otherwise put the old numbers over the defaults.
void OnReset(OptionsDialog* d, HWND dialog) {
    if (MessageBoxA(dialog, "Are you sure !?", "Reset All", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    d->copy.values = *MeterSettingsDefaults();
    for (int i = 0; i < kFieldCount; ++i)
        if (d->edits[i]) WriteField(d, i);
    SendMessageA(d->patternList, LB_SETCURSEL, d->copy.values.brushType, 0);
    Refresh(d, dialog);
}

// Reads every field shown, then puts the copy in place of the global record
// as a whole block: the record's old objects go with the dialog.
void OnOk(OptionsDialog* d, HWND dialog) {
    for (int i = 0; i < kFieldCount; ++i)
        ReadField(d, i);
    MeterSettings* global = GetMeterSettings();
    MeterSettings previous = *global;
    *global = d->copy;
    d->copy = previous;
    EndDialog(dialog, 1);
}

BOOL OnCommand(OptionsDialog* d, HWND dialog, WORD id, WORD code) {
    switch (id) {
    case IDOK: OnOk(d, dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    case kColourListId:
        if (code == LBN_SELCHANGE) {
            const LRESULT sel = SendMessageA(d->colourList, LB_GETCURSEL, 0, 0);
            if (sel >= 0 && sel < kColourCount) SelectColour(d, dialog, int(sel));
        }
        return TRUE;
    case kPatternListId:
        if (code == LBN_SELCHANGE) OnPatternChange(d, dialog);
        return TRUE;
    case kChangeId: OnChangeColour(d, dialog); return TRUE;
    case kResetId: OnReset(d, dialog); return TRUE;
    default: return FALSE;
    }
}

// A click on a preview zone selects its colour; anywhere else moves the dialog.
void OnButtonDown(OptionsDialog* d, HWND dialog, int x, int y) {
    for (const PreviewZone& z : kZones)
        if (x >= z.left && x <= z.right && y >= z.top && y <= z.bottom) {
            SelectColour(d, dialog, z.entry);
            return;
        }
    WindowDragBegin(&d->drag, x, y);
}

void OnDestroy(OptionsDialog* d) {
    DestroyMeterObjects(&d->copy);
    g_dialog = nullptr;
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<OptionsDialog*>(lParam));
    auto* d = static_cast<OptionsDialog*>(GetDialogData(dialog));
    if (!d) return FALSE;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_COMMAND: return OnCommand(d, dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_MEASUREITEM: reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 15; return TRUE;
    case WM_DRAWITEM: return OnDrawItem(d, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_LBUTTONDOWN: OnButtonDown(d, dialog, x, y); return TRUE;
    case WM_MOUSEMOVE: WindowDragMove(&d->drag, x, y); return TRUE;
    case WM_LBUTTONUP: WindowDragEnd(&d->drag, x, y); return TRUE;
    case WM_PAINT: return OnPaint(dialog, d);
    case WM_ERASEBKGND: return EraseDialogTextured(dialog, reinterpret_cast<HDC>(wParam));
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    case WM_DESTROY: OnDestroy(d); return TRUE;
    default: return FALSE;
    }
}

} // namespace

int OpenDisplayOptions(HWND owner, uint32_t flags, int x, int y) {
    if (g_dialog) {
        SetWindowPos(g_dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        return 0;
    }
    auto* d = new (std::nothrow) OptionsDialog();
    if (!d) return 0;
    d->owner = owner;
    d->x = x;
    d->y = y;
    d->flags = flags;
    const INT_PTR result =
        RunTemplateDialog(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, owner,
                          OptionsProc, reinterpret_cast<LPARAM>(d));
    delete d;
    return result == 1 ? 1 : 0;
}

void CloseDisplayOptions() {
    if (g_dialog) SendMessageA(g_dialog, WM_CLOSE, 0, 0);
}

HWND DisplayOptionsWindow() {
    return g_dialog;
}
