#include "meter/level_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "meter/delay_line.h"
#include "tests/meter/engine_test_support.h"

using metertest::Constant;
using metertest::Stereo;

namespace {

// A delay line at 44100 Hz with read placed delay samples behind write.
struct Line {
    explicit Line(uint32_t delay = 0) {
        EXPECT_EQ(1, DelayLineAllocate(&line, 44100.0f));
        DelayLineSetDelay(&line, delay);
    }
    ~Line() { DelayLineFree(&line); }
    DelayLine line{};
};

struct Sums {
    ChannelAccumulators left{};
    ChannelAccumulators right{};
    float corr = 0.0f;
};

Sums RunStereo(const std::vector<int16_t>& pcm, Line& l, Line& r) {
    Sums s;
    AnalyseStereo(pcm.data(), static_cast<uint32_t>(pcm.size() / 2), &l.line, &r.line, &s.left,
                  &s.right, &s.corr);
    return s;
}

TEST(LevelAnalysis, FullScaleSamplesMeasureExactly) {
    struct Case {
        int16_t sample;
        float peak;
    } cases[] = {{-32768, 1.0f}, {32767, 32767.0f / 32768.0f}, {1, 1.0f / 32768.0f}, {0, 0.0f}};
    for (const Case& c : cases) {
        Line l, r;
        Sums s = RunStereo(Constant(100, c.sample, c.sample), l, r);
        EXPECT_EQ(c.peak, s.left.peak) << c.sample;
        EXPECT_EQ(c.peak, s.right.peak) << c.sample;
    }
}

TEST(LevelAnalysis, RingSizeAndDelayInSamples) {
    Line l;
    EXPECT_EQ(352808u, l.line.bytes);
    EXPECT_EQ(22050u, DelaySamples(44100.0f, 0.5f));
    EXPECT_EQ(88200u, DelaySamples(44100.0f, 2.0f));
    EXPECT_EQ(0u, DelaySamples(44100.0f, -1.0f));
    EXPECT_EQ(0u, DelaySamples(44100.0f, std::nanf("")));
    DelayLine bad{};
    EXPECT_EQ(0, DelayLineAllocate(&bad, 0.0f));
    EXPECT_EQ(0, DelayLineAllocate(&bad, std::nanf("")));
    EXPECT_EQ(nullptr, bad.base);
}

TEST(LevelAnalysis, DelayedSignalStartsWithTheRingsSilence) {
    struct Case {
        uint32_t delay;
        uint32_t silentFrames;
    } cases[] = {{0, 0}, {22050, 22050}, {88200, 88200}, {1, 1}};
    for (const Case& c : cases) {
        Line l(c.delay), r(c.delay);
        Sums head = RunStereo(Constant(c.silentFrames, -32768, -32768), l, r);
        EXPECT_EQ(0.0f, head.left.peak) << c.delay;
        EXPECT_EQ(0.0f, head.right.sum) << c.delay;
        Sums next = RunStereo(Constant(10, -32768, -32768), l, r);
        EXPECT_EQ(1.0f, next.left.peak) << c.delay;
    }
}

// The ring's meaning, one sample at a time and summed in double precision.
struct Reference {
    double sumL = 0, sumSqL = 0, sumR = 0, sumSqR = 0, corr = 0;
    double absSumSqL = 0, absCorr = 0; // for the error bounds
    float peakL = 0, peakR = 0;
};

float Step(DelayLine& d, float x) {
    *d.write = x;
    if (++d.write == d.end) d.write = d.begin;
    float y = *d.read;
    if (++d.read == d.end) d.read = d.begin;
    return y;
}

Reference RunReference(const std::vector<int16_t>& pcm, DelayLine& dl, DelayLine& dr) {
    Reference ref;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        float yl = Step(dl, pcm[i] * kSampleScale);
        float yr = Step(dr, pcm[i + 1] * kSampleScale);
        ref.peakL = std::max(ref.peakL, std::fabs(yl));
        ref.peakR = std::max(ref.peakR, std::fabs(yr));
        ref.sumL += std::fabs(yl);
        ref.sumSqL += double(yl) * yl;
        ref.sumR += std::fabs(yr);
        ref.sumSqR += double(yr) * yr;
        ref.corr += double(yl) * yr;
        ref.absCorr += std::fabs(double(yl) * yr);
    }
    return ref;
}

// The fast loop adds in 4 lanes (8 for mono) of n/4 terms each, then combines
// the lanes pairwise; its rounding error is then at most (n/4 + 4) x 2^-24 of
// the sum of the terms' magnitudes (the sequential loop's bound has n in place
// of n/4). Products add one rounding each, hence twice the bound for them.
double Bound(uint32_t n, double magnitudes) {
    return (n / 4.0 + 4.0) * std::ldexp(1.0, -24) * magnitudes + 1e-30;
}

TEST(LevelAnalysis, FastLoopMatchesTheSampleBySampleRingWithinRounding) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::uniform_int_distribution<int> sign(0, 1);
    struct Case {
        const char* what;
        uint32_t delayL, delayR;
        uint32_t buffers, frames;
        bool fullScale;
    } cases[] = {
        {"no delay, random", 0, 0, 6, 4408, false},
        {"no delay, full scale", 0, 0, 6, 4408, true},
        {"2 s delay wrapping", 88200, 88200, 30, 4408, false},
        {"one-sample delay", 1, 1, 3, 1001, false},
        {"short odd delay", 7, 13, 4, 999, true},
        {"left undelayed, right delayed", 0, 300, 5, 4410, false},
        {"delay just under the ring", 88201, 88200, 25, 4408, true},
        {"tiny buffers", 3, 0, 200, 5, false},
    };
    for (const Case& c : cases) {
        Line l(c.delayL), r(c.delayR);
        DelayLine refL{}, refR{};
        ASSERT_EQ(1, DelayLineAllocate(&refL, 44100.0f));
        ASSERT_EQ(1, DelayLineAllocate(&refR, 44100.0f));
        DelayLineSetDelay(&refL, c.delayL);
        DelayLineSetDelay(&refR, c.delayR);
        for (uint32_t b = 0; b < c.buffers; ++b) {
            auto sample = [&](uint32_t) -> int16_t {
                if (c.fullScale) return sign(rng) ? int16_t(32767) : int16_t(-32768);
                return static_cast<int16_t>(any(rng));
            };
            std::vector<int16_t> pcm = Stereo(c.frames, sample, sample);
            Sums fast = RunStereo(pcm, l, r);
            Reference ref = RunReference(pcm, refL, refR);
            SCOPED_TRACE(testing::Message() << c.what << ", buffer " << b);
            EXPECT_EQ(ref.peakL, fast.left.peak);
            EXPECT_EQ(ref.peakR, fast.right.peak);
            EXPECT_NEAR(ref.sumL, fast.left.sum, Bound(c.frames, ref.sumL));
            EXPECT_NEAR(ref.sumSqL, fast.left.sumSq, Bound(c.frames, ref.sumSqL) * 2);
            EXPECT_NEAR(ref.sumR, fast.right.sum, Bound(c.frames, ref.sumR));
            EXPECT_NEAR(ref.sumSqR, fast.right.sumSq, Bound(c.frames, ref.sumSqR) * 2);
            EXPECT_NEAR(ref.corr, fast.corr, Bound(c.frames, ref.absCorr) * 2);
            EXPECT_EQ(refL.write - refL.begin, l.line.write - l.line.begin);
            EXPECT_EQ(refR.read - refR.begin, r.line.read - r.line.begin);
        }
        DelayLineFree(&refL);
        DelayLineFree(&refR);
    }
}

TEST(LevelAnalysis, MonoMatchesTheLeftChannelOfStereo) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::vector<int16_t> mono(5000);
    for (int16_t& s : mono) s = static_cast<int16_t>(any(rng));
    auto left = [&](uint32_t i) { return mono[i]; };
    std::vector<int16_t> stereo = Stereo(5000, left, left);
    for (uint32_t delay : {0u, 100u}) {
        Line m(delay), l(delay), r(delay);
        ChannelAccumulators acc{};
        AnalyseMono(mono.data(), 5000, &m.line, &acc);
        Sums s = RunStereo(stereo, l, r);
        EXPECT_EQ(s.left.peak, acc.peak);
        EXPECT_FLOAT_EQ(s.left.sum, acc.sum);
        EXPECT_FLOAT_EQ(s.left.sumSq, acc.sumSq);
    }
}

TEST(LevelAnalysis, CorrelationOfChannelPairs) {
    auto sine = [](uint32_t i) { return int16_t(16384 * std::sin(i * 0.0627)); };
    auto inverted = [&](uint32_t i) { return int16_t(-sine(i)); };
    auto silent = [](uint32_t) { return int16_t(0); };
    struct Case {
        const char* what;
        std::vector<int16_t> pcm;
        float correlation;
    } cases[] = {
        {"identical", Stereo(4410, sine, sine), 1.0f},
        {"inverted", Stereo(4410, sine, inverted), -1.0f},
        {"right silent", Stereo(4410, sine, silent), 0.0f},
        {"both silent", Stereo(4410, silent, silent), 0.0f},
    };
    for (const Case& c : cases) {
        Line l, r;
        Sums s = RunStereo(c.pcm, l, r);
        float inv = 1.0f / 4410.0f;
        float c2 = FrameCorrelation(inv, s.corr, inv * s.left.sumSq, inv * s.right.sumSq);
        EXPECT_NEAR(c.correlation, c2, 1e-5) << c.what;
        EXPECT_LE(std::fabs(c2), 1.0f) << c.what;
    }
}

TEST(LevelAnalysis, Decibels) {
    struct Case {
        float value;
        float amplitudeDb, powerDb;
    } cases[] = {{1.0f, 0.0f, 0.0f},     {0.5f, -6.0206f, -3.0103f}, {1e-10f, -200.0f, -100.0f},
                 {9e-11f, -200.f, -200.f}, {0.0f, -200.f, -200.f},    {-1.0f, -200.f, -200.f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(c.amplitudeDb, AmplitudeToDb(c.value), 1e-3) << c.value;
        EXPECT_NEAR(c.powerDb, PowerToDb(c.value), 1e-3) << c.value;
    }
    EXPECT_EQ(-200.0f, AmplitudeToDb(0.0f));
    EXPECT_EQ(-200.0f, PowerToDb(std::nanf("")));
}

} // namespace
