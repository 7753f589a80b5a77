#include "app/main_window.h"

#include <cstring>

#include "app/commands.h"
#include "app/file_drop.h"
#include "app/input_commands.h"
#include "app/shell_table.h"
#include "display/meter_settings.h"
#include "meter/level_analysis.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "sys/wide_path.h"
#include "view/meter_window.h"

const char kMainWindowClass[] = "w_principale";
const char kMainWindowTitle[] = "Tenvelo";
const char kMainMenuName[] = "MenuMonApp";

namespace {

const char kApplicationKey[] = "Tenvelo";
const char kSorryTitle[] = "Sorry";
const char kRegisterFailedText[] = "Failed to register main class...";
const char kCreateFailedText[] = "Failed to create window...";
const char kFatalTitle[] = "Fatal error";
const char kNoMemoryText[] = "Not enough memory, can't run this program";
// Shown instead of an empty box when the driver left no text of its own
// (no output device at all).
const char kNoDeviceText[] = "No wave output device is available.";

char g_startupDirectory[kStartupDirectorySize] = "C:\\";

Program* ProgramOf(HWND window) {
    return reinterpret_cast<Program*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// ---- Start-up steps of WM_CREATE ----

int StartAudio(Program* p, HWND window) {
    WaveDeviceListAcquire(p->instance);
    WaveClearErrorText(&p->driver);
    if (!WaveDriverInit(&p->driver, kWaveOutput)) {
        const char* text = GetErrorText(&p->driver);
        Shell()->messageBox(window, text[0] ? text : kNoDeviceText, kInitErrorTitle, MB_OK);
        return 0;
    }
    StreamInit(&p->stream, &p->driver, &p->file, &p->engine);
    StreamLoadLatency(&p->stream);
    // The main window handle is only known once creation returns, so the
    // latency's own failure box has no owner.
    return ApplyLatency(&p->stream, nullptr);
}

// The engine measures with the program's meter settings, held from here
// until the engine is gone (their last release saves them).
int StartEngine(Program* p, HWND window) {
    const MeterSettings* settings = AcquireMeterSettings(kSettingsAppName);
    p->engine = MeterEngineCreate(settings ? &settings->values : nullptr);
    if (p->engine && MeterSetFormat(&p->engine, 44100.0f, 2)) return 1;
    MeterEngineDestroy(&p->engine);
    ReleaseMeterSettings();
    Shell()->messageBox(window, kNoMemoryText, kFatalTitle, MB_OK | MB_TASKMODAL);
    return 0;
}

void StartPanel(Program* p, HWND window) {
    std::memset(&p->panel, 0, sizeof p->panel);
    p->panel.engine = p->engine;
    BuildControlPanel(&p->panel, window);
    SyncControlPanel(&p->panel);
    RegisterHotKeys(p);
    p->infoMenu = CreateInfoMenu();
    WindowDragInit(&p->drag, window);
    DragAcceptFiles(window, TRUE);
}

// ---- Message handlers ----

LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
    Program* p = static_cast<Program*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    p->mainWindow = window;
    p->metrics = GetFrameMetrics();
    p->rememberedWave[0] = '\0';
    if (!ToolkitInit(p->instance, kApplicationKey) || !StartAudio(p, window) ||
        !StartEngine(p, window)) {
        // The failed creation destroys the window: that WM_DESTROY must not
        // run the shutdown (and post the quit that would close the failure box).
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return -1;
    }
    StartPanel(p, window);
    StartInputSide(p);
    int width = 0, height = 0;
    MainWindowSize(p->metrics, &width, &height);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return 0;
}

// Runs once: the user data is cleared first, so that the platform's own
// WM_DESTROY when the window finally goes finds no program.
void OnDestroy(Program* p) {
    SetWindowLongPtrA(p->mainWindow, GWLP_USERDATA, 0);
    UnregisterHotKeys(p);
    if (p->infoMenu) DestroyMenu(p->infoMenu);
    p->infoMenu = nullptr;
    StopStream(&p->stream);
    StopInputSide(p);
    WaveDriverDestroy(&p->driver);
    StreamRelease(&p->stream);
    StreamSaveLatency(&p->stream);
    WaveFileClose(&p->file);
    WaveDeviceListRelease();
    DestroyControlPanel(&p->panel);
    MeterEngineDestroy(&p->engine);
    ReleaseMeterSettings();
    ToolkitExit(p->instance);
    PostQuitMessage(0);
}

void OnClose(Program* p) {
    UnregisterHotKeys(p);
    CloseAllWindows(p->mainWindow);
}

LRESULT OnEraseBackground(HDC dc) {
    BlitWholeBitmap(dc, 0, 0, SharedBitmap(kBackgroundBitmap));
    return 1;
}

void OnActivateApp(Program* p, BOOL active) {
    if (active)
        RegisterHotKeys(p);
    else
        UnregisterHotKeys(p);
}

void OnInitMenu(Program* p, HMENU menu) {
    if (menu == p->infoMenu) return;
    StreamCheckLatencyItems(&p->stream, menu);
    CheckInputItems(p, menu);
}

void OnRightButtonDown(Program* p, int x, int y) {
    POINT point = {x, y};
    ClientToScreen(p->mainWindow, &point);
    TrackPopupMenu(p->infoMenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, point.x, point.y, 0, p->mainWindow,
                   nullptr);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return OnCreate(window, reinterpret_cast<CREATESTRUCTA*>(lParam));
    Program* p = ProgramOf(window);
    if (!p) return DefWindowProcA(window, message, wParam, lParam);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_DESTROY: OnDestroy(p); return 0;
    case WM_CLOSE: OnClose(p); return 0;
    case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_ACTIVATEAPP: OnActivateApp(p, static_cast<BOOL>(wParam)); return 0;
    case WM_KEYDOWN: CycleTabFocus(window, message, wParam, lParam); return 0;
    case WM_COMMAND:
    case WM_HOTKEY: DispatchCommand(p, LOWORD(wParam)); return 0;
    case WM_INITMENU: OnInitMenu(p, reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_LBUTTONDOWN: WindowDragBegin(&p->drag, x, y); return 1;
    case WM_MOUSEMOVE: WindowDragMove(&p->drag, x, y); return 1;
    case WM_LBUTTONUP: WindowDragEnd(&p->drag, x, y); return 1;
    case WM_RBUTTONDOWN: OnRightButtonDown(p, x, y); return 1;
    case WM_DROPFILES: TakeDroppedFiles(p, reinterpret_cast<HDROP>(wParam)); return 0;
    case kMsgInputFailed: InputFailed(p); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

struct CloseSearch {
    HWND mainWindow;
};

BOOL CALLBACK CloseOwnedPopup(HWND window, LPARAM lParam) {
    const auto* search = reinterpret_cast<const CloseSearch*>(lParam);
    // GetParent answers the owner for a top-level popup.
    if (GetParent(window) == search->mainWindow && (GetWindowLongA(window, GWL_STYLE) & WS_POPUP))
        SendMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

Program* ProgramOfWindow(HWND mainWindow) {
    char name[32] = {};
    if (!mainWindow || !GetClassNameA(mainWindow, name, sizeof name)) return nullptr;
    return std::strcmp(name, kMainWindowClass) == 0 ? ProgramOf(mainWindow) : nullptr;
}

void SaveStartupDirectory() {
    wchar_t directory[kStartupDirectorySize];
    const DWORD length = GetCurrentDirectoryW(kStartupDirectorySize, directory);
    if (length == 0 || length >= kStartupDirectorySize) return;
    const std::string utf8 = Utf8FromWide(directory, int(length));
    if (!utf8.empty() && utf8.size() < sizeof g_startupDirectory)
        std::memcpy(g_startupDirectory, utf8.c_str(), utf8.size() + 1);
}

const char* StartupDirectory() {
    return g_startupDirectory;
}

FrameMetrics GetFrameMetrics() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return FrameMetrics{GetSystemMetrics(SM_CXFIXEDFRAME), metrics.iCaptionHeight,
                        metrics.iMenuHeight};
}

void GetScreenSize(int* width, int* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

void MainWindowSize(const FrameMetrics& m, int* width, int* height) {
    *width = kPanelWidth + 2 * m.frameWidth;
    *height = kPanelHeight - 8 + m.captionHeight + m.menuHeight + 3 * m.frameWidth;
}

int RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));                      // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW)); // value 5
    wc.lpszMenuName = kMainMenuName;
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassA(&wc) ? 1 : 0;
}

HWND CreateMainWindow(Program* program) {
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle,
                           WS_VISIBLE | WS_CAPTION | WS_DLGFRAME | WS_SYSMENU | WS_MINIMIZEBOX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           nullptr, program->instance, program);
}

void CloseAllWindows(HWND mainWindow) {
    CloseSearch search = {mainWindow};
    EnumWindows(CloseOwnedPopup, reinterpret_cast<LPARAM>(&search));
    PostMessageA(mainWindow, WM_DESTROY, 0, 0);
}

int RunProgram(HINSTANCE instance) {
    SaveStartupDirectory();
    RegisterMeterWindowClass(instance);
    if (!RegisterMainWindowClass(instance)) {
        Shell()->messageBox(nullptr, kRegisterFailedText, kSorryTitle, MB_ICONEXCLAMATION);
        return 0;
    }
    auto* program = new Program();
    program->instance = instance;
    HWND window = CreateMainWindow(program);
    if (!window) {
        Shell()->messageBox(nullptr, kCreateFailedText, kSorryTitle, MB_ICONEXCLAMATION);
        return 0;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
    UnregisterMeterWindowClass(instance);
    delete program;
    return static_cast<int>(message.wParam);
}
