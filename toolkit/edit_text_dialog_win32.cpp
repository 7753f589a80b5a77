// The edit-text dialog: a one-line editor laid over a control, modal, built
// from an item-less template. Its result buffer belongs to the caller; the
// context lives on EditTextDialog's stack and the dialog forgets it when its
// window goes, so nothing is written after the call returns.
#include "toolkit/value_entry.h"

#include <cstring>

namespace {

struct EditTextContext {
    int32_t x; // screen position and size of the edit area
    int32_t y;
    int32_t width;
    int32_t height;
    uint32_t attr;           // colours (bits 0-7) and font (bits 8-11)
    char* text;              // the result, kEditTextSize bytes, empty unless accepted
    uint16_t font;           // toolkit font index
    HWND edit;               // the edit child
    HWND dialog;             // the dialog itself
    WNDPROC editProc;        // the edit's own procedure, called by the subclass
    const char* initialText; // shown all selected at the start
    int32_t ended;           // EndDialog has been called
};

EditTextContext* GetContext(HWND dialog) {
    return dialog ? static_cast<EditTextContext*>(GetDialogData(dialog)) : nullptr;
}

void End(EditTextContext* context) {
    if (context->ended) return;
    context->ended = 1;
    EndDialog(context->dialog, 0);
}

void OnAccept(EditTextContext* context) {
    if (context->ended) return;
    GetWindowTextA(context->edit, context->text, static_cast<int>(kEditTextSize));
    context->text[kEditTextSize - 1] = '\0';
    End(context);
}

void OnAbandon(EditTextContext* context) {
    if (context->ended) return;
    context->text[0] = '\0';
    End(context);
}

// Keys and focus of the edit: Enter accepts, Esc abandons, and so does
// the focus going anywhere but the dialog. Posted, so that the edit's own
// message finishes before the dialog ends.
LRESULT CALLBACK EditSubclassProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = GetParent(edit);
    EditTextContext* context = GetContext(dialog);
    if (!context) return DefWindowProcA(edit, message, wParam, lParam);
    WNDPROC own = context->editProc;
    switch (message) {
    case WM_GETDLGCODE:
        return CallWindowProcA(own, edit, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 27) return 0; // no beep for the keys taken above
        break;
    case WM_SYSKEYDOWN: PostMessageA(dialog, WM_CLOSE, 0, 0); return 0;
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != dialog) PostMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    default: break;
    }
    return CallWindowProcA(own, edit, message, wParam, lParam);
}

INT_PTR OnInitDialog(HWND dialog, EditTextContext* context) {
    context->dialog = dialog;
    SetDialogData(dialog, context);
    SetToolkitPopup(kPopupEditValue, dialog);

    const int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    SetWindowPos(dialog, nullptr, context->x, context->y, context->width + 2 * frameX,
                 context->height + 2 * frameY, SWP_NOZORDER | SWP_NOACTIVATE);

    context->edit = CreateValueEdit(dialog, kEditTextFieldId, 0, 0, context->width, context->height,
                                    ToolkitFont(context->font), 0);
    if (!context->edit) {
        OnAbandon(context);
        return FALSE;
    }
    SendMessageA(context->edit, EM_LIMITTEXT, kEditTextSize - 1, 0);
    SetWindowTextA(context->edit, context->initialText ? context->initialText : "");
    context->editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        context->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditSubclassProc)));
    SendMessageA(context->edit, EM_SETSEL, 0, -1);
    SetFocus(context->edit);
    return FALSE; // the focus is set
}

void OnDestroy(HWND dialog, EditTextContext* context) {
    if (context->edit && context->editProc)
        SetWindowLongPtrA(context->edit, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(context->editProc));
    if (ToolkitPopup(kPopupEditValue) == dialog) SetToolkitPopup(kPopupEditValue, nullptr);
    SetDialogData(dialog, nullptr);
}

void OnCommand(EditTextContext* context, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK: OnAccept(context); break;
    case IDCANCEL: OnAbandon(context); break;
    default: break;
    }
}

void OnKillFocus(EditTextContext* context, HWND to) {
    if (to != context->edit) PostMessageA(context->dialog, WM_CLOSE, 0, 0);
}

INT_PTR CALLBACK EditTextDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<EditTextContext*>(lParam));
    EditTextContext* context = GetContext(dialog);
    if (!context) return FALSE;
    switch (message) {
    case WM_COMMAND: OnCommand(context, wParam); return TRUE;
    case WM_CLOSE: OnAbandon(context); return TRUE;
    case WM_SYSKEYDOWN: OnAbandon(context); return TRUE;
    case WM_KILLFOCUS: OnKillFocus(context, reinterpret_cast<HWND>(wParam)); return FALSE;
    case WM_CTLCOLOREDIT: return ValueEditColors(reinterpret_cast<HDC>(wParam), context->attr);
    case WM_DESTROY: OnDestroy(dialog, context); return FALSE;
    default: return FALSE;
    }
}

} // namespace

char* EditTextDialog(HWND owner, uint32_t attr, int x, int y, int width, int height,
                     const char* initialText) {
    auto* text = static_cast<char*>(ValueEntryGetOps()->allocate(kEditTextSize));
    if (!text) return nullptr;
    text[0] = '\0';

    if (HWND open = ToolkitPopup(kPopupEditValue)) SendMessageA(open, WM_CLOSE, 0, 0);

    EditTextContext context = {};
    context.x = x;
    context.y = y;
    context.width = width;
    context.height = height;
    context.attr = attr;
    context.text = text;
    context.font = static_cast<uint16_t>((attr >> 8) & 15);
    context.initialText = initialText;
    RunTemplateDialog(WS_POPUP | WS_VISIBLE | WS_BORDER | DS_MODALFRAME, owner, EditTextDialogProc,
                      reinterpret_cast<LPARAM>(&context));
    // A dialog destroyed with its owner never ended: abandoned.
    if (!context.ended) text[0] = '\0';
    return text;
}
