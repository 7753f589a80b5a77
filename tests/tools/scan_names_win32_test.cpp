// tenvelo-scan started as Windows starts a program, with names outside the
// ANSI code page on its command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "sys/wide_path.h"
#include "tests/support/wave_bytes.h"

namespace {

namespace fs = std::filesystem;

// The scan beside this test's tree: build\win32\tools\tenvelo-scan.exe.
std::wstring ScanProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path);
    program.resize(program.find_last_of(L'\\'));
    program.resize(program.find_last_of(L'\\'));
    return program + L"\\tools\\tenvelo-scan.exe";
}

// Runs the command line and returns the exit code, or -1.
int RunProgram(const std::wstring& command) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = command;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}

// The input opens, and the history, CSV and JSON files come out under the
// names given.
TEST(ScanNames, NamesOutsideTheCodePageOnTheCommandLine) {
    testsupport::ScratchDir dir;
    const std::vector<int16_t> pcm(44100 * 2, 1000);
    for (const std::string name : {u8"Σήμα", u8"音声", u8"café Σ 音"}) {
        SCOPED_TRACE(name);
        const std::string base = dir.file(name);
        ASSERT_TRUE(testsupport::WriteAll(base + ".wav", testsupport::WaveBytes(2, pcm)));
        const std::wstring quoted = L" \"" + WideFromUtf8(base.c_str());
        EXPECT_EQ(0, RunProgram(L"\"" + ScanProgram() + L"\"" + quoted + L".wav\" --csv" + quoted +
                                L".csv\" --json" + quoted + L".json\""));
        for (const char* extension : {".his", ".csv", ".json"})
            EXPECT_TRUE(testsupport::FileExists(base + extension)) << extension;
    }
    const fs::directory_iterator files(fs::u8path(dir.path()));
    EXPECT_EQ(std::distance(files, fs::directory_iterator()), 12); // nothing beside them
}

} // namespace
