// tenvelo-scan started as Windows starts a program, with names outside the
// ANSI code page on its command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/program_win32.h"
#include "tests/support/wave_bytes.h"

namespace {

namespace fs = std::filesystem;

// The input opens, and the history, CSV and JSON files come out under the
// names given.
TEST(ScanNames, NamesOutsideTheCodePageOnTheCommandLine) {
    testsupport::ScratchDir dir;
    const std::vector<int16_t> pcm(44100 * 2, 1000);
    for (const std::string name : {u8"Σήμα", u8"音声", u8"café Σ 音"}) {
        SCOPED_TRACE(name);
        const std::string base = dir.file(name);
        ASSERT_TRUE(testsupport::WriteAll(base + ".wav", testsupport::WaveBytes(2, pcm)));
        const std::string quoted = " \"" + base;
        EXPECT_EQ(0, testsupport::RunProgram(
                         "\"" + testsupport::TreeFile("tools\\tenvelo-scan.exe") + "\"" + quoted +
                         ".wav\" --csv" + quoted + ".csv\" --json" + quoted + ".json\""));
        for (const char* extension : {".his", ".csv", ".json"})
            EXPECT_TRUE(testsupport::FileExists(base + extension)) << extension;
    }
    const fs::directory_iterator files(fs::u8path(dir.path()));
    EXPECT_EQ(std::distance(files, fs::directory_iterator()), 12); // nothing beside them
}

} // namespace
