#include "tools/scan.h"

#include "tests/sys/settings_test_root.h"
#include "tests/tools/scan_test_support.h"
#include "tools/demo_wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

using testsupport::ScratchDir;

namespace {

struct ParseCase {
    std::vector<const char*> args;
    int result;
    const char* error; // expected start of the message, for failures
};

TEST(ScanArguments, AcceptOrRefuseWithOneLine) {
    const ParseCase cases[] = {
        {{"in.wav"}, 1, ""},
        {{"--fps", "25", "--delay", "0.5", "in.wav", "-o", "x.his"}, 1, ""},
        {{"--demo"}, 1, ""},
        {{"a.wav", "b.wav", "--out-dir", "out", "--csv-each", "--jobs", "3"}, 1, ""},
        {{}, 0, "no input file"},
        {{"a.wav", "b.wav", "-o", "x.his"},
         0,
         "-o names the file of a single input (got 2 inputs): use --out-dir"},
        {{"a.wav", "b.wav", "--csv", "x.csv"}, 0, "--csv names the file of a single input"},
        {{"a.wav", "-o", "x.his", "--out-dir", "d"}, 0, "-o and --out-dir exclude each other"},
        {{"--jobs", "0", "in.wav"}, 0, "--jobs 0: needs a whole number from 1 to 64"},
        {{"--fps", "1", "in.wav"}, 0, "--fps 1: needs a whole number from 2 to 30"},
        {{"--fps", "10.5", "in.wav"}, 0, "--fps 10.5"},
        {{"--delay", "2.5", "in.wav"}, 0, "--delay 2.5: needs a number from 0 to 2"},
        {{"--peak-fall", "x", "in.wav"}, 0, "--peak-fall x"},
        {{"--cue", "abc", "in.wav"}, 0, "--cue abc: needs SECONDS=NAME"},
        {{"in.wav", "-o"}, 0, "-o needs a file name"},
        {{"in.wav", "--out-dir", ""}, 0, "--out-dir needs a folder"},
        {{"--bogus", "in.wav"}, 0, "unknown option --bogus"},
        {{"--auto-cues=phase,silence", "--phase-below", "-0.5", "--loudness", "in.wav"}, 1, ""},
        {{"--auto-cues=clip,hum", "in.wav"}, 0, "--auto-cues=clip,hum: needs kinds of clip"},
        {{"--auto-cues=", "in.wav"}, 0, "--auto-cues=: needs kinds"},
        {{"--auto-cuesx", "in.wav"}, 0, "unknown option --auto-cuesx"},
        {{"--clip-run", "0", "in.wav"}, 0, "--clip-run 0: needs a whole number from 1 to 1000"},
        {{"--silence-below", "3", "in.wav"}, 0, "--silence-below 3: needs a number from -120 to 0"},
        {{"in.wav", "--json"}, 0, "--json needs a file name or -"},
        {{"a.wav", "b.wav", "--json", "./b.wav"}, 0, "the output ./b.wav is the input b.wav"},
        {{"in.wav", "-o", "in.wav"}, 0, "the output in.wav is the input in.wav"},
        {{"in.wav", "--csv", "sub/../in.wav"}, 0, "the output sub/../in.wav is the input"},
    };
    for (const ParseCase& c : cases) {
        std::vector<const char*> argv = {"tenvelo-scan"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ScanOptions options;
        std::string error;
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(ParseScanArguments(int(argv.size()), argv.data(), &options, &error), c.result);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(ScanArguments, ValuesLandInTheirOptions) {
    const char* argv[] = {"tenvelo-scan", "--fps",         "25",     "--attack",
                          "48",           "--linear",      "--cue",  "1.5=Intro",
                          "--cue",        "3=Verse = 1",   "in.wav", "--silence-below",
                          "-50",          "--phase-below", "-0.25"};
    ScanOptions o;
    std::string error;
    ASSERT_EQ(ParseScanArguments(15, argv, &o, &error), 1) << error;
    EXPECT_EQ(o.autoCues.silenceDb, -50.0);
    EXPECT_EQ(o.autoCues.phaseBelow, -0.25);
    EXPECT_EQ(o.framesPerSecond, 25);
    EXPECT_TRUE(o.attackOn);
    EXPECT_EQ(o.attack, 48.0);
    EXPECT_TRUE(o.linear);
    ASSERT_EQ(o.cues.size(), 2u);
    EXPECT_EQ(o.cues[1].seconds, 3.0);
    EXPECT_EQ(o.cues[1].name, "Verse = 1");
    EXPECT_EQ(o.input, "in.wav");
}

TEST(ScanArguments, OutputPathsFollowTheOptions) {
    struct Case {
        std::vector<const char*> args;
        const char *input, *his, *csv;
    };
    const Case cases[] = {
        {{}, "dir/song.wav", "dir/song.his", ""},
        {{}, "dir.x/song", "dir.x/song.his", ""},
        {{"--csv-each"}, "C:\\a.b\\take.1.WAV", "C:\\a.b\\take.1.his", "C:\\a.b\\take.1.csv"},
        {{"-o", "x.his", "--csv", "y.csv"}, "dir/song.wav", "x.his", "y.csv"},
        {{"--out-dir", "out", "--csv-each"}, "dir/song.wav", "out/song.his", "out/song.csv"},
        {{"--out-dir", "out/"}, "song.wav", "out/song.his", ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"tenvelo-scan", c.input};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ScanOptions o;
        std::string error;
        SCOPED_TRACE(c.input);
        ASSERT_EQ(ParseScanArguments(int(argv.size()), argv.data(), &o, &error), 1) << error;
        EXPECT_EQ(ScanHistoryPath(o, c.input), c.his);
        EXPECT_EQ(ScanCsvPath(o, c.input), c.csv);
    }
}

// The demo's steady sections show their known levels, and the summary,
// cues, CSV and settings come out as the options ask.
TEST(DemoScan, ShowsTheKnownLevels) {
    SettingsTestRoot settings;
    ScratchDir dir;
    ScanOptions options;
    options.input = dir.file("demo.wav");
    options.output = dir.file("demo.his");
    options.csv = dir.file("demo.csv");
    options.cues = {{10.0, "Inverted"}, {20.0, "Sweep"}};
    ASSERT_TRUE(demo::WriteDemoWave(options.input));
    ScanSummary summary;
    std::string error;
    ASSERT_EQ(RunScan(options, &summary, &error), 0) << error;
    EXPECT_EQ(SettingsBackendRootIsEmpty(), 1) << "the scan left settings behind";

    scantest::HistoryRead his(options.output);
    ASSERT_EQ(his.result, 0);
    HistoryStore& store = his.store;
    ASSERT_EQ(store.recordCount, 300);
    EXPECT_EQ(summary.frames, 300);
    EXPECT_EQ(CueCount(&store), 2);
    EXPECT_EQ(CueAt(&store, 2)->samplePosition, 20 * 44100);
    // A frame covers whole 4408-frame buffers: the first takes two.
    EXPECT_EQ(store.history[0].samplePosition, 8816);

    // Rising levels show at once; after the fall at 10 s the peak needs
    // 5 dB / 6 dB/s to come down, and the right peak of the left-only
    // section is still falling (NAN: not checked).
    struct Section {
        double from, to, peakDbL, peakDbR, correlation;
    };
    const Section sections[] = {
        {2.2, 3.9, -20, -20, 1}, {4.2, 5.9, -12, -12, 1},  {6.2, 7.9, -6, -6, 1},
        {8.2, 9.9, -1, -1, 1},   {11.0, 13.9, -6, -6, -1}, {14.2, 17.9, -6, NAN, 0},
    };
    for (const Section& s : sections) {
        for (int i = 0; i < store.recordCount; ++i) {
            const HistoryRecord& r = store.history[i];
            double t = SlotSeconds(r, 44100);
            if (t < s.from || t > s.to) continue;
            SCOPED_TRACE(t);
            EXPECT_NEAR(AmplitudeToDb(r.peakL), s.peakDbL, 0.05);
            if (!std::isnan(s.peakDbR)) {
                EXPECT_NEAR(AmplitudeToDb(r.peakR), s.peakDbR, 0.05);
            }
            EXPECT_NEAR(PowerToDb(r.powerL), s.peakDbL - 3.01, 0.05);       // a sine's RMS
            EXPECT_NEAR(AmplitudeToDb(r.averageL), s.peakDbL - 3.92, 0.05); // its mean, 2/pi
            EXPECT_NEAR(r.correlation, s.correlation, 0.01);
        }
    }
    EXPECT_NEAR(summary.peakDb[0], -1.0, 0.05);
    EXPECT_NEAR(summary.lowestCorrelation, -1.0, 0.01);
    EXPECT_GE(summary.lowestCorrelationAt, 10.0);
    EXPECT_LT(summary.lowestCorrelationAt, 14.1);
    EXPECT_NEAR(summary.rmsDb[0], -1.0 - 3.01, 0.05);

    // The CSV: a row per slot; in the left-only section the right channel
    // has fallen far below the left.
    std::istringstream rows(scantest::Text(options.csv));
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row.rfind("seconds,peak_l_db,rms_l_db,average_l_db,peak_r_db,rms_r_db,", 0), 0u);
    int leftOnly = 0;
    for (int n = 0; std::getline(rows, row); ++n) {
        ASSERT_LT(n, store.recordCount);
        double seconds, peakL, rmsL, averageL, peakR, rmsR;
        ASSERT_EQ(std::sscanf(row.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf", &seconds, &peakL, &rmsL,
                              &averageL, &peakR, &rmsR),
                  6);
        if (seconds < 17.0 || seconds > 17.9) continue;
        EXPECT_NEAR(rmsL, -6 - 3.01, 0.05) << row;
        EXPECT_LT(rmsR, -40) << row;
        ++leftOnly;
    }
    EXPECT_GE(leftOnly, 8);

    // The summary line names each channel's own figures.
    ScanSummary twoChannels = summary;
    twoChannels.peakDb[1] = -7;
    twoChannels.rmsDb[0] = -4;
    twoChannels.rmsDb[1] = -10;
    EXPECT_NE(FormatScanLine(options, options.input, twoChannels)
                  .find("peak -1.00 / -7.00 dB, rms -4.00 / -10.00 dB"),
              std::string::npos);
}

// The offline path (frame work inline, read ahead or not) writes the very
// bytes the live engine records, for every signal and set of options: frames
// that span buffers, a last buffer cut short, delays, both ballistics.
TEST(OfflineScan, HistoryIsTheLiveEnginesByteForByte) {
    ScratchDir dir;
    const std::vector<std::string> files = {dir.file("demo.wav"), dir.file("noise.wav"),
                                            dir.file("burst.wav"), dir.file("one_frame.wav")};
    ASSERT_TRUE(demo::WriteDemoWave(files[0]));
    ASSERT_TRUE(scantest::WriteStereoWave(files[1], scantest::Noise(321930, 7)));
    ASSERT_TRUE(scantest::WriteStereoWave(files[2], scantest::SilenceThenBurst(132301)));
    ASSERT_TRUE(scantest::WriteStereoWave(files[3], scantest::Noise(4411, 3)));
    const std::vector<std::vector<const char*>> optionSets = {
        {},
        {"--fps", "25", "--delay", "0.5"},
        {"--attack", "48", "--linear", "--peak-fall", "96"},
        {"--latency", "0.02", "--fps", "30", "--cue", "1=A", "--cue", "2.5=B"},
        {"--latency", "1", "--delay", "2", "--fps", "2", "--phase-release", "30"},
        {"--loudness"}, // measuring loudness leaves the history as it was
    };
    for (const auto& args : optionSets) {
        std::vector<const char*> argv = {"tenvelo-scan", "x.wav"};
        argv.insert(argv.end(), args.begin(), args.end());
        ScanOptions o;
        std::string error;
        ASSERT_EQ(ParseScanArguments(int(argv.size()), argv.data(), &o, &error), 1) << error;
        for (const std::string& file : files) {
            SCOPED_TRACE(testing::PrintToString(args) + " " + file);
            const std::string live = dir.file("live.his");
            ASSERT_TRUE(scantest::LiveHistory(o, file, live));
            for (int jobs : {1, 2}) {
                o.input = file;
                o.output = dir.file("offline.his");
                o.jobs = jobs;
                ScanSummary summary;
                ASSERT_EQ(RunScan(o, &summary, &error), 0) << error;
                const std::vector<uint8_t> offline = testsupport::ReadAll(o.output);
                EXPECT_TRUE(offline == testsupport::ReadAll(live)) << "jobs " << jobs;
            }
        }
    }
}

// A file with a clipped burst, an inverted passage and a silence gets
// exactly those three cues, each within one slot of the passage's start,
// between the cues given on the command line.
TEST(AutoCues, MarkEachPassageOnce) {
    SettingsTestRoot settings;
    ScratchDir dir;
    std::vector<int16_t> pcm;
    auto tone = [&pcm](double seconds, double gain, double rightGain) {
        for (uint32_t i = 0; i < uint32_t(seconds * 44100); ++i) {
            const double v =
                std::fmax(-32768.0, std::fmin(32767.0, gain * 16384 * std::sin(i * 0.0627)));
            pcm.push_back(int16_t(v));
            pcm.push_back(int16_t(v * rightGain));
        }
    };
    tone(1.0, 1, 1); // 0 s
    tone(0.3, 4, 1); // 1 s: clipped on both channels
    tone(1.7, 1, 1);
    tone(2.0, 1, -1); // 3 s: inverted
    tone(1.0, 1, 1);
    tone(3.0, 0, 0); // 6 s: silence
    tone(1.0, 1, 1);
    ScanOptions o;
    o.input = dir.file("passages.wav");
    o.output = dir.file("passages.his");
    o.cues = {{0.5, "given"}, {5.5, "given too"}};
    o.autoCues.kinds = kPassageClip | kPassagePhase | kPassageSilence;
    ASSERT_TRUE(scantest::WriteStereoWave(o.input, pcm));
    ScanSummary summary;
    std::string error;
    ASSERT_EQ(RunScan(o, &summary, &error), 0) << error;
    const struct {
        double seconds;
        const char* name;
    } expected[] = {{0.5, "given"},
                    {1.0, "clip LR 34 samples"},
                    {3.0, "phase -1.00 for 2.0 s"},
                    {5.5, "given too"},
                    {6.0, "silence 3.0 s"}};
    scantest::HistoryRead his(o.output);
    ASSERT_EQ(his.result, 0);
    HistoryStore& store = his.store;
    ASSERT_EQ(CueCount(&store), 5);
    ASSERT_EQ(summary.cues.size(), 5u);
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(CueAt(&store, k + 1)->samplePosition / 44100.0, expected[k].seconds, 0.1);
        EXPECT_STREQ(CueAt(&store, k + 1)->name, expected[k].name);
        EXPECT_EQ(summary.cues[k].name, expected[k].name);
    }
    EXPECT_EQ(summary.cuesLeftOut, 0u);

    // A history holds 1024 cues: the given ones first, the rest counted.
    o.cues.assign(1023, {0.25, "given"});
    ASSERT_EQ(RunScan(o, &summary, &error), 0) << error;
    EXPECT_EQ(summary.cues.size(), 1024u);
    EXPECT_EQ(summary.cues[1023].name, "clip LR 34 samples");
    EXPECT_EQ(summary.cuesLeftOut, 2u);
    EXPECT_NE(FormatScanLine(o, o.input, summary).find(", 2 cues left out (a history holds 1024)"),
              std::string::npos);
}

// A WAVE file of float (bits 32, tag 3) or 24-bit integer samples.
std::vector<uint8_t> WaveOf(const std::vector<float>& samples, uint16_t channels, uint32_t rate,
                            bool asFloat) {
    const uint16_t bytes = asFloat ? 4 : 3;
    return testsupport::WaveBytes({uint16_t(asFloat ? 3 : 1), channels, rate,
                                   uint16_t(channels * bytes), uint16_t(bytes * 8)},
                                  asFloat ? testsupport::Float32(samples)
                                          : testsupport::Pcm24(samples));
}

std::vector<float> Sine(uint32_t frames, uint16_t channels, double amplitude) {
    std::vector<float> v(size_t(frames) * channels);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = float(amplitude * std::sin(2 * 3.14159265358979323846 * 997.0 * double(i / channels) / 48000.0));
    return v;
}

// What a scan reports of files the program would not play, and of files
// that end early or hold samples that are no numbers; the exit status stays
// that of a scan that wrote its history.
TEST(OfflineScan, OtherFormatsTruncationAndInvalidSamples) {
    testsupport::ScratchDir dir;
    std::vector<float> nan = Sine(48000, 2, 0.5);
    for (size_t at : {10, 20000, 90001})
        nan[at] = NAN;
    nan[300] = INFINITY;
    nan[301] = -INFINITY;
    std::vector<uint8_t> cut = scantest::WaveBytes(2, scantest::Noise(44100, 3));
    cut.resize(cut.size() - 4 * 10000);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        float peakDb;           // left, within 0.01 dB
        uint64_t read, claimed; // frames
        uint32_t frameBytes;
        uint64_t invalid;
        const char* said; // in the summary line
    } cases[] = {
        {"16-bit stereo cut short", cut, 0.0f, 34100, 44100, 4, 0,
         ", truncated: 34100 of 44100 frames"},
        {"float with NaN and infinities", WaveOf(nan, 2, 48000, true), -6.02f, 48000, 48000, 8, 5,
         ", warning: 5 NaN or infinite samples measured as silence"},
        {"float beyond full scale", WaveOf(Sine(48000, 1, 2.0), 1, 48000, true), 6.02f, 48000,
         48000, 4, 0, "(WAVE 32-bit float, 48000 Hz, 1 channel)"},
        {"a -120 dBFS 24-bit tone", WaveOf(Sine(96000, 2, 1e-6), 2, 96000, false), -120.0f, 96000,
         96000, 6, 0, "(WAVE 24-bit PCM, 96000 Hz, 2 channels)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("in.wav");
        ASSERT_TRUE(testsupport::WriteAll(path, c.bytes));
        ScanOptions o;
        o.input = path;
        o.inputs = {path};
        ScanSummary s;
        std::string error;
        ASSERT_EQ(RunScan(o, &s, &error), kScanDone) << error;
        EXPECT_NEAR(s.peakDb[0], c.peakDb, 0.5f);
        EXPECT_EQ(s.framesRead, c.read);
        EXPECT_EQ(s.framesClaimed, c.claimed);
        EXPECT_EQ(s.truncated, c.read < c.claimed);
        EXPECT_EQ(s.invalidSamples, c.invalid);
        EXPECT_TRUE(std::isfinite(s.rmsDb[0]));
        EXPECT_NE(FormatScanLine(o, path, s).find(c.said), std::string::npos)
            << FormatScanLine(o, path, s);

        // The progress counts the file's bytes and seconds, whatever its format.
        struct Told {
            uint64_t bytes = 0;
            double seconds = 0.0;
        } told;
        const ScanProgress progress = {[](void* context, uint64_t bytes, double seconds) {
                                           static_cast<Told*>(context)->bytes += bytes;
                                           static_cast<Told*>(context)->seconds += seconds;
                                       },
                                       &told};
        ScanWorker worker{};
        ASSERT_TRUE(ScanWorkerInit(&worker, o));
        EXPECT_EQ(ScanWorkerRun(&worker, o, path, false, &progress, &s, &error), kScanDone);
        ScanWorkerFree(&worker);
        EXPECT_EQ(told.bytes, c.read * c.frameBytes);
        EXPECT_NEAR(told.seconds, double(c.read) / s.sampleRate, 1e-9);
    }
}

} // namespace
