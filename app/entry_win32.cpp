// Program entry: registers and opens the main window, then runs the message
// loop until it is closed.
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (!RegisterMainWindowClass(instance)) return 1;
    HWND hwnd = CreateMainWindow(instance);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
