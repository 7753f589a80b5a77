// A whole main window in the test process and the message boxes and file
// dialogs it shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/shell_table.h"
#include "sys/wide_path.h"
#include "tests/sys/settings_test_root.h"
#include "tests/support/test_files.h"
#include "view/meter_window.h"

namespace apptest {

// Runs the thread's messages for ms milliseconds.
inline void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// Runs messages until pred holds or ms pass.
inline bool PumpUntil(const std::function<bool()>& pred, int ms = 5000) {
    for (int waited = 0; waited < ms && !pred(); waited += 10)
        Pump(10);
    return pred();
}

// Whether the program holds the hot key: another window cannot take it.
inline bool ProgramHolds(UINT key) {
    HWND other =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const BOOL taken = RegisterHotKey(other, 1, 0, key);
    if (taken) UnregisterHotKey(other, 1);
    DestroyWindow(other);
    return !taken;
}

struct Box {
    std::string title, text;
};

// Message boxes are recorded and answered with `answer`; the file dialogs
// hand back the next scripted path (UTF-8; an empty one cancels). `duringDialog`
// and `duringBox` run inside a file dialog or a message box, as their modal
// loops would deliver messages.
struct FakeShell {
    std::vector<Box> boxes;
    int answer = IDOK;
    std::vector<std::string> paths;
    std::vector<std::string> dialogTitles;
    std::function<void()> duringDialog;
    std::function<void()> duringBox;
    ShellTable table{};

    FakeShell() {
        table = {OpenFile, OpenFile, MessageBox, ShellExecuteW};
        Current() = this;
        ShellSetTable(&table);
    }
    ~FakeShell() {
        ShellSetTable(nullptr);
        Current() = nullptr;
    }
    static FakeShell*& Current() {
        static FakeShell* current = nullptr;
        return current;
    }
    static BOOL WINAPI OpenFile(LPOPENFILENAMEW dialog) {
        FakeShell* self = Current();
        self->dialogTitles.push_back(Utf8FromWide(dialog->lpstrTitle));
        if (self->duringDialog) self->duringDialog();
        const std::string path = self->paths.empty() ? "" : self->paths.front();
        if (!self->paths.empty()) self->paths.erase(self->paths.begin());
        if (path.empty()) return FALSE;
        lstrcpynW(dialog->lpstrFile, WideFromUtf8(path.c_str()).c_str(), dialog->nMaxFile);
        return TRUE;
    }
    static int WINAPI MessageBox(HWND, LPCSTR text, LPCSTR title, UINT) {
        FakeShell* self = Current();
        self->boxes.push_back(Box{title ? title : "", text ? text : ""});
        if (self->duringBox) self->duringBox();
        return self->answer;
    }
};

// The main window of a program, created as the program creates it (with a
// sound device, so only inside the test environment).
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instance_ = GetModuleHandleA(nullptr);
        SaveStartupDirectory();
        ASSERT_EQ(RegisterMeterWindowClass(instance_), 1);
        ASSERT_EQ(RegisterMainWindowClass(instance_), 1);
        program_ = new Program();
        program_->instance = instance_;
        window_ = CreateMainWindow(program_);
        if (!window_ && std::getenv("TENVELO_AUDIO")) FAIL() << "no wave output device";
        if (!window_) GTEST_SKIP() << "no wave output device";
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        Pump(50);
    }
    void TearDown() override {
        if (window_ && GetWindowLongPtrA(window_, GWLP_USERDATA)) Quit();
        if (window_) DestroyWindow(window_);
        UnregisterClassA(kMainWindowClass, instance_);
        UnregisterMeterWindowClass(instance_);
        delete program_;
    }
    // The "Quit" command, then the messages until the shutdown posts WM_QUIT.
    bool Quit() {
        SendMessageA(window_, WM_COMMAND, 100, 0);
        MSG msg;
        for (int i = 0; i < 500; ++i) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) return true;
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
        return false;
    }
    static void Click(HWND button) {
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
    Program& p() { return *program_; }
    HWND window() const { return window_; }
    SettingsTestRoot settings_;
    testsupport::ScratchDir dir_;
    HINSTANCE instance_ = nullptr;
    Program* program_ = nullptr;
    HWND window_ = nullptr;
};

} // namespace apptest
