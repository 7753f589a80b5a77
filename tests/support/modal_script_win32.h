// Drives a modal window from inside its own message loop: a timer on the
// test's thread waits for a top-level window of the given title, then runs a
// script on it. The script may open further modal windows and drive them the
// same way; it must end the window it was given (or let its code do so).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace modaltest {

struct Pending {
    std::string title;
    std::function<void(HWND)> script;
    UINT_PTR timer;
    int ticks;
};

inline std::vector<Pending>& PendingScripts() {
    static std::vector<Pending> pending;
    return pending;
}

struct TitleSearch {
    const std::string* title;
    HWND found;
};

inline BOOL CALLBACK MatchTitle(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TitleSearch*>(lParam);
    char text[256];
    GetWindowTextA(window, text, sizeof text);
    if (IsWindowVisible(window) && *search->title == text) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Finds a visible window of this thread with the title.
inline HWND FindOwnWindow(const std::string& title) {
    TitleSearch search = {&title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline void CALLBACK OnTick(HWND, UINT, UINT_PTR id, DWORD) {
    std::vector<Pending>& pending = PendingScripts();
    for (size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].timer != id) continue;
        HWND w = FindOwnWindow(pending[i].title);
        if (!w && ++pending[i].ticks < 500) return;
        KillTimer(nullptr, id);
        std::function<void(HWND)> script = pending[i].script;
        pending.erase(pending.begin() + long(i));
        if (w) script(w); // after 5 s without the window the script never runs
        return;
    }
}

// Runs script on the window titled title once it shows up.
inline void WhenShown(const std::string& title, std::function<void(HWND)> script) {
    PendingScripts().push_back({title, std::move(script), SetTimer(nullptr, 0, 10, OnTick), 0});
}

// Clicks a dialog's button as the user would: BN_CLICKED to its parent.
inline void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline std::string Text(HWND window) {
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace modaltest
