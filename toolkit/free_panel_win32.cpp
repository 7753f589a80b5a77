// The free panel: hands its messages to the creator's procedure.
#include "toolkit/free_panel.h"

#include <new>

namespace {

LRESULT PANEL_Call(const FreePanel* panel, HWND window, UINT message, WPARAM wParam,
                   LPARAM lParam) {
    if (!panel->procedure) return DefWindowProcA(window, message, wParam, lParam);
    return panel->procedure(window, message, wParam, lParam, panel->context);
}

LRESULT PANEL_Create(HWND window, WPARAM wParam, LPARAM lParam) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    const auto* model = static_cast<const FreePanel*>(create->lpCreateParams);
    // Without a creation record there is no procedure to serve the panel.
    if (!model) return -1;
    auto* panel = new (std::nothrow) FreePanel(*model);
    if (!panel) return -1;
    SetControlData(window, panel);
    const LRESULT result = PANEL_Call(panel, window, WM_CREATE, wParam, lParam);
    if (result == -1) {
        // Not every system sends WM_DESTROY after a refused creation: free
        // the instance here so that the procedure never sees one.
        SetControlData(window, nullptr);
        delete panel;
    }
    return result;
}

void PANEL_Destroy(FreePanel* panel, HWND window, WPARAM wParam, LPARAM lParam) {
    PANEL_Call(panel, window, WM_DESTROY, wParam, lParam);
    SetControlData(window, nullptr);
    delete panel;
}

} // namespace

LRESULT CALLBACK FreePanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetControlData(window, nullptr);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_CREATE) return PANEL_Create(window, wParam, lParam);
    auto* panel = static_cast<FreePanel*>(GetControlData(window));
    if (!panel) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY: PANEL_Destroy(panel, window, wParam, lParam); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    default: return PANEL_Call(panel, window, message, wParam, lParam);
    }
}

HWND CreateFreePanel(HWND owner, uint16_t id, int x, int y, int width, int height,
                     FreePanelProc procedure, void* context) {
    if (!ToolkitAlive()) return nullptr;
    FreePanel model = {};
    model.owner = owner;
    model.x = x;
    model.y = y;
    model.id = id;
    model.context = context;
    model.procedure = procedure;
    return CreateWindowExA(0, kFreePanelWdbClassName, "", WS_CHILD | WS_VISIBLE, x, y, width,
                           height, owner, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ToolkitInstance(), &model);
}
