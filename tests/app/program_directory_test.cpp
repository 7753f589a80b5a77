#include "app/program_directory.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramDirectory, CutsAFileNameLikeLastComponentAndTrailingBackslashes) {
    struct Case {
        const char* startup;
        const char* folder;
    };
    const Case kCases[] = {
        {"C:\\Tenvelo\\tenvelo.exe", "C:\\Tenvelo"},
        {"C:\\Tenvelo\\v1.2\\", "C:\\Tenvelo"},
        {"C:\\my.folder\\sub", "C:\\my.folder\\sub"},
        {"C:\\", "C:\\"},
        {"C:\\a.b", "C:\\"},
    };
    for (const Case& c : kCases) {
        char out[64];
        ProgramDirectory(c.startup, out, sizeof out);
        EXPECT_STREQ(out, c.folder) << c.startup;
    }
}

} // namespace
