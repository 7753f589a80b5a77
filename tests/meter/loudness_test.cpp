#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

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

double Value(uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
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

// What a file does not have is reported as -infinity, never as a number; a
// file shorter than a window reads, as its maximum, its energy spread over
// the whole window, the silence before the start counted.
TEST(Loudness, NothingToReportAndShortFiles) {
    const double k350 = 10 * std::log10(15434.0 / 17640), k2s = 10 * std::log10(88200.0 / 132300);
    struct Case {
        const char* what;
        std::vector<Section> signal;
        double integrated, range, maxMomentary, maxShortTerm, truePeak;
        double tolerance = 0.1;
    };
    const Case cases[] = {
        {"digital silence", {{5, -200}}, kNone, kNone, kNone, kNone, kNone},
        {"350 ms of tone: no 400 ms block",
         {{0.35, -20}},
         kNone,
         kNone,
         -20.0 + k350,
         -20.0 + k350 + 10 * std::log10(4.0 / 30),
         -20.0},
        {"2 s of tone: no 3 s block", {{2, -20}}, -20.0, kNone, -20.0, -20.0 + k2s, -20.0},
        // 6 steps of 16 bits: their rounding adds to the loudness.
        {"below the absolute gate", {{5, -75}}, kNone, kNone, -75.0, -75.0, NAN, 0.4},
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
                EXPECT_NEAR(got[k], want[k], k == 4 ? 0.4 : c.tolerance) << "value " << k;
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
// same. The maxima alone changed, looked for every 10 ms instead of every
// 100 ms and in windows that start before the stream: they may only be
// higher than the grid's, and on these signals by a little.
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
            const double gridMaxima[2] = {Value(want.maxMomentary), Value(want.maxShortTerm)};
            const double maxima[2] = {r.maxMomentary, r.maxShortTerm};
            for (int k = 0; k < 2; ++k) {
                if (std::isinf(gridMaxima[k])) continue; // no full window: nothing to compare
                EXPECT_GE(maxima[k], gridMaxima[k]) << "maximum " << k;
                EXPECT_LT(maxima[k], gridMaxima[k] + 0.06) << "maximum " << k;
            }
            const uint64_t frames = signals[i].pcm.size() / 2;
            for (int k = 0; k < 6; ++k) {
                EXPECT_EQ(Bits(LoudnessMomentaryAt(&m, frames * (k + 1) / 6)), want.momentaryAt[k]);
                EXPECT_EQ(Bits(LoudnessShortTermAt(&m, frames * (k + 1) / 6)), want.shortTermAt[k]);
            }
            LoudnessFree(&m);
        }
    }
}

// The same samples as 16-bit integers and as floats give the same bits in
// every format: the stereo loops and those of any channels read both alike.
// A channel left out changes nothing, and NaN, infinities and absurd
// magnitudes in a float stream read as silence.
TEST(Loudness, FormatsAndSampleTypes) {
    const LoudnessRole n = kLoudnessNormal, s = kLoudnessSurround, out = kLoudnessLeftOut;
    const struct {
        const char* what;
        uint32_t rate;
        std::vector<LoudnessRole> roles;
    } formats[] = {
        {"44100 Hz stereo", 44100, {n, n}},
        {"48000 Hz mono", 48000, {n}},
        {"22050 Hz stereo: odd steps", 22050, {n, n}},
        {"48000 Hz L R C LFE Ls Rs", 48000, {n, n, n, out, s, s}},
        {"96000 Hz, 8 channels", 96000, {n, n, n, out, s, s, s, s}},
        {"192000 Hz, 3 channels, the first left out", 192000, {out, n, s}},
    };
    for (const auto& f : formats) {
        LoudnessFormat format{f.rate, uint32_t(f.roles.size()), {}};
        for (size_t ch = 0; ch < f.roles.size(); ++ch)
            format.roles[ch] = f.roles[ch];
        const uint32_t frames = f.rate * 4 + 17;
        std::vector<int16_t> pcm(size_t(frames) * format.channels);
        uint32_t state = 3;
        for (size_t i = 0; i < pcm.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            pcm[i] = int16_t(int(int16_t(state >> 16)) * int(i % format.channels + 1) / 9);
        }
        std::vector<float> x(pcm.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            x[i] = float(pcm[i]) / 32768.0f;
        // The left-out channels loud in the float stream, the others broken
        // in places.
        for (size_t i = 0; i < pcm.size(); i += 997)
            x[i] = f.roles[i % format.channels] == out ? 0.9f : float(NAN);
        for (size_t i = 0; i < pcm.size(); ++i)
            if (f.roles[i % format.channels] == out) x[i] = 0.99f, pcm[i] = 0;
        x[5 * format.channels] = INFINITY, pcm[5 * format.channels] = 0;
        x[9 * format.channels] = -3e9f, pcm[9 * format.channels] = 0;
        for (size_t i = 0; i < pcm.size(); i += 997)
            if (f.roles[i % format.channels] != out) pcm[i] = 0;
        for (uint32_t buffer : {4096u, 333u}) {
            SCOPED_TRACE(testing::Message() << f.what << ", buffers of " << buffer);
            LoudnessResult r[2];
            for (int type = 0; type < 2; ++type) {
                LoudnessMeter m{};
                ASSERT_EQ(LoudnessInit(&m, buffer), 1);
                ASSERT_EQ(LoudnessStart(&m, frames, format), 1);
                for (uint32_t done = 0; done < frames; done += buffer) {
                    const uint32_t k = std::min(buffer, frames - done);
                    if (type == 0)
                        LoudnessAdd(&m, pcm.data() + size_t(done) * format.channels, k);
                    else
                        LoudnessAddFloat(&m, x.data() + size_t(done) * format.channels, k);
                }
                LoudnessFinish(&m, &r[type]);
                LoudnessFree(&m);
            }
            ASSERT_EQ(r[0].channels, format.channels);
            EXPECT_TRUE(std::isfinite(r[0].integrated));
            EXPECT_EQ(Bits(r[0].integrated), Bits(r[1].integrated));
            EXPECT_EQ(Bits(r[0].range), Bits(r[1].range));
            EXPECT_EQ(Bits(r[0].maxMomentary), Bits(r[1].maxMomentary));
            EXPECT_EQ(Bits(r[0].maxShortTerm), Bits(r[1].maxShortTerm));
            for (uint32_t ch = 0; ch < format.channels; ++ch) {
                if (f.roles[ch] == out) continue;
                EXPECT_EQ(Bits(r[0].truePeakDb[ch]), Bits(r[1].truePeakDb[ch])) << ch;
            }
        }
    }
}

// A rate's filters come from the analogue design: at 44100 Hz the very
// coefficients the meter had when that was its only rate, at 48000 Hz those
// BS.1770 publishes.
TEST(Loudness, FiltersDesignedForTheRate) {
    const auto lookAhead = [](double b0, double b1, double b2, double a1, double a2) {
        return LoudnessStage{{b0, b1 - b0 * a1, b2 - b1 * a1 + b0 * a2, b1 * a2 - b2 * a1, b2 * a2},
                             2.0 * a2 - a1 * a1,
                             a2 * a2};
    };
    LoudnessMeter m{};
    ASSERT_EQ(LoudnessInit(&m, 16), 1);
    const LoudnessStage at44100[2] = {
        lookAhead(1.5308412300503478, -2.6509799951547297, 1.1690790799215871, -1.6636551132560204,
                  0.7125954280732254),
        lookAhead(1.0, -2.0, 1.0, -1.9891696736297959, 0.98919903578703927)};
    EXPECT_EQ(std::memcmp(m.stages, at44100, sizeof at44100), 0);
    ASSERT_EQ(LoudnessStart(&m, 0, LoudnessFormatOf(48000, 2, 0)), 1);
    const LoudnessStage at48000[2] = {
        lookAhead(1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241,
                  0.73248077421585),
        lookAhead(1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621)};
    for (int s = 0; s < 2; ++s) {
        for (int k = 0; k < 5; ++k)
            EXPECT_NEAR(m.stages[s].b[k], at48000[s].b[k], 1e-13) << s << " b" << k;
        EXPECT_NEAR(m.stages[s].c2, at48000[s].c2, 1e-13) << s;
        EXPECT_NEAR(m.stages[s].c4, at48000[s].c4, 1e-13) << s;
    }
    // Outside the ranges a start fails and the meter measures nothing.
    for (const LoudnessFormat& bad :
         {LoudnessFormatOf(7999, 2, 0), LoudnessFormatOf(384001, 2, 0),
          LoudnessFormatOf(48000, 0, 0), LoudnessFormatOf(48000, 9, 0)}) {
        EXPECT_EQ(LoudnessStart(&m, 48000, bad), 0);
        const int16_t loud[4] = {30000, 30000, -30000, -30000};
        LoudnessAdd(&m, loud, 2);
        LoudnessResult r;
        LoudnessFinish(&m, &r);
        EXPECT_EQ(r.channels, 0u);
        EXPECT_EQ(r.maxMomentary, kNone);
    }
    LoudnessFree(&m);
}

// Roles from a WAVE speaker mask, or the usual layout when there is none.
TEST(Loudness, RolesFromTheSpeakerMask) {
    const LoudnessRole n = kLoudnessNormal, s = kLoudnessSurround, out = kLoudnessLeftOut;
    const struct {
        uint32_t channels, mask;
        std::vector<LoudnessRole> roles;
    } cases[] = {
        {1, 0, {n}},
        {2, 0, {n, n}},
        {4, 0, {n, n, s, s}},
        {6, 0, {n, n, n, out, s, s}},
        {8, 0, {n, n, n, out, s, s, s, s}},
        {6, 0x60F, {n, n, n, out, s, s}}, // side channels
        {3, 0x8 | 0x1 | 0x2, {n, n, out}},
        {4, 0x3, {n, n, n, n}}, // channels beyond the mask's bits
    };
    for (const auto& c : cases) {
        const LoudnessFormat f = LoudnessFormatOf(48000, c.channels, c.mask);
        EXPECT_EQ(f.channels, c.channels);
        for (uint32_t ch = 0; ch < c.channels; ++ch)
            EXPECT_EQ(f.roles[ch], c.roles[ch])
                << c.channels << " channels, mask " << c.mask << ", channel " << ch;
    }
}

} // namespace
