// Drives modal windows from inside their own message loop: a timer on the
// test's thread waits until the window is shown, then runs the steps on it
// one per tick (a timer tick comes only once the input posted by the step
// before has been handled). A step may open further modal windows and drive
// them the same way. A window not shown within 5 s is given up; one still
// open 3 s after the last step is closed, so that a failing test cannot hang.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sys/wide_path.h"

namespace modaltest {

using Step = std::function<void(HWND window)>;
using Finder = std::function<HWND()>;

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

// A visible top-level window titled title: of this thread, or of any process.
inline HWND Titled(const std::string& title, bool anyProcess = false) {
    TitleSearch search = {&title, nullptr};
    if (anyProcess)
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    else
        EnumThreadWindows(GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Run {
    Finder find;
    std::vector<Step> steps;
    size_t next = 0;
    int ticks = 0;
    UINT_PTR timer = 0;
    bool ran = false, timedOut = false;
};

inline std::vector<std::shared_ptr<Run>>& Runs() {
    static std::vector<std::shared_ptr<Run>> runs;
    return runs;
}

inline void Stop(const std::shared_ptr<Run>& run) {
    KillTimer(nullptr, run->timer);
    auto& runs = Runs();
    runs.erase(std::remove(runs.begin(), runs.end(), run), runs.end());
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    std::shared_ptr<Run> run; // kept alive while a step runs nested loops
    for (const auto& r : Runs())
        if (r->timer == timer) run = r;
    if (!run) return;
    HWND window = run->find();
    if (run->next < run->steps.size()) {
        if (window) {
            Step step = run->steps[run->next++];
            run->ran = run->next == run->steps.size();
            run->ticks = 0;
            step(window);
        } else if (run->next == 0 && ++run->ticks > 500) {
            Stop(run);
        }
        return;
    }
    if (!window) {
        Stop(run);
    } else if (++run->ticks > 300) {
        run->timedOut = true;
        Stop(run);
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

inline std::shared_ptr<Run> Start(Finder find, std::vector<Step> steps) {
    auto run = std::make_shared<Run>();
    run->find = std::move(find);
    run->steps = std::move(steps);
    run->timer = SetTimer(nullptr, 0, 10, Tick);
    Runs().push_back(run);
    return run;
}

// The steps for as long as the object lives: what they did is asked after
// the modal call returned.
class Script {
  public:
    Script(Finder find, std::vector<Step> steps) : run_(Start(std::move(find), std::move(steps))) {}
    Script(Finder find, Step step) : Script(std::move(find), std::vector<Step>{std::move(step)}) {}
    Script(const std::string& title, Step step)
        : Script([title] { return Titled(title); }, std::vector<Step>{std::move(step)}) {}
    ~Script() { Stop(run_); }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    bool ran() const { return run_->ran; }
    bool timedOut() const { return run_->timedOut; }

  private:
    std::shared_ptr<Run> run_;
};

// Runs step on the window titled title once it shows up, whatever the
// caller's scope.
inline void WhenShown(const std::string& title, Step step) {
    Start([title] { return Titled(title); }, {std::move(step)});
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

// A common dialog's answer: path (UTF-8) typed into a file dialog's name
// field (none for a message box), then OK. The message box's text goes to
// *text.
inline Step Answer(std::string path, std::string* text = nullptr) {
    return [path, text](HWND dialog) {
        char boxText[512] = {};
        GetDlgItemTextA(dialog, 0xFFFF, boxText, sizeof boxText); // works across processes
        if (text) *text = boxText;
        if (!path.empty()) SetDlgItemTextW(dialog, 0x047C, WideFromUtf8(path.c_str()).c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
}

// Posts the characters of text to window as typed characters.
inline void Type(HWND window, const std::string& text) {
    for (char c : text)
        PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
}

inline void Key(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
}

// Lets posted messages arrive.
inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace modaltest
