#include "tools/demo_wave.h"

#include "tests/tools/scan_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

// The header is the canonical one and all frames follow; the sections'
// levels are read back through the engine by the demo scan test.
TEST(DemoWave, WritesCanonicalHeaderAndAllFrames) {
    testsupport::ScratchDir dir;
    ASSERT_TRUE(demo::WriteDemoWave(dir.file("demo.wav"), 1.0));
    const std::vector<uint8_t> bytes = testsupport::ReadAll(dir.file("demo.wav"));
    const std::vector<uint8_t> canonical = scantest::WaveBytes(2, std::vector<int16_t>(2 * 44100));
    ASSERT_EQ(bytes.size(), canonical.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 44, canonical.begin()));
}

// Hours of the soak program must move the meters: over one cycle of its
// gains some repetitions clip the loud burst and some stay far below, and
// every repetition keeps the inverted section in anti-phase.
TEST(SoakWave, RepetitionsClipOrNotAndKeepTheirAntiPhase) {
    const int64_t second = demo::kSampleRate;
    const int64_t repetition = int64_t(demo::kProgramSeconds) * second;
    int clipping = 0, quiet = 0;
    int peakMin = 32768, peakMax = 0;
    for (int64_t k = 0; k < 8; ++k) {
        int peak = 0;
        for (int64_t i = 8 * second; i < 10 * second; ++i) { // the -1 dBFS burst
            int16_t l, r;
            demo::SoakFrame(k * repetition + i, &l, &r);
            peak = std::max({peak, std::abs(int(l)), std::abs(int(r))});
        }
        clipping += peak >= 32767;
        quiet += peak < 8231; // below -12 dBFS
        peakMin = std::min(peakMin, peak);
        peakMax = std::max(peakMax, peak);
        int inPhase = 0;
        for (int64_t i = 10 * second; i < 14 * second; ++i) { // the inverted section
            int16_t l, r;
            demo::SoakFrame(k * repetition + i, &l, &r);
            inPhase += int(l) + int(r) > 1 || int(l) + int(r) < -1; // -32768 meets 32767
        }
        EXPECT_EQ(inPhase, 0) << "repetition " << k;
    }
    EXPECT_GE(clipping, 2);
    EXPECT_GE(quiet, 2);
    EXPECT_GT(peakMax, 30 * peakMin) << "levels change by 30 dB or more";
}

// The file holds the program frame for frame across repetitions, and a
// length whose sizes would not fit the header's 32 bits writes nothing.
TEST(SoakWave, FileIsTheProgramAndLengthsBeyondTheFormatAreRefused) {
    testsupport::ScratchDir dir;
    ASSERT_TRUE(demo::WriteDemoWave(dir.file("soak.wav"), 61.0, demo::Program::Soak));
    const std::vector<uint8_t> bytes = testsupport::ReadAll(dir.file("soak.wav"));
    ASSERT_EQ(bytes.size(), 44u + 61u * 44100u * 4u);
    for (int64_t frame : {int64_t(0), int64_t(30 * 44100 - 1), int64_t(30 * 44100),
                          int64_t(60 * 44100), int64_t(61 * 44100 - 1)}) {
        int16_t l, r;
        demo::SoakFrame(frame, &l, &r);
        const uint8_t* at = &bytes[44 + size_t(frame) * 4];
        EXPECT_EQ(int16_t(at[0] | at[1] << 8), l) << frame;
        EXPECT_EQ(int16_t(at[2] | at[3] << 8), r) << frame;
    }
    for (double seconds : {0.0, -1.0, demo::kMaxWaveSeconds + 1, std::nan("")}) {
        EXPECT_FALSE(demo::WriteDemoWave(dir.file("refused.wav"), seconds, demo::Program::Soak))
            << seconds;
        EXPECT_FALSE(testsupport::FileExists(dir.file("refused.wav"))) << seconds;
    }
}
