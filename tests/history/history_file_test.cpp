#include "history/history_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
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

// Little-endian fields of a file, as on every host the tests run on.
template <typename T> T At(const std::vector<uint8_t>& b, size_t at) {
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}
void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

// Slot i of a made-up history: every field different and recognisable.
HistoryRecord Slot(int i) {
    const float f = float(i);
    return {int64_t(i + 1) * 4410 + (int64_t(1) << 33), 0.5f + f, 0.25f + f, 0.125f + f,
            -1.5f - f, 1e-12f * (f + 1), 3.0f * f, -0.75f, i == 99 ? 1u : 0u};
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

// Everything a failed load must leave as it was: buffers, counts and contents.
std::vector<uint8_t> Snapshot(const HistoryStore& s) {
    const int64_t fields[] = {intptr_t(s.history), intptr_t(s.cues), s.writeIndex, s.viewEnd,
                              s.recordCount,       s.viewPos,        s.cueCount,   s.cueSelected};
    std::vector<uint8_t> t(reinterpret_cast<const uint8_t*>(fields),
                           reinterpret_cast<const uint8_t*>(fields + 8));
    const auto* h = reinterpret_cast<const uint8_t*>(s.history);
    t.insert(t.end(), h, h + sizeof(HistoryRecord) * size_t(s.recordCount));
    const auto* c = reinterpret_cast<const uint8_t*>(s.cues);
    t.insert(t.end(), c, c + sizeof(CueRecord) * size_t(s.cueCount));
    return t;
}

bool OnlyEntryIs(const ScratchDir& dir, const std::string& name) {
    return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) == 1 &&
           fs::exists(dir.file(name));
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
    EXPECT_EQ(std::string(b.begin(), b.begin() + 16), std::string("HistoryLevel-PX", 16));
    const uint32_t header[] = {44100, 3600, 2, 100, 0, 0, 0, 0}; // rate, start, counts, reserved
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(At<uint32_t>(b, 16 + 4 * i), header[i]) << "header field " << i;
    for (int k = 0; k < 2; ++k) {
        const size_t at = 48 + 128 * size_t(k);
        EXPECT_EQ(At<int64_t>(b, at), int64_t(k + 1) * 8820);
        std::string name = "cue " + std::to_string(k + 1);
        name.resize(120, '\0');
        EXPECT_EQ(std::string(b.begin() + at + 8, b.begin() + at + 128), name);
    }
    float HistoryRecord::*const floats[] = {&HistoryRecord::peakL,   &HistoryRecord::powerL,
                                            &HistoryRecord::averageL, &HistoryRecord::peakR,
                                            &HistoryRecord::powerR,   &HistoryRecord::averageR,
                                            &HistoryRecord::correlation};
    for (int i = 0; i < 100; ++i) {
        const size_t at = 48 + 256 + 40 * size_t(i);
        const HistoryRecord r = Slot(i);
        ASSERT_EQ(At<int64_t>(b, at), r.samplePosition) << i;
        for (int f = 0; f < 7; ++f)
            ASSERT_EQ(At<float>(b, at + 8 + 4 * f), r.*floats[f]) << i << " field " << f;
        ASSERT_EQ(At<uint32_t>(b, at + 36), r.flags) << i;
    }
}

TEST_F(HistoryFileTest, RoundTripReplacesTheStoreAndPutsTheViewAtTheEnd) {
    const std::string path = dir.file("trip.his");
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 3600), 0);
    HistoryStore other{};
    ASSERT_EQ(HistoryStoreInit(&other), 1);
    Fill(&other, 7, 5);
    other.viewPos = 3;
    other.cueSelected = 4;
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&other, path.c_str(), 44100.0, &info), 0);
    EXPECT_EQ(other.viewPos, 100);
    EXPECT_EQ(other.viewEnd, 100);
    EXPECT_EQ(other.cueSelected, 0);
    EXPECT_EQ(info.startTime, 3600);
    EXPECT_EQ(info.lastSamplePosition, Slot(99).samplePosition);
    // Same slots and cues (the snapshot's fields take its first 64 bytes).
    std::vector<uint8_t> loaded = Snapshot(other), written = Snapshot(store);
    EXPECT_EQ(other.recordCount, 100);
    EXPECT_EQ(other.cueCount, 2);
    EXPECT_TRUE(std::equal(loaded.begin() + 64, loaded.end(), written.begin() + 64, written.end()));
    HistoryStoreFree(&other);

    // Saving over a longer file leaves exactly the new length.
    ASSERT_TRUE(WriteAll(path, std::vector<uint8_t>(100000, 0xEE)));
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), 0);
    EXPECT_EQ(ReadAll(path).size(), 4304u);
    EXPECT_TRUE(OnlyEntryIs(dir, "trip.his"));
}

// A 48000 Hz file loads and returns its rate; a cue name filling its field is
// read back terminated.
TEST_F(HistoryFileTest, OddButValidFilesLoad) {
    std::vector<uint8_t> b = Saved();
    SetU32(b, 16, 48000);
    std::memset(&b[48 + 8], 'z', 120);
    const std::string path = dir.file("48k.his");
    ASSERT_TRUE(WriteAll(path, b));
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), 48000);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(store.recordCount, 100);
    EXPECT_EQ(std::string(CueAt(&store, 1)->name), std::string(119, 'z'));
}

TEST_F(HistoryFileTest, RefusedFilesLeaveTheStoreAsItWas) {
    const struct {
        const char* what;
        size_t at;      // a 32-bit field set to value, or
        uint32_t value; // with at 0, the size the file is cut to
    } cases[] = {
        {"another signature", 12, 0x0058512D}, // "-QX"
        {"short header", 0, 40},
        {"recordCount 0", 28, 0},
        {"recordCount negative", 28, 0xFFFFFFFF},
        {"recordCount 432001", 28, 432001},
        {"cueCount 1025", 24, 1025},
        {"cueCount negative", 24, 0x80000000},
        {"counts larger than the file", 28, 101},
        {"last slot cut short", 0, 4303},
        {"sample rate 0", 16, 0},
    };
    const std::vector<uint8_t> good = Saved();
    // The store holds something other than the file, scrolled away.
    Fill(&store, 37, 3);
    store.viewPos = 12;
    store.viewEnd = 14;
    store.cueSelected = 2;
    const std::vector<uint8_t> before = Snapshot(store);
    for (const auto& c : cases) {
        std::vector<uint8_t> b = good;
        c.at ? SetU32(b, c.at, c.value) : b.resize(c.value);
        const std::string path = dir.file("bad.his");
        ASSERT_TRUE(WriteAll(path, b));
        HistoryFileInfo info{11, 22, 33};
        EXPECT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), -1) << c.what;
        EXPECT_TRUE(Snapshot(store) == before) << c.what;
        EXPECT_EQ(info.startTime, 22) << c.what;
    }
    HistoryFileInfo info{};
    EXPECT_EQ(ReadHistory(&store, dir.file("missing.his").c_str(), 44100.0, &info), -1);
    EXPECT_TRUE(Snapshot(store) == before) << "missing file";
}

// A save that fails leaves the old file byte for byte and no temporary.
TEST_F(HistoryFileTest, FailedSavesKeepTheOldFile) {
    const std::vector<uint8_t> old(3000, 0xA5);
    const std::string path = dir.file("old.his");
    ASSERT_TRUE(WriteAll(path, old));
    auto expectKept = [&](const char* what) {
        EXPECT_TRUE(ReadAll(path) == old) << what;
        EXPECT_TRUE(OnlyEntryIs(dir, "old.his")) << what;
    };
    EXPECT_EQ(WriteHistory(nullptr, path.c_str(), 44100.0, 0), -1);
    expectKept("no store");

    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    expectKept("read-only target");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    EXPECT_EQ(WriteHistory(&store, dir.file("no/such/folder.his").c_str(), 44100.0, 0), -1);
    expectKept("no such folder");
    HistoryReset(&store);
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    expectKept("empty history");
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
