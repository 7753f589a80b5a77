// The toolkit module: start and stop once per process, class registration,
// the shared popups and the notification protocol.
#include "toolkit/toolkit.h"

#include "sys/settings_store.h"
#include "toolkit/list2d.h"
#include "toolkit/slide.h"
#include "toolkit/value_grid.h"

#include <commctrl.h>

#include <cstring>

namespace {

struct ClassEntry {
    const char* name;
    UINT styles;
    WNDPROC procedure;
    uint16_t error; // last error when the registration fails
};

// Registration order; unregistered in the same order.
const ClassEntry kClasses[] = {
    {kKnobClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, KnobWindowProc, kToolkitKnobClassFailed},
    {kImageButtonClassName, CS_HREDRAW | CS_VREDRAW, ImageButtonWindowProc,
     kToolkitButtonClassFailed},
    {kFreePanelClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, FreePanelWindowProc,
     kToolkitFreeClassFailed},
    {kFreePanelWdbClassName, CS_HREDRAW | CS_VREDRAW, FreePanelWindowProc, kToolkitFreeClassFailed},
    {kSlideClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, SlideWindowProc,
     kToolkitSlideClassFailed},
    {k3DListClassName, CS_HREDRAW | CS_VREDRAW, List3DWindowProc, kToolkit3DListClassFailed},
    {kValueGridClassName, CS_HREDRAW | CS_VREDRAW, ValueGridWindowProc, kToolkitGridClassFailed},
    {k2DListClassName, CS_HREDRAW | CS_VREDRAW, List2DWindowProc, kToolkit2DListClassFailed},
    {kValueBoxClassName, CS_HREDRAW | CS_VREDRAW, ValueBoxWindowProc, kToolkitValueBoxClassFailed},
};

constexpr uint32_t kObjectListSizes[2] = {64, 8};
constexpr size_t kAppKeySize = 256;

struct ToolkitModule {
    uint32_t initCount;       // ToolkitInit calls not yet matched
    HINSTANCE instance;       // for classes, resources and controls
    char appKey[kAppKeySize]; // application key name
    uint16_t lastError;
    int32_t alive; // 1 between a successful init and exit: notifications go out
    ToolkitOptions options;
    HWND valueBox;
    HWND popups[kPopupSlotCount];
    HGDIOBJ objects0[64];
    HGDIOBJ objects1[8];
};

ToolkitModule g_module = {};
bool g_optionsInitialised = false;

const char* const kErrorTexts[] = {
    "[PX2CTL] No error",
    "[PX2CTL] Module not initialized !",
    "[PX2CTL] Failed to register rotatif class",
    "[PX2CTL] Failed to register I2P class",
    "[PX2CTL] Failed to register FREE class",
    "[PX2CTL] Failed to register slide class",
    "[PX2CTL] Failed to register 3Dlist class",
    "[PX2CTL] Failed to register Vgrid class",
    "[PX2CTL] Failed to register 2Dgrid class",
    "[PX2CTL] Failed to register AutoViewValue class",
};

HGDIOBJ* ObjectList(uint32_t list) {
    return list == 0 ? g_module.objects0 : g_module.objects1;
}

void OptionsKey(char* key, size_t size) {
    const size_t prefix = std::strlen(kToolkitKeyPrefix);
    std::memcpy(key, kToolkitKeyPrefix, prefix);
    std::strncpy(key + prefix, g_module.appKey, size - prefix - 1);
    key[size - 1] = '\0';
}

int RegisterToolkitClasses(HINSTANCE instance) {
    for (const ClassEntry& entry : kClasses) {
        WNDCLASSA wc = {};
        wc.style = entry.styles;
        wc.lpfnWndProc = entry.procedure;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = entry.name;
        if (!RegisterClassA(&wc)) {
            g_module.lastError = entry.error;
            return 0;
        }
    }
    return 1;
}

void DeleteObjectLists() {
    for (uint32_t list = 0; list < 2; ++list) {
        HGDIOBJ* objects = ObjectList(list);
        for (uint32_t i = 0; i < kObjectListSizes[list]; ++i) {
            if (objects[i]) DeleteObject(objects[i]);
            objects[i] = nullptr;
        }
    }
}

} // namespace

int ToolkitInit(HINSTANCE instance, const char* applicationKey) {
    if (++g_module.initCount > 1) return 1;

    g_module.instance = instance;
    std::strncpy(g_module.appKey, applicationKey ? applicationKey : "", kAppKeySize - 1);
    g_module.appKey[kAppKeySize - 1] = '\0';
    g_module.lastError = kToolkitNoError;
    SetDefaultToolkitOptions(&g_module.options);
    g_optionsInitialised = true;
    g_module.valueBox = nullptr;
    std::memset(g_module.popups, 0, sizeof g_module.popups);
    g_module.alive = 1;

    char key[kAppKeySize + sizeof kToolkitKeyPrefix];
    OptionsKey(key, sizeof key);
    LoadToolkitOptions(&g_module.options, key);

    ClearRoundMasks();
    std::memset(g_module.objects0, 0, sizeof g_module.objects0);
    std::memset(g_module.objects1, 0, sizeof g_module.objects1);

    CreateDrawingTables(instance);

    if (!RegisterToolkitClasses(instance)) return 0;

    // Made hidden rather than shown and hidden at once: the same end state
    // without a flash (and, under Wine, without waiting for the map).
    g_module.valueBox = CreateWindowExA(WS_EX_TOPMOST, kValueBoxClassName, "", WS_POPUP | WS_BORDER,
                                        0, 0, 80, 20, nullptr, nullptr, instance, nullptr);
    if (!g_module.valueBox) return 0;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    return InitCommonControlsEx(&controls) ? 1 : 0;
}

void ToolkitExit(HINSTANCE instance) {
    if (g_module.initCount == 0) return;
    if (--g_module.initCount != 0) return;

    g_module.alive = 0;

    if (g_module.valueBox) DestroyWindow(g_module.valueBox);
    g_module.valueBox = nullptr;
    for (HWND& popup : g_module.popups) {
        // The popup's owner clears the slot as it closes; read it first.
        HWND window = popup;
        popup = nullptr;
        if (window && IsWindow(window)) SendMessageA(window, WM_CLOSE, 0, 0);
    }

    DeleteDrawingTables();
    DeleteObjectLists();
    for (const ClassEntry& entry : kClasses)
        UnregisterClassA(entry.name, instance ? instance : g_module.instance);
    ClearRoundMasks();

    char key[kAppKeySize + sizeof kToolkitKeyPrefix];
    OptionsKey(key, sizeof key);
    SaveToolkitOptions(&g_module.options, key);
}

uint32_t ToolkitInitCount() {
    return g_module.initCount;
}

HINSTANCE ToolkitInstance() {
    return g_module.instance;
}

int ToolkitAlive() {
    return g_module.alive;
}

uint16_t ToolkitLastError() {
    return g_module.lastError;
}

const char* ToolkitErrorText(uint16_t code) {
    if (code >= sizeof kErrorTexts / sizeof kErrorTexts[0]) code = kToolkitNotInitialized;
    return kErrorTexts[code];
}

ToolkitOptions* ToolkitGetOptions() {
    if (!g_optionsInitialised) {
        SetDefaultToolkitOptions(&g_module.options);
        g_optionsInitialised = true;
    }
    return &g_module.options;
}

HWND ToolkitPopup(uint32_t slot) {
    return slot < kPopupSlotCount ? g_module.popups[slot] : nullptr;
}

int SetToolkitPopup(uint32_t slot, HWND window) {
    if (slot >= kPopupSlotCount) return 0;
    g_module.popups[slot] = window;
    return 1;
}

HWND ToolkitValueBox() {
    return g_module.valueBox;
}

int ToolkitAdoptObject(uint32_t list, HGDIOBJ object) {
    if (list > 1 || !object) return 0;
    HGDIOBJ* objects = ObjectList(list);
    for (uint32_t i = 0; i < kObjectListSizes[list]; ++i) {
        if (!objects[i]) {
            objects[i] = object;
            return 1;
        }
    }
    return 0;
}

// ---- Notification protocol ----

void NotifyOwner(const ControlNotifyHead* head, uint32_t code, uint32_t value) {
    if (!g_module.alive || !head) return;
    if (head->style & kNotifyByCallback) {
        if (head->callback) head->callback(head->context, code, value);
        return;
    }
    if (head->owner)
        PostMessageA(head->owner, WM_COMMAND, code & 0xFFFF, static_cast<LPARAM>(value));
}

float SendCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const LRESULT reply = SendMessageA(window, WM_COMMAND, wParam, lParam);
    return BitsToFloat(static_cast<uint32_t>(reply));
}

int PostCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(window, WM_COMMAND, wParam, lParam) ? 1 : 0;
}

uint32_t FloatToBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float BitsToFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// ---- Window data ----

void* SetControlData(HWND window, void* data) {
    return reinterpret_cast<void*>(SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(data)));
}

void* GetControlData(HWND window) {
    return reinterpret_cast<void*>(GetWindowLongPtrA(window, 0));
}

void* SetDialogData(HWND dialog, void* data) {
    return reinterpret_cast<void*>(
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(data)));
}

void* GetDialogData(HWND dialog) {
    return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HINSTANCE GetWindowInstance(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

int WindowHasClass(HWND window, const char* className) {
    char name[64] = {};
    return window && GetClassNameA(window, name, sizeof name) && !std::strcmp(name, className);
}
