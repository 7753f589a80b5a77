#include "history/history_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "history/cue_store.h"
#include "tests/support/test_files.h"

#if defined(__linux__)
#include <sys/mount.h>
#endif

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchDir;
using testsupport::WriteAll;

namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

int64_t I64At(const std::vector<uint8_t>& b, size_t at) {
    return int64_t(uint64_t(U32At(b, at)) | uint64_t(U32At(b, at + 4)) << 32);
}

float F32At(const std::vector<uint8_t>& b, size_t at) {
    const uint32_t bits = U32At(b, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// Slot i of a made-up history: every field different and recognisable.
HistoryRecord Slot(int i) {
    HistoryRecord r{};
    r.samplePosition = int64_t(i + 1) * 4410 + (int64_t(1) << 33);
    r.peakL = 0.5f + i;
    r.powerL = 0.25f + i;
    r.averageL = 0.125f + i;
    r.peakR = -1.5f - i;
    r.powerR = 1e-12f * float(i + 1);
    r.averageR = 3.0f * i;
    r.correlation = -0.75f;
    r.flags = i == 99 ? 1u : 0u;
    return r;
}

// A store with the given number of slots (from Slot) and cues "cue 1"...
void Fill(HistoryStore* store, int slots, int cues) {
    HistoryReset(store);
    for (int i = 0; i < slots; ++i) {
        const HistoryRecord r = Slot(i);
        HistoryAppend(store, &r);
    }
    for (int k = 1; k <= cues; ++k)
        CueInsert(store, int64_t(k) * 8820, ("cue " + std::to_string(k)).c_str());
}

// Everything a failed load must leave as it was.
struct Snapshot {
    HistoryRecord* history;
    CueRecord* cues;
    int32_t writeIndex, viewEnd, recordCount, viewPos, cueCount, cueSelected;
    std::vector<uint8_t> slotBytes, cueBytes;
};

Snapshot Take(const HistoryStore& s) {
    Snapshot t{s.history, s.cues,     s.writeIndex,  s.viewEnd, s.recordCount,
               s.viewPos, s.cueCount, s.cueSelected, {},        {}};
    const auto* h = reinterpret_cast<const uint8_t*>(s.history);
    t.slotBytes.assign(h, h + sizeof(HistoryRecord) * size_t(s.recordCount));
    const auto* c = reinterpret_cast<const uint8_t*>(s.cues);
    t.cueBytes.assign(c, c + sizeof(CueRecord) * size_t(s.cueCount));
    return t;
}

void ExpectSame(const Snapshot& a, const Snapshot& b, const std::string& what) {
    EXPECT_EQ(a.history, b.history) << what;
    EXPECT_EQ(a.cues, b.cues) << what;
    EXPECT_EQ(a.writeIndex, b.writeIndex) << what;
    EXPECT_EQ(a.viewEnd, b.viewEnd) << what;
    EXPECT_EQ(a.recordCount, b.recordCount) << what;
    EXPECT_EQ(a.viewPos, b.viewPos) << what;
    EXPECT_EQ(a.cueCount, b.cueCount) << what;
    EXPECT_EQ(a.cueSelected, b.cueSelected) << what;
    EXPECT_TRUE(a.slotBytes == b.slotBytes) << what;
    EXPECT_TRUE(a.cueBytes == b.cueBytes) << what;
}

bool OnlyEntryIs(const ScratchDir& dir, const std::string& name) {
    int entries = 0;
    bool found = false;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        ++entries;
        found = found || e.path().filename() == name;
    }
    return entries == 1 && found;
}

class HistoryFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(HistoryStoreInit(&store), 1);
        Fill(&store, 100, 2);
    }
    void TearDown() override { HistoryStoreFree(&store); }

    std::vector<uint8_t> Saved() {
        const std::string path = dir.file("saved.his");
        EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 3600), 0);
        return ReadAll(path);
    }

    HistoryStore store{};
    ScratchDir dir;
};

TEST_F(HistoryFileTest, GoldenBytesOfHundredSlotsAndTwoCues) {
    const std::vector<uint8_t> b = Saved();
    ASSERT_EQ(b.size(), 4304u);
    const char signature[16] = {'H', 'i', 's', 't', 'o', 'r', 'y', 'L',
                                'e', 'v', 'e', 'l', '-', 'P', 'X', '\0'};
    EXPECT_EQ(std::memcmp(b.data(), signature, 16), 0);
    EXPECT_EQ(U32At(b, 16), 44100u);
    EXPECT_EQ(U32At(b, 20), 3600u);
    EXPECT_EQ(U32At(b, 24), 2u);
    EXPECT_EQ(U32At(b, 28), 100u);
    for (size_t i = 32; i < 48; ++i)
        EXPECT_EQ(b[i], 0) << "reserved byte " << i;

    for (int k = 0; k < 2; ++k) {
        const size_t at = 48 + 128 * size_t(k);
        EXPECT_EQ(I64At(b, at), int64_t(k + 1) * 8820);
        const std::string name = "cue " + std::to_string(k + 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at + 8])), name);
        for (size_t i = at + 8 + name.size(); i < at + 128; ++i)
            ASSERT_EQ(b[i], 0);
    }
    for (int i = 0; i < 100; ++i) {
        const size_t at = 48 + 256 + 40 * size_t(i);
        const HistoryRecord r = Slot(i);
        ASSERT_EQ(I64At(b, at), r.samplePosition) << i;
        ASSERT_EQ(F32At(b, at + 8), r.peakL) << i;
        ASSERT_EQ(F32At(b, at + 12), r.powerL) << i;
        ASSERT_EQ(F32At(b, at + 16), r.averageL) << i;
        ASSERT_EQ(F32At(b, at + 20), r.peakR) << i;
        ASSERT_EQ(F32At(b, at + 24), r.powerR) << i;
        ASSERT_EQ(F32At(b, at + 28), r.averageR) << i;
        ASSERT_EQ(F32At(b, at + 32), r.correlation) << i;
        ASSERT_EQ(U32At(b, at + 36), r.flags) << i;
    }
    // One slot spelled out byte by byte: 0.5f is 0x3F000000.
    const uint8_t first[12] = {0x3A, 0x11, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0x3F};
    EXPECT_EQ(std::memcmp(&b[304], first, 12), 0);
}

TEST_F(HistoryFileTest, RoundTripReplacesTheStoreAndPutsTheViewAtTheEnd) {
    const std::string path = dir.file("trip.his");
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 3600), 0);
    const Snapshot written = Take(store);

    HistoryStore other{};
    ASSERT_EQ(HistoryStoreInit(&other), 1);
    Fill(&other, 7, 5);
    other.viewPos = 3;
    other.cueSelected = 4;
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&other, path.c_str(), 44100.0, &info), 0);
    EXPECT_EQ(other.recordCount, 100);
    EXPECT_EQ(other.writeIndex, 100);
    EXPECT_EQ(other.viewPos, 100);
    EXPECT_EQ(other.viewEnd, 100);
    EXPECT_EQ(other.cueCount, 2);
    EXPECT_EQ(other.cueSelected, 0);
    EXPECT_EQ(other.capacity, kHistoryCapacity);
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.startTime, 3600);
    EXPECT_EQ(info.lastSamplePosition, Slot(99).samplePosition);
    Snapshot loaded = Take(other);
    EXPECT_TRUE(loaded.slotBytes == written.slotBytes);
    EXPECT_TRUE(loaded.cueBytes == written.cueBytes);

    // Recording continues after the loaded slots.
    HistoryRecord next = Slot(100);
    EXPECT_EQ(HistoryAppend(&other, &next), 1);
    EXPECT_EQ(other.recordCount, 101);
    HistoryStoreFree(&other);
}

TEST_F(HistoryFileTest, SavingOverALongerFileLeavesTheNewLength) {
    const std::string path = dir.file("long.his");
    ASSERT_TRUE(WriteAll(path, std::vector<uint8_t>(100000, 0xEE)));
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), 0);
    EXPECT_EQ(ReadAll(path).size(), 4304u);
    EXPECT_TRUE(OnlyEntryIs(dir, "long.his"));
}

TEST_F(HistoryFileTest, AnotherSampleRateLoadsAndIsReported) {
    std::vector<uint8_t> b = Saved();
    SetU32(b, 16, 48000);
    const std::string path = dir.file("48k.his");
    ASSERT_TRUE(WriteAll(path, b));
    HistoryStore other{};
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&other, path.c_str(), 44100.0, &info), 48000);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(other.recordCount, 100);
    // Times stay computed at the engine's rate.
    EXPECT_EQ(HistoryQueryStatus(&other, 0, 44100.0, 0).newestSeconds,
              Slot(99).samplePosition / 44100);
    HistoryStoreFree(&other);
}

TEST_F(HistoryFileTest, RefusedFilesLeaveTheStoreAsItWas) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    };
    const Case cases[] = {
        {"another signature", [](std::vector<uint8_t>& b) { b[13] = 'Q'; }},
        {"signature without its NUL", [](std::vector<uint8_t>& b) { b[15] = 'X'; }},
        {"short header", [](std::vector<uint8_t>& b) { b.resize(40); }},
        {"empty file", [](std::vector<uint8_t>& b) { b.clear(); }},
        {"recordCount 0", [](std::vector<uint8_t>& b) { SetU32(b, 28, 0); }},
        {"recordCount negative", [](std::vector<uint8_t>& b) { SetU32(b, 28, 0xFFFFFFFF); }},
        {"recordCount 432001", [](std::vector<uint8_t>& b) { SetU32(b, 28, 432001); }},
        {"cueCount 1025", [](std::vector<uint8_t>& b) { SetU32(b, 24, 1025); }},
        {"cueCount negative", [](std::vector<uint8_t>& b) { SetU32(b, 24, 0x80000000); }},
        {"counts past the file", [](std::vector<uint8_t>& b) { SetU32(b, 28, 101); }},
        {"cues past the file", [](std::vector<uint8_t>& b) { SetU32(b, 24, 40); }},
        {"last slot cut short", [](std::vector<uint8_t>& b) { b.pop_back(); }},
        {"sample rate 0", [](std::vector<uint8_t>& b) { SetU32(b, 16, 0); }},
        {"sample rate -1", [](std::vector<uint8_t>& b) { SetU32(b, 16, 0xFFFFFFFF); }},
    };
    const std::vector<uint8_t> good = Saved();
    // The store holds something other than the file, scrolled and zoomed away.
    Fill(&store, 37, 3);
    store.viewPos = 12;
    store.viewEnd = 14;
    store.cueSelected = 2;
    const Snapshot before = Take(store);
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        c.spoil(b);
        const std::string path = dir.file("bad.his");
        ASSERT_TRUE(WriteAll(path, b));
        HistoryFileInfo info{11, 22, 33};
        EXPECT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), -1) << c.what;
        ExpectSame(Take(store), before, c.what);
        EXPECT_EQ(info.startTime, 22) << c.what;
    }
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&store, dir.file("missing.his").c_str(), 44100.0, &info), -1);
    ExpectSame(Take(store), before, "missing file");
}

TEST_F(HistoryFileTest, CueNamesFromAFileAreAlwaysTerminated) {
    std::vector<uint8_t> b = Saved();
    std::memset(&b[48 + 8], 'z', 120); // first cue's name fills its field
    const std::string path = dir.file("names.his");
    ASSERT_TRUE(WriteAll(path, b));
    HistoryFileInfo info{};
    ASSERT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), 0);
    EXPECT_EQ(std::string(CueAt(&store, 1)->name), std::string(119, 'z'));
}

TEST_F(HistoryFileTest, EmptyHistoryFailsWithoutTouchingTheFile) {
    const std::string path = dir.file("keep.his");
    const std::vector<uint8_t> old(5000, 0x5A);
    ASSERT_TRUE(WriteAll(path, old));
    HistoryReset(&store);
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    HistoryStore none{};
    EXPECT_EQ(WriteHistory(&none, path.c_str(), 44100.0, 0), -1);
    EXPECT_EQ(WriteHistory(nullptr, path.c_str(), 44100.0, 0), -1);
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_TRUE(OnlyEntryIs(dir, "keep.his"));
}

// A save that fails leaves the old file byte for byte and no temporary.
TEST_F(HistoryFileTest, FailedSavesKeepTheOldFile) {
    const std::vector<uint8_t> old(3000, 0xA5);
    const std::string path = dir.file("old.his");
    ASSERT_TRUE(WriteAll(path, old));

    // Read-only target.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_TRUE(OnlyEntryIs(dir, "old.his"));
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    // The target is a folder.
    const std::string folder = dir.file("folder.his");
    fs::create_directory(folder);
    EXPECT_EQ(WriteHistory(&store, folder.c_str(), 44100.0, 0), -1);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(fs::exists(folder + ".tmp~"));
    fs::remove(folder);

    // The folder does not exist.
    EXPECT_EQ(WriteHistory(&store, dir.file("no/such/folder.his").c_str(), 44100.0, 0), -1);
    EXPECT_TRUE(OnlyEntryIs(dir, "old.his"));
    EXPECT_TRUE(ReadAll(path) == old);
}

TEST_F(HistoryFileTest, FolderNotWritable) {
    const std::string path = dir.file("old.his");
    const std::vector<uint8_t> old(3000, 0xA5);
    ASSERT_TRUE(WriteAll(path, old));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec,
                    fs::perm_options::replace);
    const std::string probe = dir.file("probe");
    if (WriteAll(probe, {1})) {
        fs::remove(probe);
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
        GTEST_SKIP() << "folder permissions do not stop this user (root, or Windows)";
    }
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_TRUE(OnlyEntryIs(dir, "old.his"));
}

TEST_F(HistoryFileTest, DiskFull) {
#if defined(__linux__)
    // A 64 KiB file system: the old file fits, a history of 4 MB does not.
    const std::string small = dir.file("small");
    fs::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    const std::string path = small + "/old.his";
    const std::vector<uint8_t> old(20000, 0x3C);
    const bool wrote = WriteAll(path, old);
    Fill(&store, 100000, 0);
    const int result = WriteHistory(&store, path.c_str(), 44100.0, 0);
    const std::vector<uint8_t> after = ReadAll(path);
    const bool onlyOld = fs::exists(path) && !fs::exists(path + ".tmp~");
    umount(small.c_str());
    ASSERT_TRUE(wrote);
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(after == old);
    EXPECT_TRUE(onlyOld);
#else
    GTEST_SKIP() << "no small file system to fill on this platform";
#endif
}

} // namespace
