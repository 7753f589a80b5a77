// A stand-in for the meter window until its own file lands: the shared
// bitmaps and a class with the default procedure; OpenMeterWindow opens
// nothing. The meter window's file replaces this whole file.
#include "view/meter_window.h"

#include "view/control_panel.h"

namespace {

const char kClassName[] = "VU-Meters_0001\xA9"
                          "Ktavin";

const int kSharedResources[] = {500, 501, 502, 509, 530, 531};
constexpr int kSharedCount = sizeof kSharedResources / sizeof kSharedResources[0];
HBITMAP g_shared[kSharedCount] = {};

} // namespace

int RegisterMeterWindowClass(HINSTANCE instance) {
    for (int i = 0; i < kSharedCount; ++i)
        g_shared[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(kSharedResources[i]));
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) ? 1 : 0;
}

void UnregisterMeterWindowClass(HINSTANCE instance) {
    UnregisterClassA(kClassName, instance);
    for (HBITMAP& bitmap : g_shared) {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
    }
}

HBITMAP SharedBitmap(int resource) {
    for (int i = 0; i < kSharedCount; ++i)
        if (kSharedResources[i] == resource) return g_shared[i];
    return nullptr;
}

int OpenMeterWindow(ControlPanel*) {
    return 0;
}
