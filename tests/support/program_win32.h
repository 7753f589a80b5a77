// Starting a program of this build as Windows starts one, and waiting for it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "sys/wide_path.h"

namespace testsupport {

// A file of the build tree this test program runs from (its folder's
// parent): TreeFile("tenvelo.exe") is build\<tree>\tenvelo.exe.
inline std::string TreeFile(const std::string& name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string tree(path);
    tree.resize(tree.find_last_of('\\'));
    tree.resize(tree.find_last_of('\\'));
    return tree + "\\" + name;
}

// Starts the command line (UTF-8) in folder (none: this one's).
inline bool StartProgram(const std::string& command, PROCESS_INFORMATION* process,
                         const std::string& folder = "") {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring line = WideFromUtf8(command.c_str());
    const std::wstring in = WideFromUtf8(folder.c_str());
    return CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : in.c_str(), &startup, process) != 0;
}

constexpr int kNotStarted = -1;
constexpr int kStillRunning = -2; // ended here when ms ran out

// Runs the command line and returns its exit code. While it runs, waiting
// (if given) is called every 10 ms, for the messages of this thread.
inline int RunProgram(const std::string& command, int ms = 60000,
                      const std::function<void()>& waiting = {}) {
    PROCESS_INFORMATION process = {};
    if (!StartProgram(command, &process)) return kNotStarted;
    DWORD waited = WAIT_TIMEOUT;
    for (int left = ms; left > 0 && waited != WAIT_OBJECT_0; left -= 10) {
        if (waiting) waiting();
        waited = WaitForSingleObject(process.hProcess, 10);
    }
    DWORD code = DWORD(kStillRunning);
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}

} // namespace testsupport
