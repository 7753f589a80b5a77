#include "tools/scan_json.h"

#include "tests/tools/scan_test_support.h"
#include "tools/scan_batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

using testsupport::FileExists;
using testsupport::ReadAll;
using testsupport::ScratchDir;

namespace {

nlohmann::json Parse(const std::vector<uint8_t>& bytes) {
    return nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
}

// One object per input in input order: the measured fields, null for what
// a silent file does not have, and the error of a file that failed.
TEST(ScanJson, OneObjectPerInputWithNullForMinusInfinity) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("noise.wav"), dir.file("missing.wav"), dir.file("silent.wav")};
    o.loudness = true;
    o.json = dir.file("summary.json");
    o.cues = {{0.5, "A \"quoted\" name"}};
    o.jobs = 2;
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(140000, 3)));
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[2], std::vector<int16_t>(2 * 50000)));
    EXPECT_EQ(scantest::RunBatch(dir, o).status, 1);

    const std::vector<uint8_t> bytes = ReadAll(o.json);
    const nlohmann::json j = Parse(bytes);
    ASSERT_TRUE(j.is_array()) << std::string(bytes.begin(), bytes.end());
    ASSERT_EQ(j.size(), 3u);
    const nlohmann::json& noise = j[0];
    EXPECT_EQ(noise["file"], o.inputs[0]);
    EXPECT_EQ(noise["frames"], 31);
    EXPECT_NEAR(noise["seconds"].get<double>(), 140000 / 44100.0, 1e-9);
    for (const char* pair : {"peak_db", "rms_db", "true_peak_dbtp"}) {
        ASSERT_EQ(noise[pair].size(), 2u) << pair;
        EXPECT_TRUE(noise[pair][0].is_number() && noise[pair][1].is_number()) << pair;
    }
    EXPECT_GE(noise["true_peak_dbtp"][0].get<double>(), noise["peak_db"][0].get<double>());
    for (const char* number : {"lowest_correlation", "integrated_lufs", "loudness_range_lu",
                               "max_momentary_lufs", "max_short_term_lufs"})
        EXPECT_TRUE(noise[number].is_number()) << number;
    ASSERT_EQ(noise["cues"].size(), 1u);
    EXPECT_EQ(noise["cues"][0]["name"], "A \"quoted\" name");
    EXPECT_EQ(noise["cues"][0]["seconds"], 0.5);

    EXPECT_EQ(j[1]["error"], "cannot open the file");
    EXPECT_FALSE(j[1].contains("seconds"));

    const nlohmann::json& silent = j[2];
    for (const char* none :
         {"integrated_lufs", "loudness_range_lu", "max_momentary_lufs", "max_short_term_lufs"})
        EXPECT_TRUE(silent[none].is_null()) << none;
    EXPECT_TRUE(silent["true_peak_dbtp"][0].is_null());
}

// "-" writes the JSON to standard output in place of the summary lines;
// errors still go to the error stream.
TEST(ScanJson, StandardOutputCarriesOnlyTheJson) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("noise.wav"), dir.file("missing.wav")};
    o.json = "-";
    o.outDir = dir.file("histories");
    o.autoCues.kinds = kPassageSilence;
    std::filesystem::create_directory(o.outDir);
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(50000, 5)));
    const scantest::BatchRun run = scantest::RunBatch(dir, o);
    ASSERT_EQ(run.status, 1);
    const nlohmann::json j = nlohmann::json::parse(run.output, nullptr, false);
    ASSERT_TRUE(j.is_array());
    EXPECT_FALSE(j[0].contains("integrated_lufs"));   // not measured
    EXPECT_EQ(j[0]["cues"], nlohmann::json::array()); // asked for, none found
    EXPECT_EQ(j[0]["history"], ScanHistoryPath(o, o.inputs[0]));
    EXPECT_EQ(run.err, "tenvelo-scan: " + o.inputs[1] + ": cannot open the file\n");
}

// A target that cannot be written fails the run and leaves no file behind;
// the histories are written all the same.
TEST(ScanJson, UnwritableTargetFailsWithoutAPartialFile) {
    ScratchDir dir;
    ScanOptions o;
    o.inputs = {dir.file("noise.wav")};
    ASSERT_TRUE(scantest::WriteStereoWave(o.inputs[0], scantest::Noise(50000, 5)));
    for (const std::string& target : {dir.file("no folder") + "/s.json", dir.file("a folder")}) {
        SCOPED_TRACE(target);
        std::filesystem::create_directory(dir.file("a folder"));
        o.json = target;
        const scantest::BatchRun run = scantest::RunBatch(dir, o);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "tenvelo-scan: cannot write " + target + "\n");
        EXPECT_FALSE(FileExists(target + ".tmp~"));
        EXPECT_TRUE(std::filesystem::is_directory(dir.file("a folder")));
        EXPECT_TRUE(FileExists(dir.file("noise.his")));
    }
}

} // namespace
