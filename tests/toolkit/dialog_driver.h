#pragma once

// Drives the toolkit's modal dialogs from inside their own message loop: a
// thread timer waits until the dialog in a popup slot is shown, then runs
// the script's steps one per tick (a timer tick comes only once the posted
// input of the step before has been handled), and closes the dialog if it
// is still open seconds later so that a failing test cannot hang.

#include "toolkit/toolkit.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tktest {

class DialogScript {
  public:
    using Script = std::function<void(HWND dialog)>;

    DialogScript(uint32_t slot, Script script) : DialogScript(slot, std::vector<Script>{script}) {}
    DialogScript(uint32_t slot, std::vector<Script> steps) {
        slot_ = slot;
        steps_ = std::move(steps);
        timer_ = SetTimer(nullptr, 0, 10, Tick);
        Scripts()[timer_] = this;
    }
    ~DialogScript() {
        if (timer_) KillTimer(nullptr, timer_);
        Scripts().erase(timer_);
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    bool ran() const { return ran_; }
    bool timedOut() const { return timedOut_; }

  private:
    static std::map<UINT_PTR, DialogScript*>& Scripts() {
        static std::map<UINT_PTR, DialogScript*> scripts;
        return scripts;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        auto found = Scripts().find(timer);
        if (found == Scripts().end()) return;
        DialogScript* self = found->second;
        HWND dialog = ToolkitPopup(self->slot_);
        if (self->next_ < self->steps_.size()) {
            if (!dialog || !IsWindowVisible(dialog)) return;
            Script step = std::move(self->steps_[self->next_++]);
            self->ran_ = self->next_ == self->steps_.size();
            step(dialog);
            return;
        }
        if (dialog && ++self->ticks_ > 300) { // 3 s: the script did not end it
            self->timedOut_ = true;
            SendMessageA(dialog, WM_CLOSE, 0, 0);
        }
    }

    uint32_t slot_ = 0;
    std::vector<Script> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
    bool timedOut_ = false;
    int ticks_ = 0;
};

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

} // namespace tktest
