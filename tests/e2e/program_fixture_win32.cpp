#include "tests/e2e/program_fixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/e2e/user_input.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/program_win32.h"
#include "tools/gui/screenshot.h"

namespace e2e {

const char kMeterWindowClass[] = "VU-Meters_0001\xA9Ktavin";
const char kDialogClass[] = "#32770";
const char kMenuClass[] = "#32768";

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ProgramTest::Launch(int watchdogSeconds) {
    ExtendWatchdog(watchdogSeconds);
    watchdog_ = std::thread([this] { Watch(); });
    StartProgram();
}

void ProgramTest::ExtendWatchdog(int seconds) {
    deadlineMs_ = NowMs() + int64_t(seconds) * 1000;
}

void ProgramTest::TearDown() {
    if (HasFailure()) Shot("failed");
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    finished_ = true;
    if (watchdog_.joinable()) watchdog_.join();
}

void ProgramTest::Watch() {
    while (NowMs() < deadlineMs_) {
        if (finished_) return;
        Sleep(100);
    }
    std::printf("[  FAILED  ] watchdog: step \"%s\" still running past its time\n", step_.load());
    Shot("hang");
    if (process_.hProcess) TerminateProcess(process_.hProcess, 1);
    std::fflush(stdout);
    ExitProcess(3);
}

void ProgramTest::Step(const char* name) {
    step_ = name;
    std::printf("%s: %s\n", logName_, name);
    std::fflush(stdout);
}

void ProgramTest::Shot(const std::string& name) {
    Sleep(250);
    char file[64];
    std::snprintf(file, sizeof file, "%02i-%s.bmp", ++shots_, name.c_str());
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    shots::SaveScreen(screen, file);
}

void ProgramTest::StartProgram() {
    std::string exe = Env("TENVELO_PROGRAM"), folder = dir_;
    if (exe.empty())
        exe = testsupport::TreeFile("tenvelo.exe");
    else
        folder = exe.substr(0, exe.find_last_of('\\'));
    ASSERT_TRUE(testsupport::StartProgram("\"" + exe + "\"", &process_, folder)) << exe;
    main_ = WaitForTopWindow(process_.dwProcessId, "w_principale", "Tenvelo", 20000);
    ASSERT_NE(main_, nullptr) << "no main window";
}

HWND ProgramTest::Dialog(const std::string& title, int ms) {
    return WaitForTopWindow(process_.dwProcessId, kDialogClass, title, ms);
}

std::string ProgramTest::AnswerMessageBox(const std::string& title) {
    HWND box = Dialog(title);
    if (!box) return "(no \"" + title + "\" box)";
    const std::string text = modaltest::Text(FindChildById(box, 0xFFFF));
    Shot("message-" + title.substr(0, title.find_first_of(" .!")));
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitGone(box, 5000)) << title;
    return text;
}

void ProgramTest::AnswerFileDialog(const std::string& title, const std::string& path) {
    HWND dialog = Dialog(title);
    ASSERT_NE(dialog, nullptr) << "no \"" << title << "\" dialog\n"
                               << DescribeWindows(process_.dwProcessId);
    RetypeFocusedField(path);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitGone(dialog, 10000)) << title;
}

void ProgramTest::AwaitActive(HWND window) {
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }, 5000))
        << DescribeWindows(process_.dwProcessId);
}

void ProgramTest::ActivateMain() {
    ClickClient(main_, 125, 200); // the panel's background, between the controls
    AwaitActive(main_);
}

void ProgramTest::ActivateMeter() {
    ClickScreen({meterRect_.right - 40, meterRect_.top + 60}); // on the bars
    AwaitActive(meter_);
}

void ProgramTest::OpenMenu(WORD key) {
    PressKey(key, false, false, true);
    AwaitMenu();
}

void ProgramTest::AwaitMenu() {
    ASSERT_NE(WaitForTopWindow(process_.dwProcessId, kMenuClass, "", 5000), nullptr) << "no menu";
}

void ProgramTest::CloseWith(HWND dialog, const char* button, HWND owner) {
    ASSERT_TRUE(ClickChildNamed(dialog, button)) << button;
    ASSERT_TRUE(WaitGone(dialog, 5000)) << button;
    AwaitActive(owner);
}

void ProgramTest::MeterMenu(int item) {
    ClickClient(meter_, 60, 60, true);
    AwaitMenu();
    for (int i = 0; i < item; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
}

void ProgramTest::OpenMeterWindowBeside(int widenBy) {
    ClickClient(main_, kOpenMeterButton.x, kOpenMeterButton.y);
    meter_ = WaitForTopWindow(process_.dwProcessId, kMeterWindowClass, "", 10000);
    ASSERT_NE(meter_, nullptr) << "no meter window\n" << DescribeWindows(process_.dwProcessId);
    RECT mainRect, rect;
    GetWindowRect(main_, &mainRect);
    GetWindowRect(meter_, &rect);
    const POINT grip{(rect.left + rect.right) / 2, rect.top + 60};
    ClickScreen(grip); // activates it
    DragScreen(grip, {grip.x + mainRect.right + 10 - rect.left, grip.y + mainRect.top - rect.top});
    GetWindowRect(meter_, &rect);
    const POINT edge{rect.right - 2, (rect.top + rect.bottom) / 2};
    if (widenBy > 0) DragScreen(edge, {edge.x + widenBy, edge.y});
    OpenMenu(VK_SPACE);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    GetWindowRect(meter_, &meterRect_);
}

void ProgramTest::Quit() {
    Step("quit from the menu");
    ActivateMain();
    OpenMenu('C'); // "Command"
    PressKey('Q');
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 20000), WAIT_OBJECT_0) << "still running";
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

} // namespace e2e
