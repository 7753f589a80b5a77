// The EBU's minimum requirements for a file-based loudness meter (Tech 3341
// and Tech 3342, /work/shared/ebu-cases.md), each signal made here from its
// published definition at 48000 Hz, float, and read within the published
// tolerances: 0.1 LU, 1 LU for a range, true peak +0.2 / -0.4 dB.
#include "meter/loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 48000;
constexpr uint32_t kBuffer = 4801; // odd, so that buffers end anywhere in a step
constexpr double kSilence = -200.0;

// A stretch of 1 kHz tone at a peak level per channel (dBFS; kSilence for
// none), every channel in phase.
struct Part {
    double seconds;
    std::vector<double> dbfs; // one level: every channel
};

std::vector<float> Tones(const std::vector<Part>& parts, uint32_t channels) {
    std::vector<float> out;
    uint64_t n = 0;
    for (const Part& p : parts) {
        const uint64_t frames = uint64_t(std::llround(p.seconds * kRate));
        for (uint64_t i = 0; i < frames; ++i, ++n) {
            const double s = std::sin(2.0 * kPi * 1000.0 * double(n) / kRate);
            for (uint32_t ch = 0; ch < channels; ++ch) {
                const double db = p.dbfs.size() == 1 ? p.dbfs[0] : p.dbfs[ch];
                out.push_back(db <= kSilence ? 0.0f : float(std::pow(10.0, db / 20.0) * s));
            }
        }
    }
    return out;
}

std::vector<float> Stereo(const std::vector<std::pair<double, double>>& secondsAndDbfs) {
    std::vector<Part> parts;
    for (const auto& [seconds, dbfs] : secondsAndDbfs)
        parts.push_back({seconds, {dbfs}});
    return Tones(parts, 2);
}

std::vector<float> Repeat(const std::vector<std::pair<double, double>>& period, int times) {
    std::vector<std::pair<double, double>> all;
    for (int k = 0; k < times; ++k)
        all.insert(all.end(), period.begin(), period.end());
    return Stereo(all);
}

// The meter over a whole signal, kept for the questions a case asks.
struct Measured {
    LoudnessMeter meter{};
    LoudnessResult result{};
    Measured(const std::vector<float>& samples, const LoudnessFormat& format) {
        const uint64_t frames = samples.size() / format.channels;
        if (!LoudnessInit(&meter, kBuffer) || !LoudnessStart(&meter, frames, format)) {
            ADD_FAILURE() << "no meter";
            return;
        }
        for (uint64_t done = 0; done < frames; done += kBuffer) {
            const uint32_t n = uint32_t(std::min<uint64_t>(kBuffer, frames - done));
            LoudnessAddFloat(&meter, samples.data() + done * format.channels, n);
        }
        LoudnessFinish(&meter, &result);
    }
    ~Measured() { LoudnessFree(&meter); }
};

LoudnessFormat StereoAt48k() {
    return LoudnessFormatOf(kRate, 2, 0);
}

// Tech 3341 and 3342 cases that have one expected reading each; NAN: not
// asked. `steady` asks, besides, that momentary (400 ms) or short-term (3
// s) loudness read `steadyLufs` at every 100 ms step from `steadyAfter`
// seconds on.
struct LoudnessCase {
    std::string name;
    std::function<std::vector<float>()> make;
    LoudnessFormat format;
    double maxMomentary, maxShortTerm, integrated, range;
    uint32_t steady = 0; // 0: none; else the window in steps
    double steadyAfter = 0, steadyLufs = 0;
};

std::vector<LoudnessCase> LoudnessCases() {
    const LoudnessFormat stereo = StereoAt48k();
    std::vector<LoudnessCase> cases = {
        {"3341-1",
         [] {
             return Stereo({{20, -23}});
         },
         stereo, -23, -23, -23, NAN},
        {"3341-2",
         [] {
             return Stereo({{20, -33}});
         },
         stereo, -33, -33, -33, NAN},
        {"3341-3",
         [] {
             return Stereo({{10, -36}, {60, -23}, {10, -36}});
         },
         stereo, NAN, NAN, -23, NAN},
        {"3341-4",
         [] {
             return Stereo({{10, -72}, {10, -36}, {60, -23}, {10, -36}, {10, -72}});
         },
         stereo, NAN, NAN, -23, NAN},
        {"3341-5",
         [] {
             return Stereo({{20, -26}, {20.1, -20}, {20, -26}});
         },
         stereo, NAN, NAN, -23, NAN},
        {"3341-6 (L R C Ls Rs)",
         [] {
             return Tones({{20, {-28, -28, -24, -30, -30}}}, 5);
         },
         LoudnessFormatOf(kRate, 5, 0), NAN, NAN, -23, NAN},
        {"3341-9",
         [] {
             return Repeat({{1.34, -20}, {1.66, -30}}, 5);
         },
         stereo, NAN, -23, NAN, NAN, kShortTermSteps, 3.0, -23},
        {"3341-12",
         [] {
             return Repeat({{0.18, -20}, {0.22, -30}}, 25);
         },
         stereo, -23, NAN, NAN, NAN, kMomentarySteps, 1.0, -23},
        {"3342-1",
         [] {
             return Stereo({{20, -20}, {20, -30}});
         },
         stereo, NAN, NAN, NAN, 10},
        {"3342-2",
         [] {
             return Stereo({{20, -20}, {20, -15}});
         },
         stereo, NAN, NAN, NAN, 5},
        {"3342-3",
         [] {
             return Stereo({{20, -40}, {20, -20}});
         },
         stereo, NAN, NAN, NAN, 20},
        {"3342-4",
         [] {
             return Stereo({{20, -50}, {20, -35}, {20, -20}, {20, -35}, {20, -50}});
         },
         stereo, NAN, NAN, NAN, 15},
    };
    // File-based meters find a burst wherever it starts.
    for (int i = 0; i < 20; ++i) {
        cases.push_back({"3341-10, file " + std::to_string(i),
                         [i] {
                             return Stereo({{i * 0.15, kSilence}, {3, -23}, {1, kSilence}});
                         },
                         stereo, NAN, -23, NAN, NAN});
        cases.push_back({"3341-13, file " + std::to_string(i),
                         [i] {
                             return Stereo({{i * 0.02, kSilence}, {0.4, -23}, {1, kSilence}});
                         },
                         stereo, -23, NAN, NAN, NAN});
    }
    return cases;
}

void ExpectNear(double got, double want, double tolerance, const char* what) {
    if (std::isnan(want)) return;
    EXPECT_NEAR(got, want, tolerance) << what;
}

TEST(LoudnessEbu, Tech3341And3342Cases) {
    for (const LoudnessCase& c : LoudnessCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<float> samples = c.make();
        const Measured m(samples, c.format);
        const LoudnessResult& r = m.result;
        ExpectNear(r.maxMomentary, c.maxMomentary, 0.1, "max momentary");
        ExpectNear(r.maxShortTerm, c.maxShortTerm, 0.1, "max short-term");
        ExpectNear(r.integrated, c.integrated, 0.1, "integrated");
        ExpectNear(r.range, c.range, 1.0, "range");
        if (c.steady == 0) continue;
        const uint64_t frames = samples.size() / c.format.channels;
        const uint32_t step = kRate / 10;
        for (uint64_t at = uint64_t(c.steadyAfter * kRate); at + step <= frames; at += step) {
            const double lufs = c.steady == kMomentarySteps ? LoudnessMomentaryAt(&m.meter, at)
                                                            : LoudnessShortTermAt(&m.meter, at);
            EXPECT_NEAR(lufs, c.steadyLufs, 0.1) << "at frame " << at;
        }
    }
}

// Cases 15-19: a tone at fs/4, fs/6 or fs/8, faded in and out over 10 ms.
std::vector<float> FadedTone(uint32_t rate, double divisor, double amplitude, double degrees) {
    const uint32_t frames = rate, fade = rate / 100;
    std::vector<float> out;
    for (uint32_t i = 0; i < frames; ++i) {
        const double gain = std::min({1.0, double(i) / fade, double(frames - 1 - i) / fade});
        const double v = gain * amplitude * std::sin(2 * kPi * i / divisor + degrees * kPi / 180);
        out.push_back(float(v));
        out.push_back(float(v));
    }
    return out;
}

// Cases 20-23: made at four times the rate, a tone at fs/6 and 0.5 of full
// scale that holds one period of fs/4 at full scale, joined where both
// cross zero rising; low-pass filtered below fs/2, then every fourth
// sample from `offset` kept.
std::vector<float> BurstTakenDown(int offset) {
    const int periods6 = 2000; // of fs/6 before and after: about 0.25 s each
    std::vector<double> fast;
    for (int i = 0; i < periods6 * 24; ++i) // fs/6 is 24 samples at 4 fs
        fast.push_back(0.5 * std::sin(2 * kPi * i / 24));
    for (int i = 0; i < 16; ++i) // fs/4: 16
        fast.push_back(std::sin(2 * kPi * i / 16));
    for (int i = 0; i < periods6 * 24; ++i)
        fast.push_back(0.5 * std::sin(2 * kPi * i / 24));
    // Windowed sinc (Blackman, 511 taps) cutting at 0.45 fs = 0.1125 of 4 fs.
    const int half = 255;
    std::vector<double> taps(2 * half + 1);
    double sum = 0;
    for (int k = -half; k <= half; ++k) {
        const double x = 2 * 0.1125 * k;
        const double sinc = k == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
        const double w =
            0.42 + 0.5 * std::cos(kPi * k / (half + 1)) + 0.08 * std::cos(2 * kPi * k / (half + 1));
        taps[k + half] = sinc * w;
        sum += taps[k + half];
    }
    std::vector<float> out;
    for (size_t n = size_t(offset); n < fast.size(); n += 4) {
        double y = 0;
        for (int k = -half; k <= half; ++k) {
            const long j = long(n) - k;
            if (j >= 0 && j < long(fast.size())) y += taps[k + half] / sum * fast[size_t(j)];
        }
        out.push_back(float(y));
        out.push_back(float(y));
    }
    return out;
}

// Cases 15-19 again at 96000 Hz, where two points per sample period must
// find the same peaks.
TEST(LoudnessEbu, Tech3341TruePeakCases) {
    const struct {
        const char* name;
        std::function<std::vector<float>(uint32_t rate)> make;
        double dbtp;
        bool at96k;
    } cases[] = {
        {"3341-15", [](uint32_t rate) { return FadedTone(rate, 4, 0.5, 0); }, -6.0, true},
        {"3341-16", [](uint32_t rate) { return FadedTone(rate, 4, 0.5, 45); }, -6.0, true},
        {"3341-17", [](uint32_t rate) { return FadedTone(rate, 6, 0.5, 60); }, -6.0, true},
        {"3341-18", [](uint32_t rate) { return FadedTone(rate, 8, 0.5, 67.5); }, -6.0, true},
        {"3341-19", [](uint32_t rate) { return FadedTone(rate, 4, 1.41, 45); }, 3.0, true},
        {"3341-20", [](uint32_t) { return BurstTakenDown(0); }, 0.0, false},
        {"3341-21", [](uint32_t) { return BurstTakenDown(1); }, 0.0, false},
        {"3341-22", [](uint32_t) { return BurstTakenDown(2); }, 0.0, false},
        {"3341-23", [](uint32_t) { return BurstTakenDown(3); }, 0.0, false},
    };
    for (const auto& c : cases) {
        for (uint32_t rate : {kRate, 2 * kRate}) {
            if (rate != kRate && !c.at96k) continue;
            SCOPED_TRACE(testing::Message() << c.name << " at " << rate << " Hz");
            const Measured m(c.make(rate), LoudnessFormatOf(rate, 2, 0));
            ASSERT_EQ(m.result.channels, 2u);
            for (int ch = 0; ch < 2; ++ch) {
                EXPECT_LE(m.result.truePeakDb[ch], c.dbtp + 0.2) << "channel " << ch;
                EXPECT_GE(m.result.truePeakDb[ch], c.dbtp - 0.4) << "channel " << ch;
            }
        }
    }
}

} // namespace
