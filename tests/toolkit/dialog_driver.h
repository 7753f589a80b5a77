#pragma once

// Drives the toolkit's modal dialogs from inside their own message loop: a
// thread timer waits until the dialog in a popup slot is shown, runs a
// script on it once, and closes it if it is still open seconds later so
// that a failing test cannot hang.

#include "toolkit/toolkit.h"

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

namespace tktest {

class DialogScript {
  public:
    using Script = std::function<void(HWND dialog)>;

    DialogScript(uint32_t slot, Script script) {
        Current() = this;
        slot_ = slot;
        script_ = std::move(script);
        timer_ = SetTimer(nullptr, 0, 10, Tick);
    }
    ~DialogScript() {
        if (timer_) KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    bool ran() const { return ran_; }
    bool timedOut() const { return timedOut_; }

  private:
    static DialogScript*& Current() {
        static DialogScript* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = Current();
        if (!self) return;
        HWND dialog = ToolkitPopup(self->slot_);
        if (!self->ran_) {
            if (!dialog || !IsWindowVisible(dialog)) return;
            self->ran_ = true;
            Script script = std::move(self->script_);
            script(dialog);
            return;
        }
        if (dialog && ++self->ticks_ > 300) { // 3 s: the script did not end it
            self->timedOut_ = true;
            SendMessageA(dialog, WM_CLOSE, 0, 0);
        }
    }

    uint32_t slot_ = 0;
    Script script_;
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
