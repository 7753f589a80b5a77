// The loudness meter against libebur128, the reference implementation the
// native tree has: the same signals through both, results side by side, at
// rates from 8000 to 384000 Hz, 16-bit and 24-bit-valued float, 1 to 8
// channels.
#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "tests/meter/loudness_signals.h"

using loudnesstest::kPi;
using loudnesstest::Sines;

namespace {

// libebur128's channel for a role: any channel of weight 1, of weight 1.41,
// or none.
int ChannelOf(LoudnessRole role) {
    return role == kLoudnessSurround  ? EBUR128_LEFT_SURROUND
           : role == kLoudnessLeftOut ? EBUR128_UNUSED
                                      : EBUR128_CENTER;
}

// libebur128's reading of interleaved float samples. Its maxima are taken
// where the meter looks for them: after every tenth of a 100 ms step, from
// the start, the silence before it counted.
LoudnessResult Reference(const std::vector<float>& x, const LoudnessFormat& f) {
    LoudnessResult r{-INFINITY, -INFINITY, -INFINITY, -INFINITY, {}, f.channels};
    ebur128_state* st = ebur128_init(f.channels, f.rate,
                                     EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    if (!st) return r;
    for (uint32_t ch = 0; ch < f.channels; ++ch)
        ebur128_set_channel(st, ch, ChannelOf(f.roles[ch]));
    const size_t frames = x.size() / f.channels;
    const uint32_t step = (f.rate + 5) / 10;
    size_t done = 0;
    for (uint32_t j = 0; done < frames; j = (j + 1) % 10) {
        const size_t stepStart = done - (j == 0 ? 0 : (j * step / 10) & ~1u);
        const size_t end = j == 9 ? stepStart + step : stepStart + (((j + 1) * step / 10) & ~1u);
        const size_t n = std::min(end, frames) - done;
        ebur128_add_frames_float(st, x.data() + done * f.channels, n);
        done += n;
        if (done < end) break; // a tenth left incomplete
        double m, s;
        if (ebur128_loudness_momentary(st, &m) == EBUR128_SUCCESS)
            r.maxMomentary = std::max(r.maxMomentary, m);
        if (ebur128_loudness_shortterm(st, &s) == EBUR128_SUCCESS)
            r.maxShortTerm = std::max(r.maxShortTerm, s);
    }
    ebur128_loudness_global(st, &r.integrated);
    ebur128_loudness_range(st, &r.range);
    for (uint32_t ch = 0; ch < f.channels; ++ch) {
        double peak = 0;
        ebur128_true_peak(st, ch, &peak);
        r.truePeakDb[ch] = peak > 0 ? 20.0 * std::log10(peak) : -INFINITY;
    }
    ebur128_destroy(&st);
    return r;
}

// Noise through a one-pole low-pass (3 kHz and up) whose level follows a
// slow ramp, each channel its own: a programme-like signal with a loudness
// range, in amplitudes (1.0 full scale), rounded to 24 bits.
std::vector<float> Programme(double seconds, uint32_t rate, uint32_t channels, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const size_t frames = size_t(seconds * rate);
    std::vector<float> x(frames * channels);
    std::vector<double> state(channels, 0.0);
    for (size_t i = 0; i < frames; ++i) {
        const double gain = 0.05 * (1.2 + std::sin(2 * kPi * double(i) / (rate * 17.0)));
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const double pole = std::exp(-2 * kPi * (3000.0 + 500.0 * ch) / rate);
            state[ch] = pole * state[ch] + (1 - pole) * noise(rng);
            const double v = std::clamp(gain * (4.0 - 0.4 * ch) * state[ch], -1.0, 1.0);
            x[i * channels + ch] = float(std::round(v * 8388608.0) / 8388608.0);
        }
    }
    return x;
}

std::vector<float> Amplitudes(const std::vector<int16_t>& pcm) {
    std::vector<float> x;
    for (int16_t s : pcm)
        x.push_back(float(s) / 32768.0f);
    return x;
}

LoudnessResult MeasureFloat(const std::vector<float>& x, const LoudnessFormat& f) {
    constexpr uint32_t kBuffer = 4097;
    LoudnessMeter m{};
    LoudnessResult r{};
    const size_t frames = x.size() / f.channels;
    EXPECT_EQ(LoudnessInit(&m, kBuffer), 1);
    EXPECT_EQ(LoudnessStart(&m, frames, f), 1);
    for (size_t done = 0; done < frames; done += kBuffer)
        LoudnessAddFloat(&m, x.data() + done * f.channels,
                         uint32_t(std::min<size_t>(kBuffer, frames - done)));
    LoudnessFinish(&m, &r);
    LoudnessFree(&m);
    return r;
}

// Sines of the 44100 Hz tests as 16-bit stereo, or a programme at any rate
// and channel count as float.
struct Case {
    std::string what;
    LoudnessFormat format;
    std::vector<int16_t> pcm; // 16-bit stereo at 44100 Hz when not empty
    std::vector<float> x;     // else these
};

LoudnessFormat Roles(uint32_t rate, std::vector<LoudnessRole> roles) {
    LoudnessFormat f{rate, uint32_t(roles.size()), {}};
    for (size_t ch = 0; ch < roles.size(); ++ch)
        f.roles[ch] = roles[ch];
    return f;
}

// Integrated and maxima within 0.05 LU, range within 0.1 LU, true peak
// within 0.2 dB of libebur128.
TEST(LoudnessAgainstLibebur128, AgreeWithinTolerance) {
    const LoudnessFormat cd = LoudnessFormatOf(44100, 2, 0);
    std::vector<Case> cases = {
        {"high tones",
         cd,
         Sines({{4, -1, 15000.0, 0.3}, {4, -3, 19000.0, 1.1}, {4, -2, 7919.0}}),
         {}},
        {"low tone", cd, Sines({{8, -12, 40.0}}), {}},
        {"short tone: windows with the silence before the start",
         cd,
         Sines({{1.234, -12, 440.0}}),
         {}},
    };
    for (const loudnesstest::KnownSignal& k : loudnesstest::KnownSignals())
        cases.push_back({k.what, cd, Sines(k.sections), {}});
    const LoudnessRole n = kLoudnessNormal, s = kLoudnessSurround, lfe = kLoudnessLeftOut;
    const struct {
        const char* what;
        LoudnessFormat format;
        double seconds;
    } programmes[] = {
        {"44100 Hz stereo", cd, 40},
        {"48000 Hz stereo", LoudnessFormatOf(48000, 2, 0), 40},
        {"48000 Hz stereo, odd length", LoudnessFormatOf(48000, 2, 0), 12.345},
        {"48000 Hz mono", LoudnessFormatOf(48000, 1, 0), 20},
        {"48000 Hz 5.1 (L R C LFE Ls Rs)", LoudnessFormatOf(48000, 6, 0), 20},
        {"48000 Hz 8 channels (7.1)", LoudnessFormatOf(48000, 8, 0), 15},
        {"48000 Hz 3 channels: surround, left out, normal", Roles(48000, {s, lfe, n}), 10},
        {"8000 Hz stereo", LoudnessFormatOf(8000, 2, 0), 20},
        {"22050 Hz stereo: odd steps", LoudnessFormatOf(22050, 2, 0), 20},
        {"96000 Hz stereo", LoudnessFormatOf(96000, 2, 0), 20},
        {"192000 Hz stereo", LoudnessFormatOf(192000, 2, 0), 12},
        {"384000 Hz mono", LoudnessFormatOf(384000, 1, 0), 8},
    };
    uint32_t seed = 7;
    for (const auto& p : programmes)
        cases.push_back({std::string("programme, ") + p.what,
                         p.format,
                         {},
                         Programme(p.seconds, p.format.rate, p.format.channels, seed++)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoudnessResult got;
        LoudnessResult want;
        if (!c.pcm.empty()) {
            got = loudnesstest::Measure(c.pcm);
            want = Reference(Amplitudes(c.pcm), c.format);
        } else {
            got = MeasureFloat(c.x, c.format);
            want = Reference(c.x, c.format);
        }
        EXPECT_NEAR(got.integrated, want.integrated, 0.05);
        EXPECT_NEAR(got.maxMomentary, want.maxMomentary, 0.05);
        EXPECT_NEAR(got.maxShortTerm, want.maxShortTerm, 0.05);
        if (std::isinf(got.range)) { // libebur128 reads a missing range as 0
            EXPECT_EQ(want.range, 0.0);
        } else {
            EXPECT_NEAR(got.range, want.range, 0.1);
        }
        ASSERT_EQ(got.channels, c.format.channels);
        double worstPeak = 0;
        for (uint32_t ch = 0; ch < c.format.channels; ++ch) {
            EXPECT_NEAR(got.truePeakDb[ch], want.truePeakDb[ch], 0.2) << "channel " << ch;
            if (std::isfinite(want.truePeakDb[ch]))
                worstPeak =
                    std::max(worstPeak, std::fabs(got.truePeakDb[ch] - want.truePeakDb[ch]));
        }
        std::printf("%-58.58s I %+.4f  LRA %+.4f  M %+.4f  S %+.4f  TP %.4f\n", c.what.c_str(),
                    got.integrated - want.integrated, got.range - want.range,
                    got.maxMomentary - want.maxMomentary, got.maxShortTerm - want.maxShortTerm,
                    worstPeak);
    }
}

} // namespace
