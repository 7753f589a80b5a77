#include "tools/scan_batch.h"

#include "tests/support/test_files.h"
#include "tests/tools/scan_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using testsupport::FileExists;
using testsupport::ReadAll;
using testsupport::ScratchDir;

namespace {

// A batch run with its two streams captured in files.
struct BatchRun {
    int status;
    std::vector<std::string> out; // lines
    std::string err;              // as written
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

BatchRun RunBatch(const ScratchDir& dir, const ScanOptions& o, bool progress = false,
                  int64_t progressAfterMs = 1000) {
    const std::string outPath = dir.file("stdout.txt"), errPath = dir.file("stderr.txt");
    ScanBatchIo io = {std::fopen(outPath.c_str(), "wb"), std::fopen(errPath.c_str(), "wb"),
                      progress, progressAfterMs};
    BatchRun run;
    run.status = RunScanBatch(o, io);
    std::fclose(io.out);
    std::fclose(io.err);
    run.out = Lines(Text(outPath));
    run.err = Text(errPath);
    return run;
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> MonoWave() {
    using namespace testsupport;
    std::vector<uint8_t> mono;
    PutTag(mono, "RIFF");
    PutU32(mono, 36 + 8);
    PutTag(mono, "WAVE");
    PutTag(mono, "fmt ");
    PutU32(mono, 16);
    PutU16(mono, 1);
    PutU16(mono, 1);
    PutU32(mono, 44100);
    PutU32(mono, 88200);
    PutU16(mono, 2);
    PutU16(mono, 16);
    PutTag(mono, "data");
    PutU32(mono, 8);
    mono.resize(mono.size() + 8);
    return mono;
}

// Bad files among good ones: each bad one prints its one line in input
// order and leaves nothing in the output folder; the good ones are written.
TEST(ScanBatch, EachBadFileReportsItsLineAndTheOthersAreWritten) {
    ScratchDir dir;
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    std::vector<uint8_t> truncated = MonoWave();
    truncated.resize(30); // inside the "fmt " chunk
    std::vector<uint8_t> tooShort = MonoWave();
    tooShort[22] = 2; // stereo, two frames: no whole display frame
    tooShort[32] = 4;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes; // empty: see the name
        const char* error;          // empty: a good file
    };
    const Case cases[] = {
        {"good1.wav", {}, ""},
        {"text.wav", {'h', 'e', 'l', 'l', 'o'}, "not a RIFF WAVE file"},
        {"mono.wav", MonoWave(), "refused format (44100 Hz, 1 channels, 16 bits"},
        {"truncated.wav", truncated, "no usable format chunk"},
        {"short.wav", tooShort, "nothing recorded: the file is too short"},
        {"folder.wav", {}, "a folder, not a file"},
        {"missing.wav", {}, "cannot open the file"},
        {"good2.wav", {}, ""},
    };
    ScanOptions o;
    o.outDir = out;
    o.csvEach = true;
    o.jobs = 3;
    std::vector<std::string> expectedOut, expectedErr;
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        o.inputs.push_back(path);
        if (!*c.error) {
            ASSERT_TRUE(scantest::WriteStereoWave(path, scantest::Noise(50000, 1)));
            expectedOut.push_back(path + ": 1.134 s, ");
        } else {
            expectedErr.push_back("tenvelo-scan: " + path + ": " + c.error);
        }
        if (!c.bytes.empty()) {
            ASSERT_TRUE(testsupport::WriteAll(path, c.bytes));
        }
    }
    std::filesystem::create_directory(dir.file("folder.wav"));

    BatchRun run = RunBatch(dir, o);
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.out.size(), expectedOut.size());
    for (size_t i = 0; i < expectedOut.size(); ++i)
        EXPECT_EQ(run.out[i].rfind(expectedOut[i], 0), 0u) << run.out[i];
    const std::vector<std::string> errLines = Lines(run.err);
    ASSERT_EQ(errLines.size(), expectedErr.size()) << run.err;
    for (size_t i = 0; i < expectedErr.size(); ++i)
        EXPECT_EQ(errLines[i].rfind(expectedErr[i], 0), 0u) << errLines[i];
    const std::vector<std::string> written = {"good1.csv", "good1.his", "good2.csv", "good2.his"};
    EXPECT_EQ(Listing(out), written);
}

// A CSV that cannot be written fails the file: no new history either, and
// the old one stays as it was.
TEST(ScanBatch, CsvThatCannotBeWrittenLeavesTheHistoryAlone) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("in.wav")};
    o.csv = dir.file("no such folder/in.csv");
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(20000, 2)));
    const std::vector<uint8_t> old(100, 7);
    ASSERT_TRUE(testsupport::WriteAll(dir.file("in.his"), old));
    BatchRun run = RunBatch(dir, o);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(": cannot write " + o.csv), std::string::npos) << run.err;
    EXPECT_TRUE(ReadAll(dir.file("in.his")) == old);
    EXPECT_FALSE(FileExists(dir.file("in.his.tmp~")));
}

// A folder nobody may write to (a read-only mount stops even root).
TEST(ScanBatch, ReadOnlyOutputFolderFailsEveryFileAndLeavesNothing) {
    testsupport::SmallVolume volume;
    if (volume.path().empty()) GTEST_SKIP() << volume.why();
    if (!volume.MakeReadOnly()) GTEST_SKIP() << "no read-only volume here";
    ScratchDir dir;
    ScanOptions o;
    o.outDir = volume.path();
    for (const char* name : {"a.wav", "b.wav"}) {
        o.inputs.push_back(dir.file(name));
        ASSERT_TRUE(scantest::WriteStereoWave(o.inputs.back(), scantest::Noise(20000, 3)));
    }
    BatchRun run = RunBatch(dir, o);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(Lines(run.err).size(), 2u) << run.err;
    EXPECT_NE(run.err.find(": cannot write " + volume.file("b.his")), std::string::npos) << run.err;
    EXPECT_TRUE(Listing(volume.path()).empty());
}

// Workers reuse their engine from file to file and files run side by side:
// every history is still the one a single scan of that file writes, and
// the lines come in input order whatever finishes first.
TEST(ScanBatch, ManyFilesMatchSingleScansWhateverTheJobs) {
    ScratchDir dir;
    ScanOptions o;
    o.delay = 0.3;
    o.cues = {{0.5, "Cue"}};
    std::vector<std::vector<uint8_t>> single;
    for (int i = 0; i < 9; ++i) {
        const std::string path = dir.file("in" + std::to_string(i) + ".wav");
        const uint32_t frames = 30000 + 41000 * uint32_t(i % 4);
        ASSERT_TRUE(scantest::WriteStereoWave(path, i % 3 == 0 ? scantest::Noise(frames, i)
                                                    : i % 3 == 1
                                                        ? scantest::SilenceThenBurst(frames)
                                                        : scantest::Noise(frames, 0)));
        o.inputs.push_back(path);
        ScanOptions one = o;
        one.input = path;
        one.output = dir.file("single.his");
        one.jobs = 1;
        ScanSummary summary;
        std::string error;
        ASSERT_EQ(RunScan(one, &summary, &error), 0) << error;
        single.push_back(ReadAll(one.output));
    }
    for (int jobs : {1, 2, 3, 32}) {
        SCOPED_TRACE(jobs);
        o.jobs = jobs;
        o.outDir = dir.file("jobs" + std::to_string(jobs));
        std::filesystem::create_directory(o.outDir);
        BatchRun run = RunBatch(dir, o);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(run.out.size(), o.inputs.size());
        for (size_t i = 0; i < o.inputs.size(); ++i) {
            EXPECT_EQ(run.out[i].rfind(o.inputs[i] + ": ", 0), 0u) << run.out[i];
            EXPECT_TRUE(ReadAll(ScanHistoryPath(o, o.inputs[i])) == single[i]) << i;
        }
    }
}

// Two inputs that would write one file: the later fails before it starts.
TEST(ScanBatch, SharedOutputFailsTheLaterInput) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    ScanOptions o;
    o.outDir = dir.file("sub");
    o.inputs = {dir.file("a.wav"), dir.file("sub/a.wav"), dir.file("a.wav")};
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(20000, 4)));
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[1], scantest::Noise(20000, 5)));
    BatchRun run = RunBatch(dir, o);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.size(), 1u);
    const std::vector<std::string> err = Lines(run.err);
    ASSERT_EQ(err.size(), 2u) << run.err;
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(err[i], "tenvelo-scan: " + o.inputs[i + 1] + ": writes the same " +
                              ScanHistoryPath(o, o.inputs[0]) + " as " + o.inputs[0]);
}

// Progress goes to the error stream only when asked and only once the run
// is old enough, and its line is cleared before the summary and at the end.
TEST(ScanBatch, ProgressOnlyWhenAskedAndOldEnough) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("in.wav")};
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(400000, 6)));
    struct Case {
        bool progress;
        int64_t afterMs;
        bool shown;
    };
    for (const Case& c : {Case{false, 0, false}, Case{true, 60000, false}, Case{true, 0, true}}) {
        SCOPED_TRACE(testing::Message() << c.progress << " " << c.afterMs);
        BatchRun run = RunBatch(dir, o, c.progress, c.afterMs);
        EXPECT_EQ(run.status, 0);
        ASSERT_EQ(run.out.size(), 1u);
        if (!c.shown) {
            EXPECT_EQ(run.err, "");
            continue;
        }
        EXPECT_NE(run.err.find("%"), std::string::npos);
        EXPECT_NE(run.err.find("x real time"), std::string::npos);
        EXPECT_EQ(run.err.find('\n'), std::string::npos);
        const std::string cleared = "\r" + std::string(60, ' ') + "\r";
        EXPECT_EQ(run.err.substr(run.err.size() - cleared.size()), cleared);
    }
}

} // namespace
