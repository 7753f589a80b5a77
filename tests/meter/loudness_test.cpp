#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/meter/loudness_signals.h"

using loudnesstest::Measure;
using loudnesstest::Section;
using loudnesstest::Sines;

namespace {

constexpr double kNone = -INFINITY;

// Tolerances: 0.1 LU, 1 LU for a range, true peak +0.2 / -0.4 dB.
TEST(Loudness, SignalsOfKnownLoudness) {
    for (const loudnesstest::KnownSignal& c : loudnesstest::KnownSignals()) {
        SCOPED_TRACE(c.what);
        const LoudnessResult r = Measure(Sines(c.sections));
        if (!std::isnan(c.lufs)) {
            EXPECT_NEAR(r.integrated, c.lufs, 0.1);
            EXPECT_NEAR(r.maxMomentary, c.lufs, 0.1);
        }
        if (!std::isnan(c.range)) {
            EXPECT_NEAR(r.range, c.range, c.range > 0 ? 1.0 : 0.1);
        }
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_LE(r.truePeakDb[ch], c.truePeak + 0.2);
            EXPECT_GE(r.truePeakDb[ch], c.truePeak - 0.4);
        }
    }
}

// Each channel's true peak is its own: the inter-sample peak at -6 dBFS on
// the left, the same 10 dB lower on the right.
TEST(Loudness, TruePeakOfEachChannel) {
    std::vector<int16_t> pcm = Sines({{5, -6.0, 11025.0, loudnesstest::kPi / 4}});
    for (size_t i = 1; i < pcm.size(); i += 2)
        pcm[i] = int16_t(std::lround(pcm[i] * std::pow(10.0, -10.0 / 20.0)));
    const LoudnessResult r = Measure(pcm);
    const double want[2] = {-6.0, -16.0};
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_LE(r.truePeakDb[ch], want[ch] + 0.2) << ch;
        EXPECT_GE(r.truePeakDb[ch], want[ch] - 0.4) << ch;
    }
}

// What a file does not have is reported as -infinity, never as a number.
TEST(Loudness, NothingToReportIsMinusInfinity) {
    struct Case {
        const char* what;
        std::vector<Section> signal;
        double integrated, range, maxMomentary, maxShortTerm, truePeak;
    };
    const Case cases[] = {
        {"digital silence", {{5, -200}}, kNone, kNone, kNone, kNone, kNone},
        {"350 ms of tone: no 400 ms block", {{0.35, -20}}, kNone, kNone, kNone, kNone, -20.0},
        {"2 s of tone: no 3 s window", {{2, -20}}, -20.0, kNone, -20.0, kNone, -20.0},
        {"below the absolute gate", {{5, -75}}, kNone, kNone, -75.0, -75.0, NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LoudnessResult r = Measure(Sines(c.signal));
        const double got[] = {r.integrated, r.range, r.maxMomentary, r.maxShortTerm,
                              r.truePeakDb[0]};
        const double want[] = {c.integrated, c.range, c.maxMomentary, c.maxShortTerm, c.truePeak};
        for (int k = 0; k < 5; ++k) {
            if (std::isinf(want[k])) {
                EXPECT_EQ(got[k], want[k]) << "value " << k;
            } else if (!std::isnan(want[k])) { // NAN: a sine of 6 steps, too coarse a peak
                EXPECT_NEAR(got[k], want[k], 0.4) << "value " << k;
            }
        }
    }
}

// Buffer boundaries change nothing: one frame at a time gives the same bits.
TEST(Loudness, BufferSizeDoesNotMatter) {
    const std::vector<int16_t> pcm = Sines({{1.3, -10, 997.0}, {2.0, -3, 15000.0}});
    const LoudnessResult whole = Measure(pcm);
    LoudnessMeter m{};
    ASSERT_EQ(LoudnessInit(&m, 7), 1);
    ASSERT_TRUE(loudnesstest::Feed(&m, pcm, 7));
    LoudnessResult small;
    LoudnessFinish(&m, &small);
    EXPECT_EQ(small.integrated, whole.integrated);
    EXPECT_EQ(small.maxMomentary, whole.maxMomentary);
    EXPECT_EQ(small.truePeakDb[0], whole.truePeakDb[0]);
    EXPECT_EQ(small.truePeakDb[1], whole.truePeakDb[1]);
    // A restart measures the next stream as a fresh meter would.
    ASSERT_EQ(LoudnessStart(&m, pcm.size() / 2), 1);
    LoudnessAdd(&m, pcm.data(), 7);
    EXPECT_EQ(LoudnessMomentaryAt(&m, 1000000), kNone);
    LoudnessFree(&m);
}

TEST(Loudness, WindowsAtAFrameEndWithTheLastCompleteStep) {
    // 1 s at -40, then 4 s at -20.
    const std::vector<int16_t> pcm = Sines({{1, -40}, {4, -20}});
    LoudnessMeter m{};
    ASSERT_EQ(LoudnessInit(&m, 4408), 1);
    ASSERT_TRUE(loudnesstest::Feed(&m, pcm, 4408));
    EXPECT_EQ(LoudnessMomentaryAt(&m, 4 * 4410 - 1), kNone);
    EXPECT_NEAR(LoudnessMomentaryAt(&m, 4 * 4410), -40.0, 0.1);
    EXPECT_NEAR(LoudnessMomentaryAt(&m, 44100 + 4 * 4410 + 4409), -20.0, 0.1);
    EXPECT_EQ(LoudnessShortTermAt(&m, 30 * 4410 - 1), kNone);
    EXPECT_NEAR(LoudnessShortTermAt(&m, 5 * 44100), -20.0, 0.1);
    LoudnessFree(&m);
}

} // namespace
