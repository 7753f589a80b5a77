// The in-memory dialog template and the edit fields the toolkit's dialogs
// share, and the replaceable platform calls behind them.
#include "toolkit/value_entry.h"

#include <cstdlib>
#include <cstring>

namespace {

void* SystemAllocate(size_t size) {
    return std::calloc(1, size);
}

HGLOBAL SystemGlobalAlloc(UINT flags, SIZE_T size) {
    return GlobalAlloc(flags, size);
}

const ValueEntryOps kSystemOps = {
    SystemAllocate,    // allocate
    SystemGlobalAlloc, // globalAlloc
};
const ValueEntryOps* g_ops = &kSystemOps;

} // namespace

void ValueEntrySetOps(const ValueEntryOps* ops) {
    g_ops = ops ? ops : &kSystemOps;
}

const ValueEntryOps* ValueEntryGetOps() {
    return g_ops;
}

HGLOBAL MakeDialogTemplate(DWORD style, const char* title) {
    if (!title) title = "";
    const size_t titleLength = std::strlen(title);
    // DLGTEMPLATE, then the menu and class words (0: none, default class)
    // and the caption as UTF-16, as every template is.
    const size_t size = sizeof(DLGTEMPLATE) + 2 * sizeof(WORD) + (titleLength + 1) * sizeof(WCHAR);
    HGLOBAL memory = g_ops->globalAlloc(GMEM_ZEROINIT, size);
    if (!memory) return nullptr;
    auto* dialog = static_cast<DLGTEMPLATE*>(GlobalLock(memory));
    if (!dialog) {
        GlobalFree(memory);
        return nullptr;
    }
    dialog->style = style;
    auto* words = reinterpret_cast<WORD*>(dialog + 1);
    words[0] = 0; // no menu
    words[1] = 0; // the dialog class
    WORD* caption = words + 2;
    for (size_t i = 0; i < titleLength; ++i)
        caption[i] = static_cast<unsigned char>(title[i]); // the Latin-1 texts of the toolkit
    caption[titleLength] = 0;
    GlobalUnlock(memory);
    return memory;
}

INT_PTR RunTemplateDialog(DWORD style, HWND owner, DLGPROC proc, LPARAM param) {
    HGLOBAL memory = MakeDialogTemplate(style, nullptr);
    if (!memory) return -1;
    INT_PTR result = -1;
    if (auto* dialogTemplate = static_cast<LPCDLGTEMPLATEA>(GlobalLock(memory))) {
        if (owner && !IsWindow(owner)) owner = nullptr;
        result =
            DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, owner, proc, param);
        GlobalUnlock(memory);
    }
    GlobalFree(memory);
    return result;
}

HWND CreateDialogChild(HWND dialog, const char* cls, const char* text, DWORD style, DWORD exStyle,
                       int x, int y, int w, int h, int id, uint16_t font) {
    HWND child = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetWindowInstance(dialog), nullptr);
    if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(ToolkitFont(font)), 0);
    return child;
}

void PlaceDialogClient(HWND dialog, int x, int y, int w, int h) {
    RECT r = {0, 0, w, h};
    AdjustWindowRectEx(&r, GetWindowLongA(dialog, GWL_STYLE), FALSE,
                       GetWindowLongA(dialog, GWL_EXSTYLE));
    SetWindowPos(dialog, nullptr, x, y, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
}

BOOL EraseDialogTextured(HWND dialog, HDC dc) {
    TileBitmap(dialog, dc, 0, 0, ToolkitBitmap(12));
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
    return TRUE;
}

HWND CreateValueEdit(HWND dialog, int id, int x, int y, int width, int height, HFONT font,
                     DWORD extraStyle) {
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "edit", "",
                                WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | extraStyle, x, y, width,
                                height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetWindowInstance(dialog), nullptr);
    if (!edit) return nullptr;
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(2, 2));
    return edit;
}

INT_PTR ValueEditColors(HDC dc, uint32_t attr) {
    const uint16_t background = static_cast<uint16_t>((attr >> 4) & 15);
    SetTextColor(dc, PaletteColor(static_cast<uint16_t>(attr & 15)));
    SetBkColor(dc, PaletteColor(background));
    return reinterpret_cast<INT_PTR>(PaletteBrush(background));
}
