#include "history/history_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "history/cue_store.h"
#include "tests/support/test_files.h"
#include "tests/support/history_slots.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchDir;
using testsupport::WriteAll;

namespace {

template <typename T> T At(const std::vector<uint8_t>& b, size_t at) {
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}
void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}

HistoryRecord Slot(int i) {
    const float f = float(i);
    return {int64_t(i + 1) * 4410 + (int64_t(1) << 33),
            0.5f + f,
            0.25f + f,
            0.125f + f,
            -1.5f - f,
            1e-12f * (f + 1),
            3.0f * f,
            -0.75f,
            i == 99 ? 1u : 0u};
}

void Fill(HistoryStore* store, int slots, int cues) {
    HistoryReset(store);
    testsupport::AppendSlots(store, slots, [](int32_t n, HistoryRecord& r) { r = Slot(n - 1); });
    for (int k = 1; k <= cues; ++k)
        CueInsert(store, int64_t(k) * 8820, ("cue " + std::to_string(k)).c_str());
}

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
    const uint32_t header[] = {44100, 3600, 2, 100, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(At<uint32_t>(b, 16 + 4 * i), header[i]) << "header field " << i;
    for (int k = 0; k < 2; ++k) {
        const size_t at = 48 + 128 * size_t(k);
        EXPECT_EQ(At<int64_t>(b, at), int64_t(k + 1) * 8820);
        std::string name = "cue " + std::to_string(k + 1);
        name.resize(120, '\0');
        EXPECT_EQ(std::string(b.begin() + at + 8, b.begin() + at + 128), name);
    }
    float HistoryRecord::*const floats[] = {&HistoryRecord::peakL,      &HistoryRecord::powerL,
                                            &HistoryRecord::averageL,   &HistoryRecord::peakR,
                                            &HistoryRecord::powerR,     &HistoryRecord::averageR,
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
    Fill(&store, 100, kCueCapacity);
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
    std::vector<uint8_t> loaded = Snapshot(other), written = Snapshot(store);
    EXPECT_EQ(other.recordCount, 100);
    EXPECT_EQ(other.cueCount, kCueCapacity);
    EXPECT_TRUE(std::equal(loaded.begin() + 64, loaded.end(), written.begin() + 64, written.end()));

    // Another rate loads too, and the caller learns it; a name without its
    // NUL is cut, since names are drawn as C strings.
    std::vector<uint8_t> b = ReadAll(path);
    std::fill(b.begin() + 56, b.begin() + 176, uint8_t('x'));
    ASSERT_TRUE(WriteAll(path, b));
    EXPECT_EQ(ReadHistory(&other, path.c_str(), 48000.0, &info), 44100);
    EXPECT_EQ(std::string(CueAt(&other, 1)->name), std::string(119, 'x'));
    HistoryStoreFree(&other);

    ASSERT_TRUE(WriteAll(path, std::vector<uint8_t>(200000, 0xEE)));
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), 0);
    EXPECT_EQ(ReadAll(path).size(), 48u + 128u * kCueCapacity + 40u * 100u);
    EXPECT_TRUE(OnlyEntryIs(dir, "trip.his"));
}

// Cues out of time order (another program's file, or an edited one) load
// in order, equal positions in the file's order: the graph's cue walk, the
// cue list and inserting all rely on it.
TEST_F(HistoryFileTest, CuesOutOfOrderLoadInTimeOrder) {
    Fill(&store, 100, 3);
    const std::string path = dir.file("unsorted.his");
    ASSERT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), 0);
    std::vector<uint8_t> b = ReadAll(path);
    const int64_t positions[] = {26460, 8820, 8820};
    for (int k = 0; k < 3; ++k)
        std::memcpy(&b[48 + 128 * size_t(k)], &positions[k], 8);
    ASSERT_TRUE(WriteAll(path, b));
    HistoryFileInfo info{};
    ASSERT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), 0);
    const struct {
        int64_t position;
        const char* name;
    } expected[] = {{8820, "cue 2"}, {8820, "cue 3"}, {26460, "cue 1"}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(CueAt(&store, k + 1)->samplePosition, expected[k].position) << k;
        EXPECT_STREQ(CueAt(&store, k + 1)->name, expected[k].name) << k;
    }
}

TEST_F(HistoryFileTest, RefusedFilesLeaveTheStoreAsItWas) {
    const struct {
        const char* what;
        size_t at; // 0: cut the file to value
        uint32_t value;
        size_t moreCues = 0; // empty cue records added after the file's two
    } cases[] = {
        {"another signature", 12, 0x0058512D}, // "-QX"
        {"short header", 0, 40},
        {"recordCount 0", 28, 0},
        {"cueCount 1025", 24, 1025},
        {"1025 cues, all in the file", 24, 1025, 1023},
        {"counts larger than the file", 28, 101},
        {"a slot past 2^46 samples", 48 + 256 + 40 * 99 + 4, 0x00004000}, // could wrap
        {"a cue before -2^46 samples", 48 + 4, 0xFFFFBFFF},
    };
    const std::vector<uint8_t> good = Saved();
    Fill(&store, 37, 3);
    store.viewPos = 12;
    store.viewEnd = 14;
    store.cueSelected = 2;
    const std::vector<uint8_t> before = Snapshot(store);
    for (const auto& c : cases) {
        std::vector<uint8_t> b = good;
        c.at ? SetU32(b, c.at, c.value) : b.resize(c.value);
        b.insert(b.begin() + 48 + 2 * sizeof(CueRecord), c.moreCues * sizeof(CueRecord), 0);
        const std::string path = dir.file("bad.his");
        ASSERT_TRUE(WriteAll(path, b));
        HistoryFileInfo info{11, 22, 33};
        EXPECT_EQ(ReadHistory(&store, path.c_str(), 44100.0, &info), -1) << c.what;
        EXPECT_TRUE(Snapshot(store) == before) << c.what;
        EXPECT_EQ(info.startTime, 22) << c.what;
    }
}

TEST_F(HistoryFileTest, FailedSavesKeepTheOldFile) {
    const std::vector<uint8_t> old(3000, 0xA5);
    const std::string path = dir.file("old.his");
    ASSERT_TRUE(WriteAll(path, old));
    auto expectKept = [&](const char* what) {
        EXPECT_TRUE(ReadAll(path) == old) << what;
        EXPECT_TRUE(OnlyEntryIs(dir, "old.his")) << what;
    };
    EXPECT_EQ(WriteHistory(&store, dir.file("no/such/folder.his").c_str(), 44100.0, 0), -1);
    expectKept("no such folder");

    const std::string folder = dir.file("folder.his");
    fs::create_directory(folder);
    EXPECT_EQ(WriteHistory(&store, folder.c_str(), 44100.0, 0), -1);
    EXPECT_TRUE(fs::is_directory(folder) && fs::is_empty(folder));
    fs::remove(folder);
    expectKept("target is a folder");
}

// The longest paths the file dialogs hand over save, and a save that
// fails there leaves nothing beside its target: the temporary's name is
// longer than the target's and over the old 260-character limit.
TEST_F(HistoryFileTest, LongestDialogPathsSaveOrLeaveNothing) {
    const std::string sep = dir.file("x").substr(dir.path().size(), 1);
    for (size_t length : {254u, 258u, 259u}) {
        SCOPED_TRACE(length);
        const std::string folder =
            dir.file(std::string(length - dir.path().size() - 2 - 5, 'f')); // "h.his"
        ASSERT_TRUE(fs::create_directory(folder));
        const std::string path = folder + sep + "h.his";
        ASSERT_EQ(length, path.size());
        EXPECT_EQ(0, WriteHistory(&store, path.c_str(), 44100.0, 0));
        EXPECT_EQ(4304u, ReadAll(path).size());
        fs::remove(path);
        ASSERT_TRUE(fs::create_directory(path)); // a folder where the file should go
        EXPECT_EQ(-1, WriteHistory(&store, path.c_str(), 44100.0, 0));
        EXPECT_EQ(1, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
        fs::remove_all(folder);
    }
}

// A save that does not fit on a real 64 KiB volume (none on Windows here).
TEST_F(HistoryFileTest, FullVolumeKeepsTheOldFile) {
    testsupport::SmallVolume volume;
    if (volume.path().empty()) GTEST_SKIP() << volume.why();
    const std::vector<uint8_t> old(20000, 0x3C);
    const std::string path = volume.file("old.his");
    ASSERT_TRUE(WriteAll(path, old));
    auto expectKept = [&](const char* what) {
        EXPECT_TRUE(ReadAll(path) == old) << what;
        EXPECT_FALSE(testsupport::FileExists(path + ".tmp~")) << what;
    };
    EXPECT_EQ(WriteHistory(&store, volume.file("fits.his").c_str(), 44100.0, 0), 0);
    Fill(&store, 100000, 0); // 4 MB
    EXPECT_EQ(WriteHistory(&store, path.c_str(), 44100.0, 0), -1);
    expectKept("disk full");
}

} // namespace
