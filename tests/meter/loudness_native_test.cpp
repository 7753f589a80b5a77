// The loudness meter against libebur128, the reference implementation the
// native tree has: the same signals through both, results side by side.
#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/meter/loudness_signals.h"

using loudnesstest::kPi;
using loudnesstest::Sines;

namespace {

// libebur128's reading of pcm; the maxima from its windows at every 100 ms
// step once they are full, as the meter takes them.
LoudnessResult Reference(const std::vector<int16_t>& pcm) {
    LoudnessResult r{-INFINITY, -INFINITY, -INFINITY, -INFINITY, {-INFINITY, -INFINITY}, 2};
    ebur128_state* st =
        ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    if (!st) return r;
    const size_t frames = pcm.size() / 2;
    for (size_t done = 0, step = 0; done + 4410 <= frames; done += 4410) {
        ebur128_add_frames_short(st, pcm.data() + 2 * done, 4410);
        double m, s;
        ++step;
        if (step >= 4 && ebur128_loudness_momentary(st, &m) == EBUR128_SUCCESS)
            r.maxMomentary = std::max(r.maxMomentary, m);
        if (step >= 30 && ebur128_loudness_shortterm(st, &s) == EBUR128_SUCCESS)
            r.maxShortTerm = std::max(r.maxShortTerm, s);
    }
    const size_t tail = frames % 4410;
    if (tail) ebur128_add_frames_short(st, pcm.data() + 2 * (frames - tail), tail);
    ebur128_loudness_global(st, &r.integrated);
    ebur128_loudness_range(st, &r.range);
    for (unsigned ch = 0; ch < 2; ++ch) {
        double peak = 0;
        ebur128_true_peak(st, ch, &peak);
        r.truePeakDb[ch] = peak > 0 ? 20.0 * std::log10(peak) : -INFINITY;
    }
    ebur128_destroy(&st);
    return r;
}

// Noise through a one-pole low-pass whose level follows a slow ramp, left
// and right apart: a programme-like signal with a loudness range.
std::vector<int16_t> Programme(double seconds, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const uint32_t frames = uint32_t(seconds * 44100);
    std::vector<int16_t> pcm(2 * size_t(frames));
    double l = 0, r = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        const double gain = 3000.0 * (1.2 + std::sin(2 * kPi * i / (44100.0 * 17)));
        l = 0.9 * l + 0.1 * noise(rng);
        r = 0.7 * r + 0.3 * noise(rng);
        pcm[2 * i] = int16_t(std::clamp(gain * 4 * l, -32768.0, 32767.0));
        pcm[2 * i + 1] = int16_t(std::clamp(gain * r, -32768.0, 32767.0));
    }
    return pcm;
}

struct Case {
    const char* what;
    std::vector<int16_t> pcm;
};

// Integrated, maxima within 0.05 LU, range within 0.1 LU, true peak within
// 0.2 dB of libebur128.
TEST(LoudnessAgainstLibebur128, AgreeWithinTolerance) {
    std::vector<Case> cases = {
        {"high tones", Sines({{4, -1, 15000.0, 0.3}, {4, -3, 19000.0, 1.1}, {4, -2, 7919.0}})},
        {"low tone", Sines({{8, -12, 40.0}})},
        {"programme", Programme(40, 7)},
        {"programme, odd length", Programme(12.345, 11)},
    };
    for (const loudnesstest::KnownSignal& k : loudnesstest::KnownSignals())
        cases.push_back({k.what, Sines(k.sections)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LoudnessResult want = Reference(c.pcm);
        const LoudnessResult got = loudnesstest::Measure(c.pcm);
        EXPECT_NEAR(got.integrated, want.integrated, 0.05);
        EXPECT_NEAR(got.maxMomentary, want.maxMomentary, 0.05);
        EXPECT_NEAR(got.maxShortTerm, want.maxShortTerm, 0.05);
        EXPECT_NEAR(got.range, want.range, 0.1);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_NEAR(got.truePeakDb[ch], want.truePeakDb[ch], 0.2) << "channel " << ch;
        std::printf("%-40s I %+.4f  LRA %+.4f  M %+.4f  S %+.4f  TP %+.4f %+.4f\n", c.what,
                    got.integrated - want.integrated, got.range - want.range,
                    got.maxMomentary - want.maxMomentary, got.maxShortTerm - want.maxShortTerm,
                    got.truePeakDb[0] - want.truePeakDb[0], got.truePeakDb[1] - want.truePeakDb[1]);
    }
}

} // namespace
