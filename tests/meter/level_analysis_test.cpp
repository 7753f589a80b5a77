#include "meter/level_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include "meter/delay_line.h"
#include "tests/meter/engine_test_support.h"

using metertest::Constant;
using metertest::Stereo;

namespace {

struct Line {
    explicit Line(uint32_t delay = 0) {
        EXPECT_EQ(1, DelayLineAllocate(&line, 44100.0f));
        DelayLineSetDelay(&line, delay);
    }
    ~Line() { DelayLineFree(&line); }
    DelayLine line{};
};

struct Sums {
    ChannelAccumulators left{}, right{};
    float corr = 0.0f;
};

Sums RunStereo(const std::vector<int16_t>& pcm, Line& l, Line& r) {
    Sums s;
    AnalyseStereo(pcm.data(), static_cast<uint32_t>(pcm.size() / 2), &l.line, &r.line, &s.left,
                  &s.right, &s.corr);
    return s;
}

TEST(LevelAnalysis, DelayStartsWithTheRingsSilence) {
    EXPECT_EQ(22050u, DelaySamples(44100.0f, 0.5f));
    EXPECT_EQ(5441u, DelaySamples(44100.0f, 0.1234f)); // 5441.94, truncated
    Line l(22050), r(22050);
    EXPECT_EQ(0.0f, RunStereo(Constant(22050, -32768, -32768), l, r).left.peak);
    EXPECT_EQ(1.0f, RunStereo(Constant(10, -32768, -32768), l, r).left.peak);
}

struct Reference {
    double sumL = 0, sumSqL = 0, sumR = 0, sumSqR = 0, corr = 0, absCorr = 0;
    float peakL = 0, peakR = 0;
};

float Step(DelayLine& d, float x) {
    *d.write = x;
    if (++d.write == d.end) d.write = d.begin;
    float y = *d.read;
    if (++d.read == d.end) d.read = d.begin;
    return y;
}

void RunReference(const std::vector<int16_t>& pcm, DelayLine& dl, DelayLine& dr, Reference& ref) {
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        float yl = Step(dl, pcm[i] * kSampleScale), yr = Step(dr, pcm[i + 1] * kSampleScale);
        ref.peakL = std::max(ref.peakL, std::fabs(yl));
        ref.peakR = std::max(ref.peakR, std::fabs(yr));
        ref.sumL += std::fabs(yl);
        ref.sumSqL += double(yl) * yl;
        ref.sumR += std::fabs(yr);
        ref.sumSqR += double(yr) * yr;
        ref.corr += double(yl) * yr;
        ref.absCorr += std::fabs(double(yl) * yr);
    }
}

// 4 lanes of n/4 terms combined pairwise; products round twice.
double Bound(uint32_t n, double magnitudes) {
    return (n / 4.0 + 4.0) * std::ldexp(1.0, -24) * magnitudes + 1e-30;
}

TEST(LevelAnalysis, FastLoopMatchesTheSampleBySampleRingWithinRounding) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> any(-32768, 32767);
    const struct {
        const char* what;
        uint32_t delayL, delayR, buffers, frames;
        bool fullScale;
    } cases[] = {
        {"full scale", 0, 0, 2, 4408, true},
        {"random, odd delays", 7, 13, 4, 999, false},
    };
    for (const auto& c : cases) {
        Line l(c.delayL), r(c.delayR), refL(c.delayL), refR(c.delayR);
        for (uint32_t b = 0; b < c.buffers; ++b) {
            auto sample = [&](uint32_t) -> int16_t {
                if (c.fullScale) return rng() % 2 ? int16_t(32767) : int16_t(-32768);
                return static_cast<int16_t>(any(rng));
            };
            std::vector<int16_t> pcm = Stereo(c.frames, sample, sample);
            Sums fast = RunStereo(pcm, l, r);
            Reference ref;
            RunReference(pcm, refL.line, refR.line, ref);
            SCOPED_TRACE(testing::Message() << c.what << ", buffer " << b);
            EXPECT_EQ(ref.peakL, fast.left.peak);
            EXPECT_EQ(ref.peakR, fast.right.peak);
            EXPECT_NEAR(ref.sumL, fast.left.sum, Bound(c.frames, ref.sumL));
            EXPECT_NEAR(ref.sumSqL, fast.left.sumSq, Bound(c.frames, ref.sumSqL) * 2);
            EXPECT_NEAR(ref.sumR, fast.right.sum, Bound(c.frames, ref.sumR));
            EXPECT_NEAR(ref.sumSqR, fast.right.sumSq, Bound(c.frames, ref.sumSqR) * 2);
            EXPECT_NEAR(ref.corr, fast.corr, Bound(c.frames, ref.absCorr) * 2);
            EXPECT_EQ(refL.line.write - refL.line.begin, l.line.write - l.line.begin);
            EXPECT_EQ(refR.line.read - refR.line.begin, r.line.read - r.line.begin);
        }
    }
}

uint32_t Bits(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Without a delay, rings that are not kept stay unwritten and the sums are
// gathered in sample units; float samples (the 16-bit ones scaled) take the
// float loops. With running sums carried from buffer to buffer, odd buffer
// sizes and runs cut at the rings' end, every sum of every way comes out to
// the bit as the 16-bit one with the rings kept, at each delay.
TEST(LevelAnalysis, EveryWayGivesTheSameBits) {
    enum Way { kKept, kUnkept, kFloatKept, kFloatUnkept, kWays };
    const struct { uint32_t delayL, delayR; } delays[] = {{0, 0}, {3, 4410}, {0, 7}};
    for (const auto& d : delays) {
        SCOPED_TRACE(testing::Message() << "delays " << d.delayL << ", " << d.delayR);
        std::mt19937 rng(99);
        std::uniform_int_distribution<int> any(-32768, 32767);
        auto loud = [&](uint32_t) { return static_cast<int16_t>(any(rng)); };
        auto quiet = [&](uint32_t) { return static_cast<int16_t>(any(rng) % 3); };
        std::deque<Line> left, right; // lines that never move
        for (int w = 0; w < kWays; ++w) {
            left.emplace_back(d.delayL);
            right.emplace_back(d.delayR);
        }
        Sums sums[kWays];
        const uint32_t sizes[] = {4408, 999, 5};
        for (int b = 0; b < 40; ++b) { // 72 000 frames of each size: the rings wrap
            const uint32_t frames = sizes[b % 3];
            const std::vector<int16_t> pcm =
                b % 4 ? Stereo(frames, loud, quiet) : Stereo(frames, quiet, loud);
            std::vector<float> amplitudes(pcm.size());
            for (size_t i = 0; i < pcm.size(); ++i)
                amplitudes[i] = pcm[i] * kSampleScale;
            for (int w = 0; w < kWays; ++w) {
                Sums& s = sums[w];
                const bool keep = w == kKept || w == kFloatKept;
                if (w == kKept || w == kUnkept)
                    AnalyseStereo(pcm.data(), frames, &left[w].line, &right[w].line, &s.left,
                                  &s.right, &s.corr, keep);
                else
                    AnalyseStereoFloat(amplitudes.data(), frames, &left[w].line, &right[w].line,
                                       &s.left, &s.right, &s.corr, keep);
            }
            SCOPED_TRACE(b);
            for (int w = 1; w < kWays; ++w) {
                SCOPED_TRACE(w);
                const Sums &k = sums[kKept], &u = sums[w];
                for (auto [x, y] : {std::pair{&k.left, &u.left}, {&k.right, &u.right}}) {
                    EXPECT_EQ(Bits(x->peak), Bits(y->peak));
                    EXPECT_EQ(Bits(x->sum), Bits(y->sum));
                    EXPECT_EQ(Bits(x->sumSq), Bits(y->sumSq));
                }
                EXPECT_EQ(Bits(k.corr), Bits(u.corr));
                EXPECT_EQ(left[kKept].line.write - left[kKept].line.begin,
                          left[w].line.write - left[w].line.begin);
            }
        }
        if (d.delayL == 0 && d.delayR == 0)
            for (int w : {kUnkept, kFloatUnkept}) {
                const std::vector<float> ring(left[w].line.begin, left[w].line.end);
                EXPECT_EQ(std::count(ring.begin(), ring.end(), 0.0f), ptrdiff_t(ring.size()));
            }
    }
}

} // namespace
