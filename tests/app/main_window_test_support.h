// A whole main window in the test process, the message boxes and file
// dialogs it shows, and a thread that answers the real dialogs as a user
// would.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/shell_table.h"
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

struct Box {
    std::string title, text;
};

// Message boxes are recorded and answered with `answer`; the file dialogs
// hand back the next scripted path (an empty one cancels). `duringDialog`
// runs inside a file dialog, as the modal loop would deliver messages.
struct FakeShell {
    std::vector<Box> boxes;
    int answer = IDOK;
    std::vector<std::string> paths;
    std::vector<std::string> dialogTitles;
    std::function<void()> duringDialog;
    ShellTable table{};

    FakeShell() {
        table = {OpenFile, OpenFile, MessageBox, ShellExecuteA};
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
    static BOOL WINAPI OpenFile(LPOPENFILENAMEA dialog) {
        FakeShell* self = Current();
        self->dialogTitles.push_back(dialog->lpstrTitle ? dialog->lpstrTitle : "");
        if (self->duringDialog) self->duringDialog();
        const std::string path = self->paths.empty() ? "" : self->paths.front();
        if (!self->paths.empty()) self->paths.erase(self->paths.begin());
        if (path.empty()) return FALSE;
        lstrcpynA(dialog->lpstrFile, path.c_str(), dialog->nMaxFile);
        return TRUE;
    }
    static int WINAPI MessageBox(HWND, LPCSTR text, LPCSTR title, UINT) {
        Current()->boxes.push_back(Box{title ? title : "", text ? text : ""});
        return Current()->answer;
    }
};

// The real dialogs answered from another thread: a file dialog titled
// `title` gets `path` typed into its name field and OK; a message box gets
// OK. Every window answered is logged with its title and message text.
class DialogDriver {
  public:
    struct Step {
        std::string title;
        std::string path; // empty for a message box
    };
    // anyProcess: answer the windows of other processes too.
    explicit DialogDriver(std::vector<Step> steps, bool anyProcess = false)
        : steps_(std::move(steps)), anyProcess_(anyProcess) {
        thread_ = std::thread([this] { Run(); });
    }
    ~DialogDriver() {
        quit_ = true;
        thread_.join();
    }
    std::vector<Box> Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }
    // Whether every step was answered (waits: the caller's modal loop may
    // return before the driver notes its last answer).
    bool Done() const {
        for (int i = 0; i < 250 && !done_; ++i)
            Sleep(20);
        return done_;
    }

  private:
    struct Search {
        const char* title;
        bool anyProcess;
        HWND found;
    };
    static BOOL CALLBACK Find(HWND window, LPARAM lParam) {
        auto* search = reinterpret_cast<Search*>(lParam);
        char cls[32] = {}, title[128] = {};
        GetClassNameA(window, cls, sizeof cls);
        GetWindowTextA(window, title, sizeof title);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if ((search->anyProcess || pid == GetCurrentProcessId()) && !lstrcmpA(cls, "#32770") &&
            !lstrcmpA(title, search->title) && IsWindowVisible(window)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    void Run() {
        for (const Step& step : steps_) {
            HWND dialog = nullptr;
            while (!quit_ && !dialog) {
                Search search{step.title.c_str(), anyProcess_, nullptr};
                EnumWindows(Find, reinterpret_cast<LPARAM>(&search));
                dialog = search.found;
                Sleep(20);
            }
            if (quit_) return;
            Sleep(100); // let the dialog finish its own start-up
            char text[512] = {};
            GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text); // a message box's text
            mutex_.lock();
            seen_.push_back(Box{step.title, text});
            mutex_.unlock();
            if (!step.path.empty()) SetDlgItemTextA(dialog, 0x047C, step.path.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            // Wait until it is gone, so that the same title is not answered twice.
            for (int i = 0; i < 250 && IsWindow(dialog) && IsWindowVisible(dialog); ++i)
                Sleep(20);
        }
        done_ = true;
    }
    std::vector<Step> steps_;
    bool anyProcess_;
    std::mutex mutex_;
    std::vector<Box> seen_;
    std::atomic<bool> quit_{false}, done_{false};
    std::thread thread_;
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
