#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include "tests/meter/loudness_signals.h"

using loudnesstest::Measure;
using loudnesstest::Section;
using loudnesstest::Sines;

namespace {

constexpr double kNone = -INFINITY;

uint64_t Bits(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

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

// 16-bit stereo at 44100 Hz keeps the bits it had before the meter took other
// formats: values recorded from that code, for signals every build makes the
// same.
TEST(Loudness, SixteenBitStereoKeepsItsBits) {
    struct Pinned {
        const char* what;
        uint64_t integrated, range, truePeak[2], maxMomentary, maxShortTerm;
        uint64_t momentaryAt[6], shortTermAt[6]; // at 1/6 .. 6/6 of the signal
    };
    const Pinned pinned[] = {
        {"tones at three levels",
         0xc00398ddda0c49baull,
         0x401312ae68000000ull,
         0xc010ce8fb4000000ull,
         0xc01acd6030000000ull,
         0xc001958a920c49baull,
         0xc001958a920c49baull,
         {
             0xc035d69458418937ull,
             0xc001958a920c49baull,
             0xc001958a920c49baull,
             0xc042734bb420c49cull,
             0xc042734bb420c49cull,
             0xc0521e1aa010624eull,
         },
         {
             0xfff0000000000000ull,
             0xc01283fa510624ddull,
             0xc001958a920c49baull,
             0xc014d3cad90624ddull,
             0xc042734bb420c49cull,
             0xc044d4e9a820c49cull,
         }},
        {"noise under changing levels",
         0xc004a1d5ce0c49baull,
         0x3fedda1e30000000ull,
         0x401124c99c000000ull,
         0x4010c694e4000000ull,
         0x3ff61aa23be76c8cull,
         0xbffc3d27ac189374ull,
         {
             0xc0005ac85e0c49baull,
             0xc01453a0110624ddull,
             0xc023df93e483126full,
             0x3ff5b44f3be76c8cull,
             0x3fcacab23f3b645cull,
             0xc000354a160c49baull,
         },
         {
             0xfff0000000000000ull,
             0xc006b3235e0c49baull,
             0xc00321639a0c49baull,
             0xc002f3bc060c49baull,
             0xbffc3d27ac189374ull,
             0xc00b57ae7a0c49baull,
         }},
        {"quiet noise, partly under the gate",
         0xc0515ea1ac10624eull,
         0xfff0000000000000ull,
         0xc0507d42bc000000ull,
         0xc050698b8c000000ull,
         0xc05133863410624eull,
         0xc052058e9010624eull,
         {
             0xc05678f93010624eull,
             0xc0539a3d8c10624eull,
             0xc05291ba2810624eull,
             0xc051b464fc10624eull,
             0xc0534fef7010624eull,
             0xc051d5921c10624eull,
         },
         {
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xc0524942e810624eull,
             0xc0520c16e810624eull,
             0xc0523d5d4810624eull,
             0xc0525b93e410624eull,
         }},
        {"a quarter of the rate at 45 degrees",
         0x3ff505e063e76c8cull,
         0xfff0000000000000ull,
         0x3fc4789600000000ull,
         0xc017715388000000ull,
         0x3ff505e26be76c8cull,
         0xfff0000000000000ull,
         {
             0xfff0000000000000ull,
             0x3ff505e26be76c8cull,
             0x3ff505e26be76c8cull,
             0x3ff505e26be76c8cull,
             0x3ff505e26be76c8cull,
             0x3ff505e26be76c8cull,
         },
         {
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
         }},
        {"1.7 s of tone",
         0xc01a8a7b210624ddull,
         0xfff0000000000000ull,
         0xc02147262c000000ull,
         0xc026469ae0000000ull,
         0xc01a8a73790624ddull,
         0xfff0000000000000ull,
         {
             0xfff0000000000000ull,
             0xc01a8a73790624ddull,
             0xc01a8a73790624ddull,
             0xc01a8a73790624ddull,
             0xc01a8a73790624ddull,
             0xc01a8a73790624ddull,
         },
         {
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
             0xfff0000000000000ull,
         }},
    };
    const std::vector<loudnesstest::PinnedSignal> signals = loudnesstest::PinnedSignals();
    ASSERT_EQ(signals.size(), std::size(pinned));
    for (size_t i = 0; i < signals.size(); ++i) {
        const Pinned& want = pinned[i];
        SCOPED_TRACE(want.what);
        for (uint32_t buffer : {4408u, 1001u}) {
            LoudnessMeter m{};
            ASSERT_EQ(LoudnessInit(&m, buffer), 1);
            ASSERT_TRUE(loudnesstest::Feed(&m, signals[i].pcm, buffer));
            LoudnessResult r;
            LoudnessFinish(&m, &r);
            EXPECT_EQ(Bits(r.integrated), want.integrated);
            EXPECT_EQ(Bits(r.range), want.range);
            EXPECT_EQ(Bits(r.truePeakDb[0]), want.truePeak[0]);
            EXPECT_EQ(Bits(r.truePeakDb[1]), want.truePeak[1]);
            EXPECT_EQ(Bits(r.maxMomentary), want.maxMomentary);
            EXPECT_EQ(Bits(r.maxShortTerm), want.maxShortTerm);
            const uint64_t frames = signals[i].pcm.size() / 2;
            for (int k = 0; k < 6; ++k) {
                EXPECT_EQ(Bits(LoudnessMomentaryAt(&m, frames * (k + 1) / 6)), want.momentaryAt[k]);
                EXPECT_EQ(Bits(LoudnessShortTermAt(&m, frames * (k + 1) / 6)), want.shortTermAt[k]);
            }
            LoudnessFree(&m);
        }
    }
}

} // namespace
