#include "tools/scan_batch.h"

#include "tests/tools/scan_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using testsupport::ReadAll;
using testsupport::ScratchDir;

namespace {

using scantest::BatchRun;
using scantest::Lines;
using scantest::RunBatch;

// Bad files among good ones, later inputs that would write an earlier one's
// file, and a recording named like its own CSV: each refused input prints
// its one line in input order and leaves nothing in the output folder; the
// good ones are written.
TEST(ScanBatch, EachBadFileReportsItsLineAndTheOthersAreWritten) {
    ScratchDir dir;
    ScanOptions o;
    o.outDir = dir.file("out");
    o.csvEach = true;
    o.jobs = 3;
    std::filesystem::create_directory(o.outDir);
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_directory(dir.file("folder.wav"));
    const std::vector<uint8_t> good = scantest::WaveBytes(2, scantest::Noise(50000, 1));
    const std::vector<uint8_t> mono = scantest::WaveBytes(1, {0, 0, 0, 0});
    std::vector<uint8_t> adpcm = mono;
    adpcm[20] = 2; // the format tag
    const std::string same = "writes the same " + ScanHistoryPath(o, dir.file("good1.wav")) +
                             " as " + dir.file("good1.wav");
    const std::string ownCsv = ScanCsvPath(o, dir.file("out/take.csv"));
    const std::string itself = "the output " + ownCsv + " is the input " + dir.file("out/take.csv");
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes; // none: a folder or no file
        std::string error;          // empty: a good file
    };
    const Case cases[] = {
        {"good1.wav", good, ""},
        {"text.wav", {'h', 'e', 'l', 'l', 'o'}, "not a WAVE file"},
        {"adpcm.wav", adpcm, "unsupported format (tag 0x0002, 16 bits, 44100 Hz, 1 channel)"},
        {"mono.wav", mono, "nothing recorded: the file is too short"},
        {"truncated.wav", {mono.begin(), mono.begin() + 30}, "no usable format chunk"},
        {"short.wav", scantest::WaveBytes(2, {0, 0, 0, 0}), "nothing recorded: the file is too"},
        {"folder.wav", {}, "a folder, not a file"},
        {"missing.wav", {}, "cannot open the file"},
        {"sub/good1.wav", good, same},
        {"good1.wav", good, same},
        {"good2.wav", good, ""},
        {"out/take.csv", good, itself},
    };
    std::vector<std::string> expectedOut, expectedErr;
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        o.inputs.push_back(path);
        ASSERT_TRUE(c.bytes.empty() || testsupport::WriteAll(path, c.bytes));
        if (c.error.empty())
            expectedOut.push_back(path + ": 1.134 s, ");
        else
            expectedErr.push_back("tenvelo-scan: " + path + ": " + c.error);
    }
    const BatchRun run = RunBatch(dir, o);
    const std::vector<std::string> err = Lines(run.err);
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.out.size(), expectedOut.size());
    ASSERT_EQ(err.size(), expectedErr.size()) << run.err;
    for (size_t i = 0; i < expectedOut.size(); ++i)
        EXPECT_EQ(run.out[i].rfind(expectedOut[i], 0), 0u) << run.out[i];
    for (size_t i = 0; i < expectedErr.size(); ++i)
        EXPECT_EQ(err[i].rfind(expectedErr[i], 0), 0u) << err[i];
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(o.outDir))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, std::vector<std::string>(
                           {"good1.csv", "good1.his", "good2.csv", "good2.his", "take.csv"}));
    EXPECT_TRUE(ReadAll(dir.file("out/take.csv")) == good);
}

// A CSV or history that cannot be written fails the file: neither is new,
// the old history stays as it was and no temporary is left.
TEST(ScanBatch, OutputThatCannotBeWrittenLeavesTheOldHistoryAlone) {
    ScratchDir dir;
    const std::vector<uint8_t> old(100, 7);
    ASSERT_TRUE(scantest::WriteStereoWave(dir.file("in.wav"), scantest::Noise(20000, 2)));
    const struct {
        std::string his, csv, failed;
    } cases[] = {
        {"in.his", "no such folder/in.csv", "no such folder/in.csv"},
        {"no such folder/in.his", "in.csv", "no such folder/in.his"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failed);
        ScanOptions o;
        o.inputs = {dir.file("in.wav")};
        o.output = dir.file(c.his);
        o.csv = dir.file(c.csv);
        ASSERT_TRUE(testsupport::WriteAll(dir.file("in.his"), old));
        BatchRun run = RunBatch(dir, o);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(": cannot write " + dir.file(c.failed)), std::string::npos)
            << run.err;
        EXPECT_TRUE(ReadAll(dir.file("in.his")) == old);
        for (const char* left : {"in.his.tmp~", "in.csv.tmp~", "in.csv"})
            EXPECT_FALSE(testsupport::FileExists(dir.file(left))) << left;
    }
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
        ASSERT_TRUE(scantest::WriteStereoWave(path, i % 3 == 1
                                                        ? scantest::SilenceThenBurst(frames)
                                                        : scantest::Noise(frames, i % 3 ? 0 : i)));
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

// Progress goes to the error stream only when asked and only once the run
// is old enough, and its line is cleared before the summary and at the end.
TEST(ScanBatch, ProgressOnlyWhenAskedAndOldEnough) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("in.wav")};
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(400000, 6)));
    for (auto [progress, afterMs] :
         {std::pair<bool, int64_t>{false, 0}, {true, 60000}, {true, 0}}) {
        SCOPED_TRACE(testing::Message() << progress << " " << afterMs);
        BatchRun run = RunBatch(dir, o, progress, afterMs);
        EXPECT_EQ(run.status, 0);
        ASSERT_EQ(run.out.size(), 1u);
        if (!progress || afterMs > 0) {
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
