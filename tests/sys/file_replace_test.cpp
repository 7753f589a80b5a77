#include "sys/file_replace.h"
#include "sys/file_replace_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchDir;
using testsupport::WriteAll;

namespace {

// The real platform calls, but for one step, which fails at its at-th use
// the way the disk would: a failed write stores half its bytes, a failed
// close still lets the handle go. Every call is recorded in order.
struct Planted {
    std::string step; // "" for none
    int at = 1;
    std::vector<std::string> calls;

    bool Fails(const char* name) {
        calls.push_back(name);
        if (step != name) return false;
        int uses = 0;
        for (const std::string& c : calls)
            uses += c == name;
        return uses == at;
    }
};

Planted* g_planted;
const FileReplaceTable* Real() {
    return FileReplaceRealTable();
}

FileHandle Create(const char* path, bool privately) {
    return g_planted->Fails("create") ? kNoFile : Real()->create(path, privately);
}
bool Write(FileHandle file, const void* data, size_t size) {
    if (!g_planted->Fails("write")) return Real()->write(file, data, size);
    Real()->write(file, data, size / 2);
    return false;
}
bool Flush(FileHandle file) {
    return !g_planted->Fails("flush") && Real()->flush(file);
}
bool Close(FileHandle file) {
    return Real()->close(file) && !g_planted->Fails("close");
}
bool Rename(const char* from, const char* to) {
    return !g_planted->Fails("rename") && Real()->rename(from, to);
}
bool Remove(const char* path) {
    return !g_planted->Fails("remove") && Real()->remove(path);
}
bool ReadOnly(const char* path) {
    return !g_planted->Fails("readOnly") && Real()->readOnly(path);
}

class PlantedScope {
  public:
    explicit PlantedScope(Planted* planted) {
        g_planted = planted;
        table_ = {Create, Write, Flush, Close, Rename, Remove, ReadOnly, Real()->lineEnd};
        FileReplaceSetTable(&table_);
    }
    ~PlantedScope() { FileReplaceSetTable(nullptr); }

  private:
    FileReplaceTable table_;
};

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(seed + i * 7 + i / 251);
    return bytes;
}

// A writer handing over bytes in pieces of 1000, as the history's does;
// a heedless one goes on after a failed write and claims success.
FileWriter Writing(const std::vector<uint8_t>& bytes, bool heedless = false) {
    return [&bytes, heedless](FileSink* f) {
        for (size_t at = 0; at < bytes.size(); at += 1000)
            if (!FileSinkWrite(f, bytes.data() + at, std::min<size_t>(1000, bytes.size() - at)) &&
                !heedless)
                return false;
        return true;
    };
}

std::vector<std::string> Entries(const ScratchDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(fs::u8path(dir.path())))
        names.push_back(e.path().filename().u8string());
    return names;
}

constexpr size_t kSmall = 3000;   // one write, at the end
constexpr size_t kLarge = 200000; // several writes of the sink's buffer

// Whatever step fails, an old file stays byte for byte, a missing one stays
// missing, and no temporary is left beside it, also when the writer does
// not heed a failed write.
TEST(FileReplace, FailureAtAnyStepLeavesTheOldFile) {
    const struct {
        const char* step;
        int at; // the use of the step that fails
        size_t size;
        bool heedless;
    } cases[] = {
        {"create", 1, kSmall, false}, {"write", 1, kSmall, false}, {"write", 1, kLarge, false},
        {"write", 3, kLarge, false},  {"write", 1, kSmall, true},  {"write", 2, kLarge, true},
        {"flush", 1, kSmall, false},  {"close", 1, kLarge, false}, {"rename", 1, kSmall, false},
    };
    const std::vector<uint8_t> old = Bytes(5000, 0x5A);
    for (const auto& c : cases) {
        for (bool existing : {true, false}) {
            SCOPED_TRACE(std::string(c.step) + " #" + std::to_string(c.at) + ", " +
                         std::to_string(c.size) + " bytes" + (c.heedless ? ", heedless" : "") +
                         (existing ? "" : ", no old file"));
            ScratchDir dir;
            const std::string target = dir.file("take.his");
            if (existing) {
                ASSERT_TRUE(WriteAll(target, old));
            }
            const std::vector<uint8_t> fresh = Bytes(c.size, 0x11);
            Planted planted;
            planted.step = c.step;
            planted.at = c.at;
            {
                PlantedScope scope(&planted);
                EXPECT_EQ(0, FileReplace(target.c_str(), 0, Writing(fresh, c.heedless)));
            }
            EXPECT_EQ(planted.calls.back(), c.step == std::string("create") ? "create" : "remove");
            if (existing) {
                EXPECT_TRUE(ReadAll(target) == old);
                EXPECT_EQ(Entries(dir), std::vector<std::string>{"take.his"});
            } else {
                EXPECT_TRUE(Entries(dir).empty());
            }
        }
    }
}

// The data is on the disk and its handle closed before the new name points
// at it; a writer that gives up is a failure like any other.
TEST(FileReplace, FlushesAndClosesBeforeTheRename) {
    const struct {
        size_t size;
        bool givesUp;
        std::vector<std::string> calls;
    } cases[] = {
        {kSmall, false, {"readOnly", "create", "write", "flush", "close", "rename"}},
        {kLarge,
         false,
         {"readOnly", "create", "write", "write", "write", "write", "flush", "close", "rename"}},
        {kSmall, true, {"readOnly", "create", "close", "remove"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + (c.givesUp ? " bytes, the writer gives up" : ""));
        ScratchDir dir;
        const std::string target = dir.file("take.json");
        ASSERT_TRUE(WriteAll(target, {1, 2, 3}));
        const std::vector<uint8_t> fresh = Bytes(c.size, 0x22);
        Planted planted;
        int result;
        {
            PlantedScope scope(&planted);
            result = FileReplace(target.c_str(), 0,
                                 [&](FileSink* f) { return Writing(fresh)(f) && !c.givesUp; });
        }
        EXPECT_EQ(result, c.givesUp ? 0 : 1);
        EXPECT_EQ(planted.calls, c.calls);
        EXPECT_TRUE(ReadAll(target) == (c.givesUp ? std::vector<uint8_t>{1, 2, 3} : fresh));
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"take.json"});
    }
}

// The scan prepares its CSV before the history moves in and drops it when
// the history fails: nothing moves until the commit.
TEST(FileReplace, PreparedFileWaitsForItsCommit) {
    ScratchDir dir;
    const std::string target = dir.file("take.csv");
    const std::vector<uint8_t> old = Bytes(100, 1), fresh = Bytes(kLarge, 2);
    ASSERT_TRUE(WriteAll(target, old));
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "abandoned");
        FileReplacement r;
        ASSERT_EQ(1, FileReplacementPrepare(&r, target.c_str(), 0, Writing(fresh)));
        EXPECT_TRUE(ReadAll(target) == old);
        EXPECT_TRUE(ReadAll(target + ".tmp~") == fresh);
        if (commit) {
            EXPECT_EQ(1, FileReplacementCommit(&r));
        } else {
            FileReplacementAbandon(&r);
        }
        EXPECT_TRUE(ReadAll(target) == (commit ? fresh : old));
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"take.csv"});
        EXPECT_EQ(0, FileReplacementCommit(&r)); // nothing prepared any more
    }
}

// Text ends its lines as the platform does (the CSV has CR LF on Windows);
// other files keep their bytes.
TEST(FileReplace, TextLinesEndAsThePlatformEndsThem) {
#ifdef _WIN32
    const std::string lineEnd = "\r\n";
#else
    const std::string lineEnd = "\n";
#endif
    ScratchDir dir;
    const std::string target = dir.file("t.csv");
    const std::string text = "a,b\n\n1,2\nend";
    for (unsigned flags : {0u, unsigned(kFileReplaceText)}) {
        ASSERT_EQ(1, FileReplace(target.c_str(), flags, [&](FileSink* f) {
                      return FileSinkWrite(f, text.data(), text.size()) == 1;
                  }));
        const std::vector<uint8_t> bytes = ReadAll(target);
        const std::string expected =
            flags ? "a,b" + lineEnd + lineEnd + "1,2" + lineEnd + "end" : text;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected) << flags;
    }
}

// A read-only target is refused before anything is written, as Windows
// refuses to replace it (natively also for root).
TEST(FileReplace, ReadOnlyTargetIsRefused) {
    ScratchDir dir;
    const std::string target = dir.file("locked.his");
    const std::vector<uint8_t> old = Bytes(10, 3);
    ASSERT_TRUE(WriteAll(target, old));
    fs::permissions(fs::u8path(target),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Planted planted;
    {
        PlantedScope scope(&planted);
        EXPECT_EQ(0, FileReplace(target.c_str(), 0, Writing(Bytes(10, 4))));
    }
    EXPECT_EQ(planted.calls, std::vector<std::string>{"readOnly"});
    EXPECT_TRUE(ReadAll(target) == old);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"locked.his"});
}

#ifndef _WIN32
// Settings values are the user's alone; other files are as the umask says.
TEST(FileReplace, PrivateFilesAreTheOwnersAlone) {
    ScratchDir dir;
    const std::string target = dir.file("value.val");
    const mode_t umaskBefore = umask(022);
    for (unsigned flags : {0u, unsigned(kFileReplacePrivate)}) {
        ASSERT_EQ(1, FileReplace(target.c_str(), flags, Writing(Bytes(8, 5))));
        const fs::perms others = fs::perms::group_all | fs::perms::others_all;
        EXPECT_EQ((fs::status(target).permissions() & others) == fs::perms::none,
                  flags == kFileReplacePrivate);
    }
    umask(umaskBefore);
}
#endif

} // namespace
