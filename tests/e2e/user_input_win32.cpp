#include "tests/e2e/user_input.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace e2e {

namespace {

// Input is delivered through the server's queue; a short pause after each
// gesture lets the receiving thread take it before the next one arrives.
constexpr int kSettleMs = 80;

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(kSettleMs);
}

INPUT Key(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT Mouse(DWORD flags, POINT at = {}) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute coordinates run from 0 to 65535 across the screen.
        input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return input;
}

struct Search {
    DWORD pid;
    const std::string* cls;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK MatchTop(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    char cls[128] = {}, title[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (IsWindowVisible(window) && (!search->pid || pid == search->pid) &&
        (search->cls->empty() || *search->cls == cls) &&
        (search->title->empty() || *search->title == title)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ChildSearch {
    int id;
    const std::string* text; // searched instead of the id when not null
    HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    char text[128] = {};
    if (search->text) GetWindowTextA(window, text, sizeof text);
    if (search->text ? *search->text != text : GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

bool WaitFor(const std::function<bool()>& pred, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(20);
    }
    return true;
}

HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title) {
    Search search{pid, &cls, &title, nullptr};
    EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Description {
    DWORD pid;
    std::string text;
};

BOOL CALLBACK Describe(HWND window, LPARAM lParam) {
    auto* d = reinterpret_cast<Description*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != d->pid || !IsWindowVisible(window)) return TRUE;
    char cls[128] = {}, title[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    d->text += std::string(window == GetForegroundWindow() ? "* " : "  ") + cls + " '" + title +
               "'\n";
    return TRUE;
}

std::string DescribeWindows(DWORD pid) {
    Description description{pid, ""};
    EnumWindows(Describe, reinterpret_cast<LPARAM>(&description));
    return description.text;
}

HWND WaitForTopWindow(DWORD pid, const std::string& cls, const std::string& title, int ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopWindow(pid, cls, title)) != nullptr; }, ms);
    if (found) Sleep(150); // let it finish its own start-up before input arrives
    return found;
}

bool WaitGone(HWND window, int ms) {
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

HWND FindChildById(HWND parent, int id) {
    ChildSearch search{id, nullptr, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ClickCentre(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return false;
    ClickScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return true;
}

bool ClickChildNamed(HWND parent, const std::string& text) {
    ChildSearch search{0, &text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return ClickCentre(search.found);
}

// Puts the pointer at `at` and waits until the system reports it there: the
// X server's echo of an earlier position can arrive after a new move and
// put the pointer back, and a press sent then lands on the old spot.
void MoveTo(POINT at) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::vector<INPUT> move = {Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)};
        Send(move);
        POINT now;
        if (GetCursorPos(&now) && std::abs(now.x - at.x) <= 1 && std::abs(now.y - at.y) <= 1) return;
    }
}

void ClickScreen(POINT at, bool right, bool ctrl) {
    MoveTo(at);
    const DWORD here = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE; // each event carries the point
    std::vector<INPUT> press;
    if (ctrl) press.push_back(Key(VK_CONTROL, false));
    press.push_back(Mouse(here | (right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN), at));
    Send(press);
    std::vector<INPUT> release = {
        Mouse(here | (right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP), at)};
    if (ctrl) release.push_back(Key(VK_CONTROL, true));
    Send(release);
}

void DragScreen(POINT from, POINT to) {
    const DWORD here = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    MoveTo(from);
    std::vector<INPUT> press = {Mouse(here | MOUSEEVENTF_LEFTDOWN, from)};
    Send(press);
    constexpr int kSteps = 4;
    POINT at = from;
    for (int i = 1; i <= kSteps; ++i) {
        at = {from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps};
        std::vector<INPUT> move = {Mouse(here, at)};
        Send(move);
    }
    std::vector<INPUT> release = {Mouse(here | MOUSEEVENTF_LEFTUP, to)};
    Send(release);
}

void ClickClient(HWND window, int x, int y, bool right, bool ctrl) {
    POINT at{x, y};
    ClientToScreen(window, &at);
    ClickScreen(at, right, ctrl);
}

void PressKey(WORD vk, bool ctrl, bool shift, bool alt) {
    std::vector<INPUT> inputs;
    const WORD held[] = {static_cast<WORD>(ctrl ? VK_CONTROL : 0),
                         static_cast<WORD>(shift ? VK_SHIFT : 0),
                         static_cast<WORD>(alt ? VK_MENU : 0)};
    for (WORD modifier : held)
        if (modifier) inputs.push_back(Key(modifier, false));
    inputs.push_back(Key(vk, false));
    inputs.push_back(Key(vk, true));
    for (int i = 2; i >= 0; --i)
        if (held[i]) inputs.push_back(Key(held[i], true));
    Send(inputs);
}

void TypeText(const std::string& text) {
    std::vector<INPUT> inputs;
    for (unsigned char c : text) {
        for (bool up : {false, true}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c; // 8-bit text: Latin-1 is its own UTF-16 code
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    Send(inputs);
}

void RetypeFocusedField(const std::string& text) {
    PressKey(VK_HOME);
    PressKey(VK_END, false, true);
    PressKey(VK_DELETE);
    TypeText(text);
}

} // namespace e2e
