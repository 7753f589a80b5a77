// The real tenvelo.exe as a process of its own, and what every run of the
// whole program does with it as a user would: start it, answer its dialogs,
// activate its windows, open their menus, open the meter window, quit. A
// watchdog turns a step that never ends into a failure with a picture of
// the screen, and ends the program it drove.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace e2e {

extern const char kMeterWindowClass[];
extern const char kDialogClass[];
extern const char kMenuClass[];

// Front-panel controls, client points inside them.
constexpr POINT kRecordSwitch{21, 51};
constexpr POINT kOpenMeterButton{100, 14};
constexpr POINT kResetButton{184, 14};
constexpr POINT kLoadButton{176, 323};
constexpr POINT kSaveButton{176, 363};

// The environment variable's value, or "" when it is not set.
std::string Env(const char* name);

std::string ReadFileBytes(const std::string& path);

class ProgramTest : public ::testing::Test {
  protected:
    void TearDown() override;

    // Starts the watchdog, due watchdogSeconds from now, and the program:
    // the build tree's, started in dir_; or TENVELO_PROGRAM, started in its
    // own folder as a double click would.
    void Launch(int watchdogSeconds);

    // Moves the watchdog's deadline to seconds from now.
    void ExtendWatchdog(int seconds);

    std::string In(const std::string& name) const { return dir_ + "\\" + name; }
    // Names the step the watchdog would report, and logs it as "logName_: name".
    void Step(const char* name);
    // A picture of the whole desktop, numbered in the order taken.
    void Shot(const std::string& name);

    HWND Dialog(const std::string& title, int ms = 10000);
    // The message box titled title: its text, answered with Enter.
    std::string AnswerMessageBox(const std::string& title);
    // Types path into the file dialog titled title and confirms it.
    void AnswerFileDialog(const std::string& title, const std::string& path);
    // Keys go to the active window: waits until the click made it so.
    void AwaitActive(HWND window);
    void ActivateMain();
    void ActivateMeter();
    // Alt+key: the active window's menu of that key (Space: the system menu).
    void OpenMenu(WORD key);
    void AwaitMenu();
    // Clicks dialog's button named button; the dialog must close and hand
    // the activation back to owner.
    void CloseWith(HWND dialog, const char* button, HWND owner);
    // Right-click on the history, then the popup menu's item by keyboard
    // (counted from 1, the separators left out: the arrow keys skip them).
    void MeterMenu(int item);
    // METER: the meter window, dragged by its client area to the right of
    // the main window, widened by its right edge by widenBy pixels, and the
    // place kept as the default (the system menu's last item).
    void OpenMeterWindowBeside(int widenBy);
    // "Quit" from the Command menu; the program must end with exit code 0.
    void Quit();

    const char* logName_ = "run";
    std::string dir_;
    PROCESS_INFORMATION process_ = {};
    HWND main_ = nullptr;
    HWND meter_ = nullptr;
    RECT meterRect_ = {};

  private:
    void Watch();
    void StartProgram();

    std::thread watchdog_;
    std::atomic<bool> finished_{false};
    std::atomic<const char*> step_{"start"};
    std::atomic<int64_t> deadlineMs_{0};
    int shots_ = 0;
};

} // namespace e2e
